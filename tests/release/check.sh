#!/bin/bash
# tests/release/check.sh <Windows build directory>
# Checks the release that the build made beside its medium: the CD image is labelled QUARN, its
# Joliet and ISO 9660 trees and the zip hold exactly the medium's files. A second build of the same
# sources, in another directory whose path holds a blank, gives the same bytes (programs, image and
# zip), and building it once more with nothing changed does nothing. Given a throwaway self-signed
# certificate, that build signs every program in the image and the zip, and signing again a second
# later gives the same bytes.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
again="$build again"
shopt -s nullglob
isos=("$build"/Quarn-*.iso)
[ ${#isos[@]} = 1 ] || { echo "expected one release image in $build, found ${#isos[@]}"; exit 1; }
release=$(basename "${isos[0]}" .iso)
toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt")

fail() { echo "FAILED: $*"; exit 1; }

# Extracts the image's Joliet tree and the zip of a build into <build>/release-contents.
extract() {
    local contents=$1/release-contents
    rm -rf "$contents" && mkdir -p "$contents/iso" "$contents/zip"
    xorriso -no_rc -report_about FAILURE -read_fs norock -indev "$1/$release.iso" \
        -osirrox on -extract / "$contents/iso" 2>/dev/null
    chmod -R u+w "$contents/iso"  # as on a CD, the files come out read-only
    (cd "$contents/zip" && cmake -E tar xf "$1/$release.zip")
}

# The image and the zip hold the medium, file for file.
extract "$build"
diff -r "$build/medium" "$build/release-contents/iso" || fail "the image's Joliet tree is not the medium"
diff -r "$build/medium" "$build/release-contents/zip" || fail "the zip is not the medium"
xorriso -no_rc -indev "$build/$release.iso" -pvd_info 2>/dev/null | grep -q "^Volume Id *: QUARN$" ||
    fail "the image is not labelled QUARN"
# The ISO 9660 tree (read by systems without Joliet) holds the same files, named in capitals.
in_capitals=$(cd "$build/medium" && find . -type f | sed 's/^\.//' | tr a-z A-Z | sort)
iso9660=$(xorriso -no_rc -report_about FAILURE -read_fs ecma119 -indev "$build/$release.iso" \
    -find / -type f 2>/dev/null | tr -d "'" | sort)
[ "$iso9660" = "$in_capitals" ] || fail "the image's ISO 9660 tree is not the medium's: $iso9660"
echo "$release.iso (ISO 9660 and Joliet, QUARN) and $release.zip hold the $(find "$build/medium" -type f | wc -l) files of the medium"

# A second build of the same sources gives the same bytes.
cmake -S "$root" -B "$again" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQUARN_TESTS=OFF \
    -DQUARN_SIGN_PKCS12= -DQUARN_SIGN_PASSWORD_FILE= >/dev/null
cmake --build "$again" -j"$(nproc)" --target release >/dev/null
diff -r "$build/medium" "$again/medium" || fail "the second build's medium differs"
for kind in iso zip; do
    cmp "$build/$release.$kind" "$again/$release.$kind" || fail "the second build's $kind differs"
done
echo "a second build in \"$again\" gave the same bytes"

# A build with nothing changed leaves the medium and the release as they are.
changed() { find "$again/medium" "$again/$release".* -printf '%p %C@\n'; }
before=$(changed)
cmake --build "$again" -j"$(nproc)" --target release >/dev/null
[ "$(changed)" = "$before" ] || fail "a build with nothing changed laid out the medium or packed the release again"

# Signed with a certificate, every program in the image and the zip verifies.
signing=$again/signing
mkdir -p "$signing"
echo "throwaway password" >"$signing/password"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Quarn release check" -days 1 \
    -addext extendedKeyUsage=codeSigning -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -out "$signing/cert.p12" \
    -passout file:"$signing/password"
cmake "$again" -DQUARN_SIGN_PKCS12="$signing/cert.p12" -DQUARN_SIGN_PASSWORD_FILE="$signing/password" >/dev/null
cmake --build "$again" -j"$(nproc)" --target release >/dev/null
cp "$again/$release.iso" "$again/$release.zip" "$signing"
# Signed anew a second later, the release is the same: the signature's time is the release's date.
sleep 1
touch "$signing/cert.p12"
cmake --build "$again" -j"$(nproc)" --target release >/dev/null
for kind in iso zip; do
    cmp "$signing/$release.$kind" "$again/$release.$kind" || fail "signed again, the $kind differs"
done
extract "$again"
programs=$(cd "$again/medium" && find . -name '*.exe' | sort)
[ -n "$programs" ] || fail "the medium holds no program"
for program in $programs; do
    for kind in iso zip; do
        osslsigncode verify -CAfile "$signing/cert.pem" -in "$again/release-contents/$kind/$program" >/dev/null ||
            fail "$program in the $kind is not validly signed"
    done
done
echo "signed: each of the $(echo "$programs" | wc -l) programs in the image and the zip verifies, and signing again gives the same bytes"
