#!/bin/bash
# Installs what the build, the tests and the demo need on Debian (as root, or via sudo).
#   tools/setup.sh           install what is missing
#   tools/setup.sh --check   only say what is missing; exit 1 if anything is
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev libbenchmark-dev clang locales
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools xorriso zip osslsigncode openssl
    wine wine64 fonts-wine xvfb socat imagemagick fonts-wqy-microhei
)
# A locale with a decimal comma, for the test that the frame box's period is locale-independent,
# and a Chinese one, for the programs under a Chinese system locale.
locales=(de_DE zh_CN)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
missing_locales=()
for name in "${locales[@]}"; do
    locale -a 2>/dev/null | grep -qi "^$name.utf-\?8\$" || missing_locales+=("$name")
done

if [ "${1:-}" = --check ]; then
    [ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0
    echo "missing: ${missing[*]} ${missing_locales[*]/%/.UTF-8}; run tools/setup.sh first (as root or with sudo)" >&2
    exit 1
fi

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
for name in "${missing_locales[@]}"; do
    as_root localedef -i "$name" -f UTF-8 "$name.UTF-8" || echo "setup: no $name.UTF-8 locale"
done
