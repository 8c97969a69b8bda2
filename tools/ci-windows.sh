#!/usr/bin/env bash
# Cross-builds Tavrin for 64-bit Windows with mingw-w64 and runs it under
# Wine: the core test suites, the tests of the Windows backends (real
# keyboard hook, message pump and WinIo loader against the project's own
# test double of winio3.dll), and tavrin-cli.exe compared with the native
# tavrin-cli. Installs what it needs with apt-get. Closes with
# "N passed, M failed" and exits non-zero on any failure.
#
#   bash tools/ci-windows.sh
# TAVRIN_WIN_BUILD / TAVRIN_WIN_NATIVE_BUILD choose the build folders
# (default build-win and build-winnative in the work tree).

set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TAVRIN_WIN_BUILD:-$ROOT/build-win}
NATIVE=${TAVRIN_WIN_NATIVE_BUILD:-$ROOT/build-winnative}
JOBS=${TAVRIN_JOBS:-2}
STARTED=$(date +%s)

passed=0
failed=0
failures=()

say() { echo "== $*"; }
pass() {
    passed=$((passed + 1))
    echo "PASS: $1"
}
fail() {
    failed=$((failed + 1))
    failures+=("$1")
    echo "FAIL: $1"
}
finish() {
    echo
    if ((failed > 0)); then
        printf 'failed: %s\n' "${failures[@]}"
    fi
    echo "time: $(($(date +%s) - STARTED)) s"
    echo "$passed passed, $failed failed"
    if ((failed > 0)); then
        exit 1
    fi
    exit 0
}

