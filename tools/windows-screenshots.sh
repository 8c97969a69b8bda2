#!/usr/bin/env bash
# Regenerates docs/screenshots/windows/*.png from the real tavrin.exe under
# Wine and Xvfb on the simulated keyboard: tavrin_window_shots brings up the
# three pages of SSTab2 and the dialogs and copies each from the screen into
# a BMP; ImageMagick turns them into PNGs. Wine draws the window frames
# itself, in a virtual desktop, as Windows would.
#
#   bash tools/windows-screenshots.sh
# TAVRIN_WIN32_BUILD / TAVRIN_WIN_BUILD choose the build folders (default
# build-win32, build-win).

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tools/wine-env.sh"
probe_wine32
# The pictures are the same from either build; the 64-bit one where the
# kernel runs no 32-bit programs.
if ((WINE32_RUNS)); then
    ARCH=i686 BUILD=${TAVRIN_WIN32_BUILD:-$ROOT/build-win32} WINE=$WINE32
else
    echo "windows-screenshots: ${WINE32_WHY%%:*}: the x86_64 build instead" >&2
    ARCH=x86_64 BUILD=${TAVRIN_WIN_BUILD:-$ROOT/build-win} WINE=$WINE64
fi
OUT=$ROOT/docs/screenshots/windows
JOBS=${TAVRIN_JOBS:-2}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
command -v convert >/dev/null || { echo "windows-screenshots: needs ImageMagick (convert)" >&2; exit 1; }

if [[ ! -f $BUILD/CMakeCache.txt ]]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$ARCH.cmake" \
        -DCMAKE_BUILD_TYPE=Release "${LAUNCHER[@]}" >"$BUILD.configure.log"
fi
nice -n 5 cmake --build "$BUILD" -j "$JOBS" --target tavrin_win tavrin_window_shots >"$BUILD.shots.log"

WORK=$(mktemp -d /tmp/tavrin-windows-shots.XXXXXX)
source "$ROOT/tools/xvfb.sh"
cleanup() {
    WINEPREFIX=$WORK/prefix wineserver -k >/dev/null 2>&1 || true
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT
start_xvfb 1280x1024x24 "$WORK/xvfb.log" || { echo "windows-screenshots: no Xvfb" >&2; exit 1; }

export WINEPREFIX=$WORK/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$WINE
timeout 300 "$WINE64" wineboot -i >"$WORK/wineboot.log" 2>&1
timeout 60 wineserver -w

mkdir -p "$WORK/shots"
SHOTS=$(winpath "$WORK/shots")
EXE=$(winpath "$BUILD/winui/tavrin.exe")
timeout 300 "$WINE" explorer /desktop=shots,1024x768 \
    "$(winpath "$BUILD/tests/win32/tavrin_window_shots.exe")" "$EXE" "$SHOTS" \
    >"$WORK/shots.log" 2>&1 || true
# explorer does not pass the exit code on: every picture must be there.
names=(frmMsr_msr_1 frmMsr_msr_2 frmMsr_msr_basic frmAbout frmPrePost_characters
    frmPrePost_scan_codes InputBox_number MsgBox_number_error frmWaiting MsgBox_write_successful)
missing=()
for name in "${names[@]}"; do
    [[ -s $WORK/shots/$name.bmp ]] || missing+=("$name")
done
if ((${#missing[@]} > 0)); then
    cat "$WORK/shots.log" >&2
    echo "windows-screenshots: no picture of ${missing[*]}" >&2
    exit 1
fi
mkdir -p "$OUT"
rm -f "$OUT"/*.png
for name in "${names[@]}"; do
    convert "$WORK/shots/$name.bmp" -strip "PNG24:$OUT/$name.png"
done
ls "$OUT"
