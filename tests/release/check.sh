#!/bin/bash
# tests/release/check.sh <Windows build directory>
# Checks the release that the build made beside its medium: the CD image is labelled QUARN, its
# Joliet and ISO 9660 trees and the zip hold exactly the medium's files. A second build of the same
# sources, in another directory whose path holds a blank, gives the same bytes (programs, image and
# zip), and building it once more with nothing changed does nothing. The medium's driver catalogue
# lists the INF by its SHA-1 hash and name, for Windows 7 to 11. Given a throwaway self-signed
# certificate, that build signs every program and the catalogue in the image and the zip, each
# signature carries its description, signing again a second later gives the same bytes, and Wine's
# catalogue functions read the signed catalogue.
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

# ASCII text as Windows keeps it in a catalogue: UTF-16, little-endian, with its NUL; in hex.
wide() { printf '%s' "$1" | iconv -f ASCII -t UTF-16LE | od -An -tx1 -v | tr -d ' \n' | tr a-f A-F; printf 0000; }

# The driver catalogue of the medium in <dir>: a PKCS #7 SignedData around a certificate trust list
# (the structure read by openssl asn1parse) whose one member is the INF, found by its SHA-1 hash in
# hex, with its name, for Windows 7 to 11.
check_catalogue() {
    local driver=$1/Driver structure hash digests
    structure=$(openssl asn1parse -inform DER -in "$driver/VL_USB.cat") || fail "$driver/VL_USB.cat is not DER"
    [ "$(grep -m1 OBJECT <<<"$structure" | sed 's/.*://')" = pkcs7-signedData ] ||
        fail "$driver/VL_USB.cat is not a PKCS #7 SignedData"
    grep -q "OBJECT *:1.3.6.1.4.1.311.10.1$" <<<"$structure" || fail "$driver/VL_USB.cat holds no certificate trust list"
    hash=$(sha1sum "$driver/VL_USB.INF" | cut -c1-40 | tr a-f A-F)
    # Each member's digest follows its algorithm, SHA-1, and the algorithm's NULL parameters.
    digests=$(awk '/OBJECT *:sha1$/ { getline; getline; sub(/.*:/, ""); print }' <<<"$structure")
    [ "$digests" = "$hash" ] || fail "$driver/VL_USB.cat does not hold VL_USB.INF's hash $hash alone: $digests"
    for text in "$hash" VL_USB.INF 2:6.1,2:6.2,2:6.3,2:10.0; do
        grep -q "$(wide "$text")" <<<"$structure" || fail "$driver/VL_USB.cat does not hold \"$text\""
    done
}

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
check_catalogue "$build/medium"
echo "the medium's catalogue lists VL_USB.INF by its hash, for Windows 7 to 11"

# A second build of the same sources gives the same bytes.
cmake -S "$root" -B "$again" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQUARN_TESTS=OFF \
    -DQUARN_SIGN_PKCS12= -DQUARN_SIGN_PASSWORD_FILE= -DQUARN_SIGN_URL= -DQUARN_SIGN_TIMESTAMP_URL= >/dev/null
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

# Signed with a certificate, every program and the catalogue in the image and the zip verify.
signing=$again/signing
mkdir -p "$signing"
echo "throwaway password" >"$signing/password"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Quarn release check" -days 1 \
    -addext extendedKeyUsage=codeSigning -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -out "$signing/cert.p12" \
    -passout file:"$signing/password"
url=https://quarn.example/
cmake "$again" -DQUARN_SIGN_PKCS12="$signing/cert.p12" -DQUARN_SIGN_PASSWORD_FILE="$signing/password" \
    -DQUARN_SIGN_URL=$url >/dev/null
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
for file in $programs ./Driver/VL_USB.cat; do
    if [ "$file" = ./Driver/VL_USB.cat ]; then description="Quarn driver package"; else description=$(basename "$file" .exe); fi
    for kind in iso zip; do
        report=$(osslsigncode verify -verbose -CAfile "$signing/cert.pem" -in "$again/release-contents/$kind/$file") ||
            fail "$file in the $kind is not validly signed"
        grep -q "Text description: $description$" <<<"$report" && grep -q "URL description: $url$" <<<"$report" ||
            fail "$file in the $kind is not described as $description, $url"
    done
done
for kind in iso zip; do check_catalogue "$again/release-contents/$kind"; done
# osslsigncode 2.8 and later list a catalogue's members too.
listing=$(osslsigncode verify -verbose -CAfile "$signing/cert.pem" -in "$again/release-contents/iso/Driver/VL_USB.cat")
hash=$(sha1sum "$again/release-contents/iso/Driver/VL_USB.INF" | cut -c1-40 | tr a-f A-F)
if grep -q "^Catalog members:" <<<"$listing"; then
    grep -q "File name: VL_USB.INF$" <<<"$listing" && grep -q "Message digest: $hash *$" <<<"$listing" ||
        fail "osslsigncode lists other members in the signed catalogue:"$'\n'"$listing"
else
    echo "(osslsigncode $(osslsigncode --version | sed -n '1s/osslsigncode \([^,]*\).*/\1/p') does not list a catalogue's members)"
fi
echo "signed: each of the $(echo "$programs" | wc -l) programs and the catalogue in the image and the zip verify, with" \
    "their descriptions and the maker's URL; the catalogue lists VL_USB.INF by its hash; signing again gives the same bytes"

# Wine's catalogue functions read the signed catalogue in the image, and find the INF's hash in it:
# the 32-bit test program under the 32-bit Wine of the i386 root (tools/setup.sh makes it).
in_root=()
if [[ $release == *-x86 ]]; then
    if [ ! -d "$("$root/tools/wine/i386-root" --where)" ]; then
        echo "(no i386 root: the 32-bit test program cannot read the signed catalogue under Wine)"
        exit 0
    fi
    in_root=("$root/tools/wine/i386-root")
fi
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
"${in_root[@]}" bash -c '
    "$1/tools/wine/session" start "$2" >/dev/null
    QUARN_SESSION=$2 "$1/tools/wine/run-exe" "$3" "$4" "$5" --gtest_filter="MediumCatalogue.*" >"$6" 2>&1 || status=$?
    "$1/tools/wine/session" stop "$2" >/dev/null
    exit "${status:-0}"' check "$root" "$build/wine-session" "$build/bin/loadkit_e2e_tests.exe" \
    "$(windows_path "$again/release-contents/iso")" "$(windows_path "$signing/e2e-work")" "$signing/wine.log" ||
    status=$?
[ "${status:-0}" = 0 ] && grep -q "^\[  PASSED  \] 1 test" "$signing/wine.log" ||
    fail "under Wine, the signed catalogue in the image does not list the INF:"$'\n'"$(cat "$signing/wine.log")"
echo "under Wine, the platform reads the signed catalogue in the image and finds the INF's hash in it"
