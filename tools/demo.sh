#!/bin/bash
# Portlens under Wine on COM3, the simulated board on COM9, one virtual null-modem cable between.
# With a display, Portlens opens on it and the board reads commands from this terminal (see
# tools/board/simulator.cpp: "error 2", "reply frm0042", "flood 1000", ...); close Portlens to end.
# Without one (or with --headless) a scripted exchange runs on a virtual screen, prints what the
# window showed and saves two screenshots: build/portlens-frame-reply.png and
# build/portlens-device-error.png. --dpi N runs it at N dots per inch (names end in -N).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" --check || exit 1
build=$root/build/windows
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target Portlens quarn_board portlens_demo >/dev/null

headless=
dpi=
[ -z "${DISPLAY:-}" ] && headless=yes
while [ $# -gt 0 ]; do
    case $1 in
    --headless) headless=yes ;;
    --dpi) headless=yes; dpi=${2:?--dpi N}; shift ;;
    *) echo "usage: demo.sh [--headless] [--dpi N]" >&2; exit 2 ;;
    esac
    shift
done
session=$build/demo-session${dpi:+-$dpi}
export QUARN_DPI=$dpi
if [ -n "$headless" ]; then
    "$root/tools/wine/session" start "$session"
else
    "$root/tools/wine/session" start "$session" --display
fi
trap '"$root/tools/wine/session" stop "$session"' EXIT
export QUARN_SESSION=$session
"$root/tools/wine/cable" connect 3 9
. "$session/env"
bin=$build/bin

# Wine's service processes inherit a program's output and outlive it: give them a file, and
# follow it here while the program runs.
log=$session/demo.log
if [ -n "$headless" ]; then
    shots=("$root/build/portlens-frame-reply${dpi:+-$dpi}.png" "$root/build/portlens-device-error${dpi:+-$dpi}.png")
    rm -f "${shots[@]}"
    echo "Portlens against the simulated board, on a virtual screen:"
    size=640x400
    [ -n "$dpi" ] && size=$((640 * dpi / 96))x$((400 * dpi / 96))
    wine explorer /desktop=quarn,$size "$bin/portlens_demo.exe" "${shots[0]}.full.png" "${shots[1]}.full.png" >"$log" 2>&1 &
    wine_pid=$!
    tail -n +1 --pid=$wine_pid -f "$log"
    wait $wine_pid || { echo "the demo failed"; exit 1; }
    for shot in "${shots[@]}"; do
        convert "$shot.full.png" -crop "$size+0+0" +repage "$shot" && rm -f "$shot.full.png"
        echo "screenshot: $shot"
    done
else
    echo "Portlens is open; the board takes commands here (error 2, reply frm0042, ...)."
    wine "$bin/Portlens.exe" >"$log" 2>&1 &
    portlens_pid=$!
    wine "$bin/quarn_board.exe" COM9 &
    board_pid=$!
    wait $portlens_pid || true
    kill $board_pid 2>/dev/null || true
fi
