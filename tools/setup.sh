#!/bin/bash
# Installs what the build, the tests and the demo need on Debian (as root, or via sudo).
#   tools/setup.sh           install what is missing
#   tools/setup.sh --check   only say what is missing; exit 1 if anything is
# wine32 (for running the 32-bit programs) is tried too, but never required: see install_wine32.
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev libbenchmark-dev libssl-dev clang locales
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

# The 32-bit programs run under Wine only with wine32, from Debian's i386 architecture, whose
# index may fail to download (the security index did on 2026-12-09). Setup goes on without it, and
# after a failure it waits a day before trying again. The downloads are bounded in time; unpacking
# them is not, so that dpkg is never cut off halfway.
wine32_failed=/var/tmp/quarn-setup-wine32-failed
apt_within() {  # SECONDS (0: no bound) and apt-get's arguments
    as_root timeout "$1" env DEBIAN_FRONTEND=noninteractive apt-get -q -y --no-install-recommends "${@:2}"
}
install_wine32() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && return 0
    if [ -n "$(find "$wine32_failed" -mmin -1440 2>/dev/null)" ]; then
        echo "setup: wine32:i386 failed to install within the last day; not tried again (remove $wine32_failed to retry)"
        return 0
    fi
    local added=
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386 || return 1
        added=1
    fi
    # stderr stays: it says why, when it fails.
    if apt_within 180 update >/dev/null && apt_within 600 --download-only install wine32:i386 >/dev/null &&
        apt_within 0 install wine32:i386 >/dev/null; then
        as_root rm -f "$wine32_failed"
        return 0
    fi
    # An architecture without its index would make every later apt-get update fail.
    if [ -n "$added" ]; then as_root dpkg --remove-architecture i386 || true; fi
    as_root touch "$wine32_failed"
    return 1
}
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    install_wine32 || echo "setup: wine32:i386 could not be installed; the 32-bit programs will be built but not run"
fi
