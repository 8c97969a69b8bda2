#!/bin/sh
# tavrin --help and --version print and exit 0 with no display at all;
# --help-all, which lists the window system's options, needs one.
# Arguments: the program, its version.
tavrin=$1
nodisplay="env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"
help=$($nodisplay "$tavrin" --help) || { echo "--help exited with $?"; exit 1; }
printf '%s\n' "$help" | grep -q '^Usage: .*tavrin' || { echo "no usage line:"; echo "$help"; exit 1; }
printf '%s\n' "$help" | grep -q -- '--sim-image' || { echo "no options:"; echo "$help"; exit 1; }
version=$($nodisplay "$tavrin" --version) || { echo "--version exited with $?"; exit 1; }
[ "$version" = "Tavrin Version $2" ] || { echo "unexpected version: $version"; exit 1; }
all=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 60 "$tavrin" --help-all) ||
  { echo "--help-all exited with $?"; exit 1; }
printf '%s\n' "$all" | grep -q -- '-platform' || { echo "--help-all without Qt's options:"; echo "$all"; exit 1; }
echo "ok"
