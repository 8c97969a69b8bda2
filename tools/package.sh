#!/usr/bin/env bash
# Builds the Debian package into dist/ (tavrin_VERSION_ARCH.deb), in a
# Release build of its own. Extra arguments go to CMake.
#   BUILD_DIR=build-package tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh dpkg-dev file
build="${BUILD_DIR:-build-package}"
# The manual pages and the changelog carry the date of the last commit, so
# a rebuild of the same source gives the same files.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH
# Debian's hardening flags, as its own packages are built.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# The package's prefix, so the programs look for the helper where it lands.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_GUI=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DTAVRIN_BUILD_TESTS=OFF -DTAVRIN_MAN_PAGES=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "$@" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}"
rm -rf "$build/package"
(cd "$build" && cpack --config CPackConfig.cmake -G DEB >/dev/null)
mkdir -p dist
rm -f dist/tavrin_*.deb
cp "$build"/package/tavrin_*.deb dist/

# The Windows archives come from the native Windows build; once it has a
# packaging script, its archives are put into dist/ as well.
if [ -x tools/package-windows.sh ]; then
  tools/package-windows.sh dist
fi
ls -l dist
