#!/usr/bin/env bash
# Builds the Windows release archives into DIR (default dist/), each in a
# Release cross build of its own, through CPack's ZIP generator:
#   tavrin-VERSION-win32.zip  i686: loads the classic 32-bit winio3.dll
#   tavrin-VERSION-win64.zip  x86_64: needs a 64-bit winio3.dll
# Each holds tavrin.exe (the window), tavrin-cli.exe and the README in a
# folder tavrin-VERSION-winNN. No driver files: they come with the keyboard.
#   tools/package-windows.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dist=$(realpath -m "${1:-dist}")
tools/install-deps.sh g++-mingw-w64-i686 g++-mingw-w64-x86-64
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
mkdir -p "$dist"
for arch in i686 x86_64; do
  build=${BUILD_PREFIX:-build-package-win}-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
  cmake --build "$build" -j"${JOBS:-$(nproc)}" >/dev/null
  rm -rf "$build/package"
  (cd "$build" && cpack --config CPackConfig.cmake -G ZIP >/dev/null)
  for zip in "$build"/package/tavrin-*-win*.zip; do
    rm -f "$dist/$(basename "$zip")"
    cp "$zip" "$dist/"
    echo "$dist/$(basename "$zip")"
  done
done
