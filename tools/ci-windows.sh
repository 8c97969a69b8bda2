#!/usr/bin/env bash
# Cross-builds Tavrin for 32-bit (i686) and 64-bit (x86_64) Windows with
# mingw-w64 and runs them under Wine, each architecture in turn: the core
# test suites (they run in seconds, but building them costs about 3 minutes a
# cold architecture, so by default they run in the first architecture that
# runs here: i686, the build to recommend, or x86_64 where 32-bit programs do
# not run; TAVRIN_WIN_CORE_ARCHS chooses), the tests of the Windows backends (real
# keyboard hook, message pump, registry views and WinIo loader against the
# project's own test double of winio3.dll, built for each architecture), and
# tavrin-cli.exe compared with the native tavrin-cli, including each build
# refusing the other architecture's winio3.dll, and the window tavrin.exe
# driven from outside by tavrin_window_tests (its dialogs, the start-up read
# through the keyboard hook, the write's bytes). Installs what it needs with
# apt-get. Closes with "N passed, M failed" and exits non-zero on any failure.
#
#   bash tools/ci-windows.sh
# TAVRIN_WIN32_BUILD / TAVRIN_WIN_BUILD / TAVRIN_WIN_NATIVE_BUILD choose the
# build folders (default build-win32, build-win and build-winnative in the
# work tree); TAVRIN_WIN_ARCHS limits the architectures.
#
# The kernel may refuse 32-bit programs: the 32-bit loader is probed once,
# and where it cannot run, the i686 programs are still built and their PE
# headers checked, their runs skipped with the reason. The x86_64 part
# starts no 32-bit process. TAVRIN_WINE32_UNRUNNABLE=1 tries that path on
# any machine (tools/wine-env.sh: without_wine32).

set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tools/wine-env.sh"
if [[ ${TAVRIN_WINE32_UNRUNNABLE:-0} == 1 ]]; then
    TAVRIN_WINE32_UNRUNNABLE=0 without_wine32 bash "$ROOT/tools/ci-windows.sh" "$@"
    exit
fi
NATIVE=${TAVRIN_WIN_NATIVE_BUILD:-$ROOT/build-winnative}
ARCHS=${TAVRIN_WIN_ARCHS:-i686 x86_64}
# TAVRIN_WIN_BACKENDS_ONLY=1 leaves out the window and the MSI (a second run
# of a path the first run has shown them on).
BACKENDS_ONLY=${TAVRIN_WIN_BACKENDS_ONLY:-0}
JOBS=${TAVRIN_JOBS:-2}
STARTED=$(date +%s)

# Per architecture: build folder, Wine loader (each program runs under the
# loader of its own architecture), registry view, and the folder that a
# program of that architecture sees as the system directory.
build_dir() {
    case $1 in
    i686) echo "${TAVRIN_WIN32_BUILD:-$ROOT/build-win32}" ;;
    x86_64) echo "${TAVRIN_WIN_BUILD:-$ROOT/build-win}" ;;
    esac
}
loader() {
    case $1 in
    i686) echo "$WINE32" ;;
    x86_64) echo "$WINE64" ;;
    esac
}
registry_view() {
    case $1 in
    i686) echo 32 ;;
    x86_64) echo 64 ;;
    esac
}
system_dir() {
    case $1 in
    i686) echo syswow64 ;;
    x86_64) echo system32 ;;
    esac
}
other_arch() {
    case $1 in
    i686) echo x86_64 ;;
    x86_64) echo i686 ;;
    esac
}
# The machine field of a PE image's file header, as four hex digits.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [[ -n $offset && $(od -An -c -j"$offset" -N4 "$1" | tr -d ' ') == 'PE\0\0' ]] || { echo none; return; }
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
pe_machine_of() {
    case $1 in
    i686) echo 014c ;;
    x86_64) echo 8664 ;;
    esac
}
is_core_arch() { [[ " $CORE_ARCHS " == *" $1 "* ]]; }

