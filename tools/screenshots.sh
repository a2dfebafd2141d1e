#!/bin/bash
# Makes the README's pictures from the real programs under Wine, into docs/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
"$root/tools/setup.sh" --check || exit 1
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target medium loadkit_shot >/dev/null

"$root/tools/demo.sh" --headless >/dev/null
"$root/tools/demo.sh" --dpi 144 >/dev/null
for name in portlens-frame-reply portlens-device-error portlens-device-error-144; do
    cp "$root/build/$name.png" "$root/docs/$name.png"
done
"$root/tools/screenshot/loadkit-run" "$build" 'C:\Velmo' "$root/docs/loadkit-successful-run.png"
"$root/tools/screenshot/loadkit-run" "$build" 'C:\不存在\Velmo' "$root/docs/loadkit-failing-run.png"
QUARN_DPI=144 "$root/tools/screenshot/loadkit-run" "$build" 'C:\不存在\Velmo' "$root/docs/loadkit-failing-run-144.png"
ls -l "$root"/docs/*.png
