#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds everything and runs every
# test. Extra arguments go to CMake, e.g.
#   BUILD_DIR=build-asan tools/test.sh -DTAVRIN_SANITIZE=address,undefined
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
began=$SECONDS
status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)" || status=$?
echo "native suite: $((SECONDS - began)) s"
exit $status