passed=0
failed=0
skipped=0
skips=()
failures=()
timings=()

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
    ((${#timings[@]} > 0)) && printf 'time %s\n' "${timings[@]}"
    ((${#skips[@]} > 0)) && printf 'skipped: %s\n' "${skips[@]}"
    echo "time: $(($(date +%s) - STARTED)) s"
    echo "$passed passed, $failed failed, $skipped skipped"
    if ((failed > 0)); then
        exit 1
    fi
    exit 0
}
lap() {
    local now
    now=$(date +%s)
    timings+=("$1: $((now - LAP)) s")
    LAP=$now
}
LAP=$STARTED

# --- Packages ----------------------------------------------------------------
need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
command -v wine >/dev/null || need+=(wine)
[[ -x $WINE64 ]] || need+=(wine64)
# wine32 installs on any machine of this kind, whether or not its kernel
# then runs it.
[[ -e /usr/lib/wine/wine ]] || need+=(wine32:i386)
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
    # Debian's 32-bit Wine comes from the i386 architecture.
    if [[ " ${need[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq || echo "== some package indexes could not be fetched; installing from the others"
    if ! apt-get install -y -qq "${need[@]}" >/dev/null; then
        # Without the i386 index (a mirror mid-sync) wine32 cannot come:
        # the x86_64 suites still run, and the probe below says so.
        rest=()
        for p in "${need[@]}"; do [[ $p == *:i386 ]] || rest+=("$p"); done
        if ((${#rest[@]} == ${#need[@]})) || ! apt-get install -y -qq "${rest[@]}" >/dev/null; then
            fail "apt-get install ${need[*]}"
            finish
        fi
        echo "== wine32:i386 could not be installed from Debian's archive now"
    fi
fi
probe_wine32
RUN_ARCHS=
for arch in $ARCHS; do
    if [[ $arch == i686 ]] && ((!WINE32_RUNS)); then
        echo "== $WINE32_WHY"
    else
        RUN_ARCHS+=" $arch"
    fi
done
first_run_arch=${RUN_ARCHS# }
CORE_ARCHS=${TAVRIN_WIN_CORE_ARCHS-${first_run_arch%% *}}

LAUNCHER=()
if command -v ccache >/dev/null; then
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# --- Builds ------------------------------------------------------------------
# The core suites only where they run; elsewhere the programs the Windows
# part needs.
WINDOWS_TARGETS=(tavrin-cli tavrin_win tavrin_window_tests tavrin_win32_tests tavrin_winui_tests
    winio3_double winio3_partial msinfo_stand_in)
for arch in $ARCHS; do
    BUILD=$(build_dir "$arch")
    say "cross build $arch in $BUILD"
    if ! cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release "${LAUNCHER[@]}" >"$BUILD.configure.log" 2>&1; then
        tail -30 "$BUILD.configure.log"
        fail "cross configure $arch"
        finish
    fi
    targets=()
    is_core_arch "$arch" || targets=(--target "${WINDOWS_TARGETS[@]}")
    if ! nice -n 5 cmake --build "$BUILD" -j "$JOBS" "${targets[@]}" >"$BUILD.build.log" 2>&1; then
        grep -E "error|Error" "$BUILD.build.log" | head -40
        fail "cross build $arch"
        finish
    fi
    pass "cross build $arch"
    W32=$BUILD/tests/win32
    for f in "$BUILD/cli/tavrin-cli.exe" "$BUILD/winui/tavrin.exe" "$W32/tavrin_win32_tests.exe" \
        "$W32/tavrin_window_tests.exe" "$W32/double/winio3.dll" "$W32/msinfo_stand_in.exe"; do
        [[ -f "$f" ]] || { fail "built file missing: $f"; finish; }
    done
    # Each program and library is a PE image of its own architecture.
    wrong=()
    for f in "$BUILD/cli/tavrin-cli.exe" "$BUILD/winui/tavrin.exe" "$W32/double/winio3.dll"; do
        [[ $(pe_machine "$f") == "$(pe_machine_of "$arch")" ]] || wrong+=("$(basename "$f"): $(pe_machine "$f")")
    done
    if ((${#wrong[@]} == 0)); then
        pass "$arch PE headers: machine $(pe_machine_of "$arch")"
    else
        fail "$arch PE headers: ${wrong[*]}"
    fi
    lap "cross build $arch"
done

if [[ ! -x "$NATIVE/cli/tavrin-cli" ]]; then
    say "native tavrin-cli in $NATIVE"
    if ! { cmake -S "$ROOT" -B "$NATIVE" -DTAVRIN_BUILD_GUI=OFF -DTAVRIN_BUILD_TESTS=OFF \
        -DCMAKE_BUILD_TYPE=Release "${LAUNCHER[@]}" && cmake --build "$NATIVE" -j "$JOBS" --target tavrin-cli; } \
        >"$NATIVE.build.log" 2>&1; then
        tail -30 "$NATIVE.build.log"
        fail "native tavrin-cli build"
        finish
    fi
fi
NATIVE_CLI=$NATIVE/cli/tavrin-cli

# --- Wine and a display --------------------------------------------------------
WORK=$(mktemp -d /tmp/tavrin-ci-windows.XXXXXX)
export WINEPREFIX=$WORK/prefix
export WINEARCH=win64
# One 64-bit prefix runs both architectures; each program runs under the
# loader of its own architecture (see loader above).
WINE=$WINE64
export WINELOADER=$WINE
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export TAVRIN_UNIX_EUID=$(id -u)
source "$ROOT/tools/xvfb.sh"
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT

start_xvfb 1024x768x24 "$WORK/xvfb.log" || { fail "Xvfb"; finish; }

say "fresh Wine prefix $WINEPREFIX on $DISPLAY"
# A fresh prefix's first boot now and then fails to load kernel32.dll
# (seen right after another prefix's wineserver went down): once more,
# from scratch.
if ! timeout 300 "$WINE" wineboot -i >"$WORK/wineboot.log" 2>&1; then
    wineserver -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    if ! timeout 300 "$WINE" wineboot -i >>"$WORK/wineboot.log" 2>&1; then
        tail -20 "$WORK/wineboot.log"
        fail "wineboot"
        finish
    fi
fi
timeout 60 wineserver -w

# A GoogleTest program under Wine: every case counts.
run_suite() {
    local name=$1 limit=$2
    shift 2
    local log=$WORK/$ARCH-$name.log
    # Each suite starts with an empty temporary folder: a file one left
    # read-only must not meet another suite's folder of the same name.
    rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp/* "$WINEPREFIX"/drive_c/users/*/Temp/*
    timeout "$limit" "$WINE" "$@" >"$log" 2>&1
    local rc=$?
    local ok bad
    ok=$(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -1)
    bad=$(grep -oE '^ ?[0-9]+ FAILED TESTS?' "$log" | grep -oE '[0-9]+' | tail -1)
    ok=${ok:-0}
    bad=${bad:-0}
    passed=$((passed + ok))
    failed=$((failed + bad))
    echo "$ARCH $name: $ok passed, $bad failed (exit $rc)"
    if ((bad > 0)); then
        grep -E '^\[  FAILED  \]' "$log" | sort -u | sed 's/^/    /'
        failures+=("$ARCH $name")
    fi
    if ((rc != 0 && bad == 0)); then
        tail -20 "$log"
        fail "$ARCH $name ended with exit $rc (124: timeout)"
    fi
}

# Test files shared by both architectures.
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
"$NATIVE_CLI" show "$FILES/random.bin" >"$WORK/random.native" 2>/dev/null
"$NATIVE_CLI" --simulate --wire-log "$WORK/native.wire" write "$FILES/sample.bin" >/dev/null 2>&1
awk '{ print $2 }' "$WORK/native.wire" >"$WORK/native.bytes"

MSINFO_KEY='HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO'
LOCATION_KEY='HKLM\SOFTWARE\Microsoft\Shared Tools Location'
mkdir -p "$WORK/viewer" "$WORK/msinfo folder" "$WORK/empty folder"
VIEWER=$(winpath "$WORK/viewer/viewer.exe")
FOLDER=$(winpath "$WORK/msinfo folder")
EMPTY=$(winpath "$WORK/empty folder")

# The i686 double as the 32-bit test library, the x86_64 one as the 64-bit.
double_of() { echo "$(build_dir "$1")/tests/win32/double/winio3.dll"; }

sysinfo() {
    local label=$1 expect=$2
    if TAVRIN_SYSINFO_EXPECT=$expect timeout 120 "$WINE" "$W32/tavrin_win32_tests.exe" \
        '--gtest_filter=ScriptedSysInfo.*' >"$WORK/sysinfo.log" 2>&1 &&
        grep -q '^\[  PASSED  \] 1 test' "$WORK/sysinfo.log"; then
        pass "$ARCH StartSysInfo: $label"
    else
        tail -15 "$WORK/sysinfo.log"
        fail "$ARCH StartSysInfo: $label"
    fi
}
# `reg` writes this architecture's registry view, other_reg the other one;
# both through the 64-bit reg.exe.
reg() { wine_reg "$(registry_view "$ARCH")" "$@"; }
other_reg() { wine_reg "$(registry_view "$(other_arch "$ARCH")")" "$@"; }
clear_registry() {
    reg delete "$MSINFO_KEY" /f
    reg delete "$LOCATION_KEY" /f
    other_reg delete "$MSINFO_KEY" /f
    other_reg delete "$LOCATION_KEY" /f
}

# The same bytes on both streams and the same exit code.
compare_show() {
    local name=$1
    (cd "$FILES" && "$NATIVE_CLI" show "$name" >"$WORK/native.out" 2>"$WORK/native.err")
    local nrc=$?
    (cd "$FILES" && timeout 60 "$WINE" "$CLI_EXE" show "$name" >"$WORK/wine.out" 2>"$WORK/wine.err")
    local wrc=$?
    if [[ $nrc == "$wrc" ]] && [[ -s "$WORK/native.out" || $nrc != 0 ]] &&
        cmp -s "$WORK/native.out" "$WORK/wine.out" &&
        cmp -s "$WORK/native.err" "$WORK/wine.err"; then
        pass "$ARCH show $name: as native (exit $nrc)"
    else
        echo "native exit $nrc, wine exit $wrc"
        diff <(cat "$WORK/native.out" "$WORK/native.err") \
            <(cat "$WORK/wine.out" "$WORK/wine.err") | head -10
        fail "$ARCH show $name"
    fi
}

test_arch() {
    ARCH=$1
    BUILD=$(build_dir "$ARCH")
    WINE=$(loader "$ARCH")
    export WINELOADER=$WINE
    W32=$BUILD/tests/win32
    CLI_EXE=$BUILD/cli/tavrin-cli.exe
    SYS32=$WINEPREFIX/drive_c/windows/$(system_dir "$ARCH")
    local foreign
    foreign=$(double_of "$(other_arch "$ARCH")")

    # --- The core suites and the Windows backends ------------------------------
    if is_core_arch "$ARCH"; then
        say "$ARCH core suites"
        for exe in "$BUILD"/tests/tavrin_*_tests.exe; do
            run_suite "$(basename "$exe" .exe)" 600 "$exe"
        done
    fi
    say "$ARCH Windows backends"
    local foreign_win=
    [[ -f $foreign ]] && foreign_win=$(winpath "$foreign")
    TAVRIN_FOREIGN_WINIO=$foreign_win run_suite tavrin_win32_tests 600 "$W32/tavrin_win32_tests.exe" \
        '--gtest_filter=-ScriptedSysInfo.*'
    say "$ARCH the window's dialogs, pictures and clock"
    run_suite tavrin_winui_tests 300 "$BUILD/tests/winui/tavrin_winui_tests.exe"

    # --- StartSysInfo against values set with `wine reg add` ---------------------
    say "$ARCH system information viewer"
    cp "$W32/msinfo_stand_in.exe" "$WORK/viewer/viewer.exe"
    cp "$W32/msinfo_stand_in.exe" "$WORK/msinfo folder/MSINFO32.EXE"
    clear_registry
    sysinfo "no registry values" none
    reg add "$LOCATION_KEY" /v MSINFO /t REG_SZ /d "$FOLDER" /f
    sysinfo "folder value with MSINFO32.EXE" "$FOLDER\\MSINFO32.EXE"
    reg add "$MSINFO_KEY" /v PATH /t REG_SZ /d "$VIEWER" /f
    sysinfo "PATH value first" "$VIEWER"
    reg delete "$MSINFO_KEY" /f
    reg add "$LOCATION_KEY" /v MSINFO /t REG_SZ /d "$EMPTY" /f
    sysinfo "folder value without MSINFO32.EXE" none
    clear_registry
    # What an installer of the other architecture leaves.
    other_reg add "$MSINFO_KEY" /v PATH /t REG_SZ /d "$VIEWER" /f
    sysinfo "PATH value in the other registry view" "$VIEWER"
    clear_registry

    # --- tavrin-cli.exe against the native tavrin-cli ----------------------------
    say "$ARCH tavrin-cli.exe"
    for name in sample.bin random.bin zero.bin short.bin longer.bin missing.bin; do
        compare_show "$name"
    done

    # A program folder as shipped: the driver's source files, no working names.
    # Start-up deploys them (program folder and Wine's system directory), opens
    # the double and the read comes back through the keyboard hook.
    local prog=$WORK/$ARCH-program rc
    mkdir -p "$prog"
    cp "$CLI_EXE" "$prog/"
    cp "$W32/double/winio3.dll" "$prog/winiodll3"
    for src in winiodll winiosys winiosys3 winio.vxd; do
        echo "shipped $src" >"$prog/$src"
    done
    rm -f "$SYS32"/winio.dll "$SYS32"/winio.sys "$SYS32"/winio3.dll "$SYS32"/winio3.sys "$SYS32"/winio.vxd
    TAVRIN_WINIO_EEPROM=$(winpath "$FILES/random.bin") TAVRIN_WINIO_LOG=$(winpath "$WORK/$ARCH-read.wire") \
        timeout 120 "$WINE" "$prog/tavrin-cli.exe" read >"$WORK/read.out" 2>"$WORK/read.err"
    rc=$?
    if [[ $rc == 0 ]] && cmp -s "$WORK/random.native" <(tr -d '\r' <"$WORK/read.out") &&
        grep -q "Read setting from EEPROM success!" "$WORK/read.err"; then
        pass "$ARCH read through the double and the keyboard hook shows the keyboard's settings"
    else
        echo "exit $rc"
        cat "$WORK/read.err"
        fail "$ARCH read through the double and the keyboard hook"
    fi
    if [[ "$(tr -d '\r\n' <"$WORK/$ARCH-read.wire")" == "E755AAE363E352E6" ]]; then
        pass "$ARCH read command on the wire"
    else
        fail "$ARCH read command on the wire: $(tr '\r\n' '  ' <"$WORK/$ARCH-read.wire")"
    fi
    local deploy_ok=1 pair
    cmp -s "$prog/winio3.dll" "$W32/double/winio3.dll" || deploy_ok=0
    cmp -s "$SYS32/winio3.dll" "$W32/double/winio3.dll" || deploy_ok=0
    for pair in "winio.dll:winiodll" "winio.sys:winiosys" "winio3.sys:winiosys3"; do
        cmp -s "$prog/${pair%%:*}" "$prog/${pair##*:}" || deploy_ok=0
        cmp -s "$SYS32/${pair%%:*}" "$prog/${pair##*:}" || deploy_ok=0
    done
    cmp -s "$SYS32/winio.vxd" "$prog/winio.vxd" || deploy_ok=0
    if ((deploy_ok)); then
        pass "$ARCH driver files deployed into the program folder and the system directory"
    else
        ls -l "$prog" "$SYS32"/winio* 2>&1 | head -20
        fail "$ARCH driver deployment"
    fi

    # The doctor in the same folder: every driver file there, the library of
    # this architecture, the driver opens (the double), Wine's administrator.
    timeout 120 "$WINE" "$prog/tavrin-cli.exe" doctor >"$WORK/doctor.out" 2>&1
    rc=$?
    if [[ $rc == 0 ]] && grep -q "^verdict: all 16 checks pass" "$WORK/doctor.out" &&
        grep -q "^ok    status port 0x64: reads 0x" "$WORK/doctor.out"; then
        pass "$ARCH doctor: all checks pass"
    else
        echo "exit $rc"
        cat "$WORK/doctor.out"
        fail "$ARCH doctor"
    fi

    # The whole-image write: the bytes the double saw are those the native tool
    # sends to its simulated keyboard.
    TAVRIN_WINIO_LOG=$(winpath "$WORK/$ARCH-write.wire") \
        timeout 120 "$WINE" "$prog/tavrin-cli.exe" write "$(winpath "$FILES/sample.bin")" \
        >"$WORK/write.out" 2>"$WORK/write.err"
    rc=$?
    tr -d '\r' <"$WORK/$ARCH-write.wire" >"$WORK/write.bytes"
    if [[ $rc == 0 ]] && grep -q "Write to EEPROM Successful!" "$WORK/write.err" &&
        [[ $(wc -l <"$WORK/native.bytes") -gt 100 ]] && cmp -s "$WORK/native.bytes" "$WORK/write.bytes"; then
        pass "$ARCH whole-image write: $(wc -l <"$WORK/write.bytes") bytes as the native tool sends them"
    else
        echo "exit $rc; $(wc -l <"$WORK/write.bytes") bytes against $(wc -l <"$WORK/native.bytes")"
        diff "$WORK/native.bytes" "$WORK/write.bytes" | head -10
        fail "$ARCH whole-image write through the double"
    fi

    # The other architecture's library: a failed open that says why.
    if [[ -f $foreign ]]; then
        local wrong=$WORK/$ARCH-wrong
        mkdir -p "$wrong"
        cp "$CLI_EXE" "$wrong/"
        cp "$foreign" "$wrong/winio3.dll"
        timeout 120 "$WINE" "$wrong/tavrin-cli.exe" read >"$WORK/wrong.out" 2>"$WORK/wrong.err"
        rc=$?
        local expect
        case $ARCH in
        i686) expect="is a 64-bit (x86-64) library; this is the 32-bit (i386) build, which cannot load it: use the 64-bit build" ;;
        x86_64) expect="is a 32-bit (i386) library; this is the 64-bit (x86-64) build, which cannot load it: put the 64-bit build's winio3.dll and winio3.sys here" ;;
        esac
        if [[ $rc == 1 ]] && grep -qF "$expect" "$WORK/wrong.err" &&
            grep -q "Read setting from EEPROM error!" "$WORK/wrong.err"; then
            pass "$ARCH refuses the $(other_arch "$ARCH") winio3.dll and says which build loads it"
        else
            echo "exit $rc"
            cat "$WORK/wrong.err"
            fail "$ARCH the other architecture's winio3.dll"
        fi
        timeout 120 "$WINE" "$wrong/tavrin-cli.exe" doctor >"$WORK/wrong-doctor.out" 2>&1
        rc=$?
        if [[ $rc == 1 ]] && grep -qF "FAIL  winio3.dll: " "$WORK/wrong-doctor.out" &&
            grep -qF "$expect" "$WORK/wrong-doctor.out" &&
            grep -q "^FAIL  InitializeWinIo" "$WORK/wrong-doctor.out"; then
            pass "$ARCH doctor names the other architecture's winio3.dll"
        else
            cat "$WORK/wrong-doctor.out"
            fail "$ARCH doctor with the other architecture's winio3.dll"
        fi
    fi

    # No library at all: the open fails, its repair finds nothing to copy, the
    # read reports its error; nothing crashes and show still works.
    local bare=$WORK/$ARCH-bare
    mkdir -p "$bare"
    cp "$CLI_EXE" "$bare/"
    rm -f "$SYS32"/winio*
    timeout 120 "$WINE" "$bare/tavrin-cli.exe" read >"$WORK/bare.out" 2>"$WORK/bare.err"
    rc=$?
    if [[ $rc != 0 && $rc -lt 100 ]] && grep -q "Read setting from EEPROM error!" "$WORK/bare.err" &&
        [[ ! -e "$bare/winio3.dll" ]]; then
        pass "$ARCH no library: failed open, failed read reported (exit $rc)"
    else
        echo "exit $rc"
        cat "$WORK/bare.err"
        fail "$ARCH no library"
    fi
    (cd "$FILES" && timeout 60 "$WINE" "$bare/tavrin-cli.exe" show sample.bin >"$WORK/bare-show.out" 2>&1)
    if cmp -s <(cd "$FILES" && "$NATIVE_CLI" show sample.bin 2>&1) <(tr -d '\r' <"$WORK/bare-show.out"); then
        pass "$ARCH no library: show works"
    else
        fail "$ARCH no library: show"
    fi
    lap "tests $ARCH"

    ((BACKENDS_ONLY)) && return
    # --- The window, driven from outside -----------------------------------------
    # Each case starts tavrin.exe in a program folder of its own with the
    # double; the keyboard holds random.bin, whose native listing the shown
    # values must match; the write of sample.bin must send native.bytes.
    # Windows unmanaged: Wine then draws their frames itself, as Windows does,
    # and hiding one does not wait 2 s for a window manager that Xvfb lacks
    # (every dialog closes by hiding).
    say "$ARCH window"
    wine_reg 64 add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    TAVRIN_WINDOW_EXE=$(winpath "$BUILD/winui/tavrin.exe") \
        TAVRIN_WINDOW_EEPROM=$(winpath "$FILES/random.bin") \
        TAVRIN_WINDOW_LISTING=$(winpath "$WORK/random.native") \
        TAVRIN_WINDOW_SAMPLE=$(winpath "$FILES/sample.bin") \
        TAVRIN_WINDOW_SAMPLE_BYTES=$(winpath "$WORK/native.bytes") \
        TAVRIN_FOREIGN_WINIO=$foreign_win \
        run_suite tavrin_window_tests 600 "$W32/tavrin_window_tests.exe"
    wine_reg 64 delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f
    lap "window $ARCH"
}

LAP=$(date +%s)
for arch in $ARCHS; do
    if [[ " $RUN_ARCHS " == *" $arch "* ]]; then
        test_arch "$arch"
    else
        # What was not run: each test program, and the script's own checks
        # of that architecture as one more.
        n=3
        is_core_arch "$arch" && n=$((n + $(ls "$(build_dir "$arch")"/tests/tavrin_*_tests.exe | wc -l)))
        skipped=$((skipped + n + 1))
        skips+=("$arch: $n test programs and the script's checks ($WINE32_WHY)")
    fi
done

# The Windows Installer package of each architecture run: install, upgrade,
# removal in a prefix of its own (tools/check-msi.sh), its counts added.
((BACKENDS_ONLY)) && finish
for arch in $RUN_ARCHS; do
    say "$arch msi"
    bash "$ROOT/tools/check-msi.sh" "$arch" "$(build_dir "$arch")" 2>&1 | tee "$WORK/msi-$arch.log"
    if [[ $(tail -1 "$WORK/msi-$arch.log") =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
        ((BASH_REMATCH[2] == 0)) || failures+=("msi $arch: see above")
    else
        fail "msi $arch: no closing line"
    fi
    lap "msi $arch"
done

finish
