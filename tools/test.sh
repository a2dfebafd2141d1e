#!/bin/bash
# Builds everything and runs every test: the portable core natively and under AddressSanitizer and
# UBSan, then the Windows programs under Wine. Exits non-zero if anything fails. Needs what
# tools/setup.sh installs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" --check || exit 1
jobs=$(nproc)
failed=()

run() {
    local name=$1; shift
    echo "== $name"
    "$@" || failed+=("$name")
}

build_and_test() {
    local dir=$1; shift
    cmake -S "$root" -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j"$jobs" &&
        ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs"
}

run native build_and_test "$root/build/native"
run sanitizers build_and_test "$root/build/asan" -DQUARN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
run windows build_and_test "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
# The release beside the medium: image and zip, the same bytes from a second build, signatures.
run release "$root/tests/release/check.sh" "$root/build/windows"

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all tests passed"