# --- Packages ----------------------------------------------------------------
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
command -v wine >/dev/null || need+=(wine wine64)
[[ -x /usr/lib/wine/wine64 ]] || need+=(wine64)
command -v Xvfb >/dev/null || need+=(xvfb)
[[ -f /usr/src/googletest/CMakeLists.txt ]] || need+=(googletest)
[[ -f /usr/include/CLI/CLI.hpp ]] || need+=(libcli11-dev)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
command -v perl >/dev/null || need+=(perl)
if ((${#need[@]} > 0)); then
    say "installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! { apt-get update -qq && apt-get install -y -qq "${need[@]}" >/dev/null; }; then
        fail "apt-get install ${need[*]}"
        finish
    fi
fi

# --- Builds ------------------------------------------------------------------
say "cross build in $BUILD"
if ! cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >"$BUILD.configure.log" 2>&1; then
    tail -30 "$BUILD.configure.log"
    fail "cross configure"
    finish
fi
if ! cmake --build "$BUILD" -j "$JOBS" >"$BUILD.build.log" 2>&1; then
    grep -E "error|Error" "$BUILD.build.log" | head -40
    fail "cross build"
    finish
fi
pass "cross build"

if [[ ! -x "$NATIVE/cli/tavrin-cli" ]]; then
    say "native tavrin-cli in $NATIVE"
    if ! { cmake -S "$ROOT" -B "$NATIVE" -DTAVRIN_BUILD_GUI=OFF -DTAVRIN_BUILD_TESTS=OFF \
        -DCMAKE_BUILD_TYPE=Release && cmake --build "$NATIVE" -j "$JOBS" --target tavrin-cli; } \
        >"$NATIVE.build.log" 2>&1; then
        tail -30 "$NATIVE.build.log"
        fail "native tavrin-cli build"
        finish
    fi
fi
NATIVE_CLI=$NATIVE/cli/tavrin-cli
CLI_EXE=$BUILD/cli/tavrin-cli.exe
W32=$BUILD/tests/win32
for f in "$CLI_EXE" "$W32/tavrin_win32_tests.exe" "$W32/double/winio3.dll" \
    "$W32/msinfo_stand_in.exe"; do
    [[ -f "$f" ]] || { fail "built file missing: $f"; finish; }
done

# --- Wine and a display --------------------------------------------------------
WORK=$(mktemp -d /tmp/tavrin-ci-windows.XXXXXX)
export WINEPREFIX=$WORK/prefix
export WINEARCH=win64
# Each program runs under the loader of its own architecture: with wine32
# beside wine64, plain `wine` is the 32-bit loader, and the reg.exe it
# starts writes the 32-bit registry view that a 64-bit program never reads.
WINE=/usr/lib/wine/wine64
[[ -x $WINE ]] || WINE=$(command -v wine64 || command -v wine)
export WINELOADER=$WINE
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TAVRIN_UNIX_EUID=$(id -u)
XVFB_PID=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT

for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
        [[ -e /tmp/.X11-unix/X$n ]] && break
        sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null && [[ -e /tmp/.X11-unix/X$n ]]; then
        export DISPLAY=":$n"
        break
    fi
    XVFB_PID=
done
[[ -n "$XVFB_PID" ]] || { fail "Xvfb"; finish; }

say "fresh Wine prefix $WINEPREFIX on $DISPLAY"
if ! timeout 300 "$WINE" wineboot -i >"$WORK/wineboot.log" 2>&1; then
    tail -20 "$WORK/wineboot.log"
    fail "wineboot"
    finish
fi
timeout 60 wineserver -w

winpath() { timeout 30 winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# A GoogleTest program under Wine: every case counts.
run_suite() {
    local name=$1 limit=$2
    shift 2
    local log=$WORK/$name.log
    timeout "$limit" "$WINE" "$@" >"$log" 2>&1
    local rc=$?
    local ok bad
    ok=$(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -1)
    bad=$(grep -oE '^ ?[0-9]+ FAILED TESTS?' "$log" | grep -oE '[0-9]+' | tail -1)
    ok=${ok:-0}
    bad=${bad:-0}
    passed=$((passed + ok))
    failed=$((failed + bad))
    echo "$name: $ok passed, $bad failed (exit $rc)"
    if ((bad > 0)); then
        grep -E '^\[  FAILED  \]' "$log" | sort -u | sed 's/^/    /'
        failures+=("$name")
    fi
    if ((rc != 0 && bad == 0)); then
        tail -20 "$log"
        fail "$name ended with exit $rc (124: timeout)"
    fi
}

# --- The core suites and the Windows backends ----------------------------------
say "core suites"
for exe in "$BUILD"/tests/tavrin_*_tests.exe; do
    run_suite "$(basename "$exe" .exe)" 600 "$exe"
done

say "Windows backends"
run_suite tavrin_win32_tests 600 "$W32/tavrin_win32_tests.exe" '--gtest_filter=-ScriptedSysInfo.*'

# --- StartSysInfo against values set with `wine reg add` -------------------------
say "system information viewer"
MSINFO_KEY='HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO'
LOCATION_KEY='HKLM\SOFTWARE\Microsoft\Shared Tools Location'
sysinfo() {
    local label=$1 expect=$2
    if TAVRIN_SYSINFO_EXPECT=$expect timeout 120 "$WINE" "$W32/tavrin_win32_tests.exe" \
        '--gtest_filter=ScriptedSysInfo.*' >"$WORK/sysinfo.log" 2>&1 &&
        grep -q '^\[  PASSED  \] 1 test' "$WORK/sysinfo.log"; then
        pass "StartSysInfo: $label"
    else
        tail -15 "$WORK/sysinfo.log"
        fail "StartSysInfo: $label"
    fi
}
reg() { timeout 60 "$WINE" reg "$@" >/dev/null 2>&1; }
reg delete "$MSINFO_KEY" /f
reg delete "$LOCATION_KEY" /f
sysinfo "no registry values" none

mkdir -p "$WORK/viewer" "$WORK/msinfo folder" "$WORK/empty folder"
cp "$W32/msinfo_stand_in.exe" "$WORK/viewer/viewer.exe"
cp "$W32/msinfo_stand_in.exe" "$WORK/msinfo folder/MSINFO32.EXE"
VIEWER=$(winpath "$WORK/viewer/viewer.exe")
FOLDER=$(winpath "$WORK/msinfo folder")
EMPTY=$(winpath "$WORK/empty folder")

reg add "$LOCATION_KEY" /v MSINFO /t REG_SZ /d "$FOLDER" /f
sysinfo "folder value with MSINFO32.EXE" "$FOLDER\\MSINFO32.EXE"
reg add "$MSINFO_KEY" /v PATH /t REG_SZ /d "$VIEWER" /f
sysinfo "PATH value first" "$VIEWER"
reg delete "$MSINFO_KEY" /f
reg add "$LOCATION_KEY" /v MSINFO /t REG_SZ /d "$EMPTY" /f
sysinfo "folder value without MSINFO32.EXE" none
reg delete "$LOCATION_KEY" /f

# --- tavrin-cli.exe against the native tavrin-cli --------------------------------
say "tavrin-cli.exe"
FILES=$WORK/files
mkdir -p "$FILES"
perl -e '
    my $dir = shift;
    sub put { my ($name, @v) = @_; open(my $f, ">:raw", "$dir/$name") or die;
              print $f pack("V*", @v); close $f; }
    put("sample.bin", 0x55, 0xAA, map { ($_ * 29 + 0x3C) & 0xFF } 2 .. 127);
    my $x = 12345; my @r;
    for (2 .. 127) { $x = ($x * 1103515245 + 12345) % 2147483648; push @r, ($x >> 16) & 0xFF; }
    put("random.bin", 0x55, 0xAA, @r);
    put("zero.bin", (0) x 128);
    put("short.bin", 0x55, 0xAA);
    put("longer.bin", 0x55, 0xAA, map { ($_ * 7) & 0xFF } 2 .. 127, 1 .. 22);
' "$FILES" || fail "test files"

# The same bytes on both streams and the same exit code.
compare_show() {
    local name=$1
    local file=$FILES/$name
    (cd "$FILES" && "$NATIVE_CLI" show "$name" >"$WORK/native.out" 2>"$WORK/native.err")
    local nrc=$?
    (cd "$FILES" && timeout 60 "$WINE" "$CLI_EXE" show "$name" >"$WORK/wine.out" 2>"$WORK/wine.err")
    local wrc=$?
    if [[ $nrc == "$wrc" ]] && [[ -s "$WORK/native.out" || $nrc != 0 ]] &&
        cmp -s "$WORK/native.out" "$WORK/wine.out" &&
        cmp -s "$WORK/native.err" "$WORK/wine.err"; then
        pass "show $name: as native (exit $nrc)"
    else
        echo "native exit $nrc, wine exit $wrc"
        diff <(cat "$WORK/native.out" "$WORK/native.err") \
            <(cat "$WORK/wine.out" "$WORK/wine.err") | head -10
        fail "show $name"
    fi
}
for name in sample.bin random.bin zero.bin short.bin longer.bin missing.bin; do
    compare_show "$name"
done

# A program folder as shipped: the driver's source files, no working names.
# Start-up deploys them (program folder and Wine's system directory), opens
# the double and the read comes back through the keyboard hook.
SYS32=$WINEPREFIX/drive_c/windows/system32
PROG=$WORK/program
mkdir -p "$PROG"
cp "$CLI_EXE" "$PROG/"
cp "$W32/double/winio3.dll" "$PROG/winiodll3"
for src in winiodll winiosys winiosys3 winio.vxd; do
    echo "shipped $src" >"$PROG/$src"
done
rm -f "$SYS32"/winio.dll "$SYS32"/winio.sys "$SYS32"/winio3.dll "$SYS32"/winio3.sys "$SYS32"/winio.vxd
TAVRIN_WINIO_EEPROM=$(winpath "$FILES/random.bin") TAVRIN_WINIO_LOG=$(winpath "$WORK/read.wire") \
    timeout 120 "$WINE" "$PROG/tavrin-cli.exe" read >"$WORK/read.out" 2>"$WORK/read.err"
rc=$?
"$NATIVE_CLI" show "$FILES/random.bin" >"$WORK/random.native" 2>/dev/null
if [[ $rc == 0 ]] && cmp -s "$WORK/random.native" <(tr -d '\r' <"$WORK/read.out") &&
    grep -q "Read setting from EEPROM success!" "$WORK/read.err"; then
    pass "read through the double and the keyboard hook shows the keyboard's settings"
else
    echo "exit $rc"
    cat "$WORK/read.err"
    fail "read through the double and the keyboard hook"
fi
if [[ "$(tr -d '\r\n' <"$WORK/read.wire")" == "E755AAE363E352E6" ]]; then
    pass "read command on the wire"
else
    fail "read command on the wire: $(tr '\r\n' '  ' <"$WORK/read.wire")"
fi
deploy_ok=1
cmp -s "$PROG/winio3.dll" "$W32/double/winio3.dll" || deploy_ok=0
cmp -s "$SYS32/winio3.dll" "$W32/double/winio3.dll" || deploy_ok=0
for pair in "winio.dll:winiodll" "winio.sys:winiosys" "winio3.sys:winiosys3"; do
    cmp -s "$PROG/${pair%%:*}" "$PROG/${pair##*:}" || deploy_ok=0
    cmp -s "$SYS32/${pair%%:*}" "$PROG/${pair##*:}" || deploy_ok=0
done
cmp -s "$SYS32/winio.vxd" "$PROG/winio.vxd" || deploy_ok=0
if ((deploy_ok)); then
    pass "driver files deployed into the program folder and the system directory"
else
    ls -l "$PROG" "$SYS32"/winio* 2>&1 | head -20
    fail "driver deployment"
fi

# The whole-image write: the bytes the double saw are those the native tool
# sends to its simulated keyboard.
TAVRIN_WINIO_LOG=$(winpath "$WORK/write.wire") \
    timeout 120 "$WINE" "$PROG/tavrin-cli.exe" write "$(winpath "$FILES/sample.bin")" \
    >"$WORK/write.out" 2>"$WORK/write.err"
rc=$?
"$NATIVE_CLI" --simulate --wire-log "$WORK/native.wire" write "$FILES/sample.bin" \
    >/dev/null 2>&1
tr -d '\r' <"$WORK/write.wire" >"$WORK/write.bytes"
awk '{ print $2 }' "$WORK/native.wire" >"$WORK/native.bytes"
if [[ $rc == 0 ]] && grep -q "Write to EEPROM Successful!" "$WORK/write.err" &&
    [[ $(wc -l <"$WORK/native.bytes") -gt 100 ]] && cmp -s "$WORK/native.bytes" "$WORK/write.bytes"; then
    pass "whole-image write: $(wc -l <"$WORK/write.bytes") bytes as the native tool sends them"
else
    echo "exit $rc; $(wc -l <"$WORK/write.bytes") bytes against $(wc -l <"$WORK/native.bytes")"
    diff "$WORK/native.bytes" "$WORK/write.bytes" | head -10
    fail "whole-image write through the double"
fi

# No library at all: the open fails, its repair finds nothing to copy, the
# read reports its error; nothing crashes and show still works.
BARE=$WORK/bare
mkdir -p "$BARE"
cp "$CLI_EXE" "$BARE/"
rm -f "$SYS32"/winio*
timeout 120 "$WINE" "$BARE/tavrin-cli.exe" read >"$WORK/bare.out" 2>"$WORK/bare.err"
rc=$?
if [[ $rc != 0 && $rc -lt 100 ]] && grep -q "Read setting from EEPROM error!" "$WORK/bare.err" &&
    [[ ! -e "$BARE/winio3.dll" ]]; then
    pass "no library: failed open, failed read reported (exit $rc)"
else
    echo "exit $rc"
    cat "$WORK/bare.err"
    fail "no library"
fi
(cd "$FILES" && timeout 60 "$WINE" "$BARE/tavrin-cli.exe" show sample.bin >"$WORK/bare-show.out" 2>&1)
if cmp -s <(cd "$FILES" && "$NATIVE_CLI" show sample.bin 2>&1) <(tr -d '\r' <"$WORK/bare-show.out"); then
    pass "no library: show works"
else
    fail "no library: show"
fi

finish
