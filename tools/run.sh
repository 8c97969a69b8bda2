#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tavrin on the simulated
# keyboard: the window when a display is there, otherwise the headless tool.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/gui/tavrin ]; then
  exec build/gui/tavrin --simulate --sim-image build/simulated-keyboard.bin "$@"
fi
echo "No display: reading the simulated keyboard with tavrin-cli instead."
exec build/cli/tavrin-cli --simulate --sim-image build/simulated-keyboard.bin read "$@"
