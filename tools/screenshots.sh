#!/usr/bin/env bash
# Regenerates the pictures of the window and its dialogs in docs/screenshots/:
# builds tavrin if needed, then lets it draw every form off screen against
# the simulated keyboard.
#   BUILD_DIR=build-gui tools/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
out="docs/screenshots"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target tavrin -j"${JOBS:-2}"
mkdir -p "$out"
rm -f "$out"/*.png
# The off-screen platform has no window manager: its notes about size
# hints and raising windows say nothing about the pictures.
QT_QPA_PLATFORM=offscreen "$build/gui/tavrin" --screenshots "$out" \
  2> >(grep -v -e 'does not support propagateSizeHints' -e 'does not support raise' >&2)
