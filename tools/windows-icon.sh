#!/usr/bin/env bash
# Makes packaging/windows/tavrin.ico, the Windows programs' icon, from the
# PNGs the window's own drawing code renders (tavrin_render_icon, a host
# build with Qt) at the sizes Windows asks for, packed by ImageMagick. The
# cross build embeds the committed file: it has no host Qt to draw with.
#   tools/windows-icon.sh            (BUILD_DIR=build-icon by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-icon}
tools/install-deps.sh imagemagick
cmake -S . -B "$build" -DTAVRIN_BUILD_GUI=ON -DTAVRIN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target tavrin_render_icon >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 24 32 48 64 128 256)
QT_QPA_PLATFORM=offscreen "$build/packaging/tavrin_render_icon" "$work" tavrin "${sizes[@]}"
pngs=()
for size in "${sizes[@]}"; do
    pngs+=("$work/${size}x${size}/apps/tavrin.png")
done
# No timestamps or comments: the same drawing gives the same bytes.
convert "${pngs[@]}" -strip packaging/windows/tavrin.ico
identify packaging/windows/tavrin.ico
