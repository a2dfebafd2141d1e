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

build_and_test() {  # DIR [CMAKE ARGUMENTS...] [-- CTEST COMMAND...]: by default ctest, on the machine
    local dir=$1 configure=() tester=(ctest)
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
    [ $# -eq 0 ] || { shift; tester=("$@"); }
    cmake -S "$root" -B "$dir" "${configure[@]}" >/dev/null && cmake --build "$dir" -j"$jobs" &&
        "${tester[@]}" --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs"
}

run native build_and_test "$root/build/native"
run sanitizers build_and_test "$root/build/asan" -DQUARN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
run windows build_and_test "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
# The 32-bit programs run under 32-bit Wine in the i386 root that tools/setup.sh makes; every test
# of their build runs there. Without it they are built and checked (shipped_programs), not run.
i386_root=$("$root/tools/wine/i386-root" --where)
if [ -d "$i386_root" ]; then
    echo "windows-x86: the tests run under 32-bit Wine in the i386 root $i386_root"
    x86_tester=("$root/tools/wine/i386-root" ctest)
else
    echo "windows-x86: no i386 root in $i386_root (tools/setup.sh could not make it): the 32-bit programs are built and checked, not run"
    x86_tester=(ctest -R '^shipped_programs')
fi
run windows-x86 build_and_test "$root/build/windows-x86" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -- "${x86_tester[@]}"
# The release beside the medium: image and zip, the same bytes from a second build, signatures.
run release "$root/tests/release/check.sh" "$root/build/windows"
run release-x86 "$root/tests/release/check.sh" "$root/build/windows-x86"

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all tests passed"
