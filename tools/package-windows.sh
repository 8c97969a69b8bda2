#!/usr/bin/env bash
# Builds the Windows release archives and installer packages into DIR
# (default dist/), each architecture in a Release cross build of its own:
#   tavrin-VERSION-win32.zip/.msi  i686: loads the classic 32-bit winio3.dll
#   tavrin-VERSION-win64.zip/.msi  x86_64: needs a 64-bit winio3.dll
# A zip (CPack) holds tavrin.exe (the window), tavrin-cli.exe and the README
# in a folder tavrin-VERSION-winNN; the .msi (wixl, tools/msi.sh) installs
# them per machine into Program Files with Start-menu shortcuts. No driver
# files: they come with the keyboard.
#   tools/package-windows.sh [DIR]
# TAVRIN_MSI_BUILD raises the packages' version (1.7.N); TAVRIN_SIGN_CERT and
# TAVRIN_SIGN_KEY sign the programs and packages (osslsigncode).
set -euo pipefail
cd "$(dirname "$0")/.."
dist=$(realpath -m "${1:-dist}")
signer=()
if [[ -n ${TAVRIN_SIGN_CERT:-} && -n ${TAVRIN_SIGN_KEY:-} ]]; then
  signer=(osslsigncode)
fi
tools/install-deps.sh g++-mingw-w64-i686 g++-mingw-w64-x86-64 wixl msitools "${signer[@]}"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
mkdir -p "$dist"
for arch in i686 x86_64; do
  build=${BUILD_PREFIX:-build-package-win}-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=OFF -DTAVRIN_MSI_BUILD="${TAVRIN_MSI_BUILD:-0}" \
    "${launcher[@]}" >/dev/null
  cmake --build "$build" -j"${JOBS:-$(nproc)}" >/dev/null
  rm -rf "$build/package"
  (cd "$build" && cpack --config CPackConfig.cmake -G ZIP >/dev/null)
  for zip in "$build"/package/tavrin-*-win*.zip; do
    rm -f "$dist/$(basename "$zip")"
    cp "$zip" "$dist/"
    echo "$dist/$(basename "$zip")"
  done
  tools/msi.sh "$build" "$dist" ${TAVRIN_MSI_BUILD:-}
done
