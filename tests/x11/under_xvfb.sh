#!/bin/sh
# Runs the window's title checks on a private X server with a window
# manager, reading every title as the window manager does: _NET_WM_NAME.
#   under_xvfb.sh TAVRIN X11_TESTS [gtest options]
# First the program itself on the simulated keyboard, then the test
# program with each dialog. Exit 77 (skipped) without Xvfb, openbox or xprop.
set -u
tavrin=$1
tests=$2
shift 2
for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (tools/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb=""
wm=""
app=""
cleanup() {
  for pid in $app $wm $xvfb; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Up to $1 tries 0.1 s apart until the command succeeds.
retry() {
  tries=$1
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
retry 100 test -s "$work/display" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY
export QT_QPA_PLATFORM=xcb
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
retry 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  { echo "openbox did not start"; cat "$work/openbox.log"; exit 1; }

# The program's main window, found among the window manager's clients by
# its class once its start-up read is done.
"$tavrin" --simulate --sim-image "$work/keyboard.bin" >"$work/tavrin.log" 2>&1 &
app=$!
main_name() {
  for id in $(xprop -root _NET_CLIENT_LIST | sed -n 's/.*# //p' | tr ',' ' '); do
    if xprop -id "$id" WM_CLASS 2>/dev/null | grep -q '"tavrin"'; then
      name=$(xprop -notype -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = //p')
      case $name in
        '"Tavrin Version'*) echo "$name"; return 0 ;;
      esac
    fi
  done
  return 1
}
retry 300 main_name || { echo "the main window did not appear"; cat "$work/tavrin.log"; exit 1; }
name=$(main_name)
echo "tavrin main window _NET_WM_NAME = $name"
if [ "$name" != '"Tavrin Version 1.7G"' ]; then
  echo "FAILED: the title is not exactly \"Tavrin Version 1.7G\""
  exit 1
fi
kill "$app"
wait "$app" 2>/dev/null
app=""

"$tests" "$@"
