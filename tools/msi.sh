#!/usr/bin/env bash
# Builds the Windows Installer package of one configured Windows build with
# wixl (msitools) from its installed, stripped files:
#   tools/msi.sh BUILD DIR [BUILD_NUMBER]
# writes DIR/tavrin-VERSION-winNN.msi and prints its path. BUILD_NUMBER, the
# third number of the product version, overrides the build's
# TAVRIN_MSI_BUILD (a higher one upgrades an installed package). With
# neither, the number grows with every package: the hours since 2026 began,
# and at least one more than the last package of this build folder.
#
# With TAVRIN_SIGN_CERT and TAVRIN_SIGN_KEY (PEM or DER files;
# TAVRIN_SIGN_PASS the key's password, if any), osslsigncode signs the
# programs and the package; without them both stay unsigned.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
number=${3:-}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [[ ! -f $build/msi/tavrin.wxs || ! -f $build/msi/msi.env ]]; then
    echo "msi.sh: $build is not a configured Windows build (no msi/tavrin.wxs)" >&2
    exit 2
fi
if [[ -n $number && ! $number =~ ^[0-9]+$ ]]; then
    echo "msi.sh: the build number must be a number, not '$number'" >&2
    exit 2
fi
command -v wixl >/dev/null || "$root/tools/install-deps.sh" wixl msitools
# shellcheck source=/dev/null
source "$build/msi/msi.env"

sign() {
    local args=(-certs "$TAVRIN_SIGN_CERT" -key "$TAVRIN_SIGN_KEY" -n Tavrin -h sha256)
    [[ -n ${TAVRIN_SIGN_PASS:-} ]] && args+=(-pass "$TAVRIN_SIGN_PASS")
    osslsigncode sign "${args[@]}" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
}
signing=0
if [[ -n ${TAVRIN_SIGN_CERT:-} && -n ${TAVRIN_SIGN_KEY:-} ]]; then
    command -v osslsigncode >/dev/null || "$root/tools/install-deps.sh" osslsigncode
    signing=1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage" --strip >/dev/null
for f in tavrin.exe tavrin-cli.exe README.md; do
    [[ -f $stage/$f ]] || { echo "msi.sh: $f was not installed from $build" >&2; exit 1; }
done
if ((signing)); then
    sign "$stage/tavrin.exe"
    sign "$stage/tavrin-cli.exe"
fi

mkdir -p "$out"
# wixl takes only relative sources: it runs in the staging folder.
cp "$build/msi/tavrin.wxs" "$stage/"
if [[ -z $number && $MSI_BUILD == 0 ]]; then
    # Windows Installer keeps three numbers up to 65535: hours last 7 years.
    number=$((($(date -u +%s) - $(date -u -d 2026-01-01 +%s)) / 3600))
    last=$(cat "$build/msi/last-build-number" 2>/dev/null || echo 0)
    ((number > last)) || number=$((last + 1))
    ((number <= 65535)) || { echo "msi.sh: the build number passed 65535: raise the version" >&2; exit 1; }
    echo "$number" >"$build/msi/last-build-number"
fi
(cd "$stage" && wixl -a "$MSI_ARCH" -D SourceDir=. -D "MsiBuild=${number:-$MSI_BUILD}" -o "$out/$MSI_NAME" tavrin.wxs)
if ((signing)); then
    sign "$out/$MSI_NAME"
else
    echo "msi.sh: no TAVRIN_SIGN_CERT/TAVRIN_SIGN_KEY: $MSI_NAME and its programs are unsigned" >&2
fi
echo "$out/$MSI_NAME"
