#!/bin/bash
# Installs what the build, the tests and the demo need on Debian (as root, or via sudo).
#   tools/setup.sh           install what is missing
#   tools/setup.sh --check   only say what is missing; exit 1 if anything is
# The i386 root for running the 32-bit programs is made too, but never required: see make_i386_root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
    cmake make g++ googletest libgtest-dev libbenchmark-dev libssl-dev clang locales
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools xorriso zip osslsigncode openssl
    wine wine64 fonts-wine xvfb socat imagemagick fonts-wqy-microhei debootstrap
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

# The 32-bit programs run under 32-bit Wine, which this amd64 Debian cannot install beside its own
# (its security updates' i386 twins are in no index that downloads): they run in an i386 Debian
# root from the main archive alone (tools/wine/i386-root), made again when what makes it changes.
# Every step is bounded in time; the root is made in a directory of its own and takes its place
# only when complete, so an interrupted setup leaves none half made.
i386_root=$("$here/wine/i386-root" --where)
i386_packages=(wine wine32 xvfb socat fonts-wine fonts-wqy-microhei locales cmake binutils-mingw-w64-i686)
i386_failed=/var/tmp/quarn-setup-i386-root-failed
in_root() {  # ROOT SECONDS COMMAND...
    as_root env QUARN_I386_ROOT="$1" timeout "$2" "$here/wine/i386-root" "${@:3}"
}
make_i386_root() {  # DIR
    as_root timeout 300 unshare --mount debootstrap --arch=i386 --variant=minbase bookworm "$1" \
        http://deb.debian.org/debian >/dev/null &&
        in_root "$1" 900 env DEBIAN_FRONTEND=noninteractive \
            apt-get install -q -y --no-install-recommends "${i386_packages[@]}" >/dev/null &&
        in_root "$1" 120 localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 &&
        in_root "$1" 120 apt-get clean
}
i386_stamp=$({ declare -f make_i386_root in_root; echo "${i386_packages[*]}"; } | sha1sum | cut -c1-16)
# Removes DIR, unless something is mounted below it (as a root's /dev or source tree may be).
remove_root() {
    [ -e "$1" ] || return 0
    if findmnt -rn -o TARGET | grep -q "^$1\(/\|\$\)"; then
        echo "setup: something is mounted in $1; not removed" >&2
        return 1
    fi
    as_root rm -rf --one-file-system "$1"
}
ensure_i386_root() {
    # One setup at a time makes it; another waits, and then finds it made.
    local lock
    exec {lock}>>/var/tmp/quarn-setup-i386-root.lock
    flock -w 1500 "$lock" || return 1
    [ -f "$i386_root/.quarn-$i386_stamp" ] && return 0
    if [ "$(cat "$i386_failed" 2>/dev/null)" = "$i386_stamp" ] && [ -n "$(find "$i386_failed" -mmin -1440)" ]; then
        echo "setup: the i386 root could not be made within the last day; not tried again (remove $i386_failed to retry)"
        return 0
    fi
    echo "setup: making the i386 root for the 32-bit programs in $i386_root"
    remove_root "$i386_root" && remove_root "$i386_root.new" || return 1
    # stderr stays: it says why, when it fails.
    if make_i386_root "$i386_root.new"; then
        as_root touch "$i386_root.new/.quarn-$i386_stamp"
        as_root mv "$i386_root.new" "$i386_root"
        as_root rm -f "$i386_failed"
        return 0
    fi
    remove_root "$i386_root.new" || true
    echo "$i386_stamp" | as_root tee "$i386_failed" >/dev/null
    return 1
}
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    ensure_i386_root || echo "setup: no i386 root could be made; the 32-bit programs will be built but not run"
fi
