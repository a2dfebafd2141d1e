#!/bin/bash
# The performance measurements, each against a reference measured side by side in the same run:
#   1 receive path throughput and flatness (native, Google Benchmark)
#   2 reply-to-screen latency, 3 idle CPU, 6 sustained stream and 7 the answers during it (under
#     Wine, against the bare reader bench/bare_reader.cpp)
#   4 start-up (under Wine, against bench/plain_window.cpp, a plain program with the same window)
#   5 footprint of the .exe files and the DLLs they import
# Prints every figure and a summary table; exits non-zero if a measurement could not be made.
# BENCH_STREAM_BYTES, BENCH_REPLIES, BENCH_IDLE_SECONDS, BENCH_STARTS change the amounts.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" --check || exit 1
jobs=$(nproc)
native=$root/build/bench-native
windows=$root/build/windows
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
broken=()

# Runs a measurement, shows its output and keeps its SUMMARY lines.
measure() {
    local name=$1; shift
    echo "== $name"
    local output status
    output=$("$@" 2>&1); status=$?
    grep -v '^SUMMARY|' <<<"$output"
    grep '^SUMMARY|' <<<"$output" >>"$summary"
    if [ $status -ne 0 ]; then
        broken+=("$name")
        echo "SUMMARY|$name|not measured|-|-|FAIL" >>"$summary"
    fi
}

echo "== building"
cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$native" -j"$jobs" --target receive_bench >/dev/null || exit 1
cmake -S "$root" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
    cmake --build "$windows" -j"$jobs" --target bench_measure Portlens Loadkit wdreg_gui quarn_board >/dev/null ||
    exit 1

measure "1 receive path" "$native/bench/receive_bench" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_min_time=0.2

# 5: sizes and imports; only system DLLs, each .exe under 1 MB.
footprint() {
    local bin=$windows/bin failed=0
    for exe in Portlens Loadkit wdreg_gui quarn_board; do
        local file=$bin/$exe.exe size dlls runtime
        size=$(stat -c %s "$file") || return 1
        dlls=$(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\tDLL Name: //p' | sort -f | tr '\n' ' ')
        runtime=$(grep -ioE 'libstdc\+\+[^ ]*|libgcc[^ ]*|libwinpthread[^ ]*' <<<"$dlls" | tr '\n' ' ')
        echo "$exe.exe: $size bytes; imports: $dlls"
        local pass=pass
        if [ "$size" -ge 1048576 ] || [ -n "$runtime" ]; then pass=FAIL; failed=1; fi
        echo "SUMMARY|5 footprint $exe.exe|$((size / 1024)) KiB, ${runtime:-no MinGW runtime DLL}|$(awk "BEGIN{printf \"%.2f\", $size/1048576}") of 1 MB|< 1 MB, system DLLs only|$pass"
    done
    return 0
}
measure "5 footprint" footprint

session=$windows/bench-session
"$root/tools/wine/session" start "$session" || exit 1
trap '"$root/tools/wine/session" stop "$session"; rm -f "$summary"' EXIT
export QUARN_SESSION=$session
# Ports of the bench's own (the tests use COM3/COM9 and COM12/COM13 in their sessions).
"$root/tools/wine/cable" connect 5 6 && "$root/tools/wine/cable" connect 7 8 || exit 1
wine_measure() { "$root/tools/wine/run-exe" "$windows/bin/bench_measure.exe" "$@"; }

# 2000 replies each: the 99th percentile of 500 rests on five replies, and one burst of load on
# the machine moves it by half.
measure "2 latency" wine_measure latency "${BENCH_REPLIES:-2000}"
measure "3 idle" wine_measure idle "${BENCH_IDLE_SECONDS:-30}"
measure "4 start-up" wine_measure startup "${BENCH_STARTS:-15}"
measure "6, 7 stream" wine_measure stream "${BENCH_STREAM_BYTES:-1048576}"

echo
echo "== summary"
{
    echo "measurement|figure|ratio|goal|result"
    cut -d'|' -f2- "$summary"
} | column -t -s'|'
if [ ${#broken[@]} -gt 0 ]; then
    echo "not measured: ${broken[*]}"
    exit 1
fi
