#!/bin/bash
# Installs what the build and the tests need on Debian, if it is missing (as root, or via sudo).
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev libbenchmark-dev clang locales
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64 fonts-wine xvfb socat imagemagick fonts-wqy-microhei
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A locale with a decimal comma, for the test that the frame box's period is locale-independent,
# and a Chinese one, for the programs under a Chinese system locale.
for name in de_DE zh_CN; do
    locale -a 2>/dev/null | grep -qi "^$name.utf-\?8\$" && continue
    as_root localedef -i "$name" -f UTF-8 "$name.UTF-8" || echo "setup: no $name.UTF-8 locale"
done
