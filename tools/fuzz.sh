#!/bin/bash
# Fuzzes the reply line and the frame box's number reader with libFuzzer (clang, ASan, UBSan):
#   tools/fuzz.sh [SECONDS [TARGET]]     TARGET: reply_line or frame_number (default: both)
# Inputs that fail a check land in tests/fuzz/regressions/TARGET/; commit them, and the
# regression test runs them ever after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
targets=${2:-reply_line frame_number}
build=$root/build/fuzz
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DQUARN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target $(for t in $targets; do echo "${t}_fuzz"; done) >/dev/null

status=0
for target in $targets; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    cp -n "$root/tests/fuzz/corpus/$target/"* "$corpus/"
    regressions=$root/tests/fuzz/regressions/$target
    mkdir -p "$regressions"
    echo "== $target, $seconds s"
    log=$build/$target.log
    "$build/tests/fuzz/${target}_fuzz" "$corpus" -max_total_time="$seconds" -max_len=16384 \
        -artifact_prefix="$regressions/" -print_final_stats=1 >"$log" 2>&1 || status=1
    grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==|SUMMARY|check failed)' "$log" ||
        tail -5 "$log"
done
exit $status
