#!/usr/bin/env bash
# Start-up of the native window tavrin.exe under Wine with the simulated
# keyboard: the time to its first painted window (the start-up read
# included) against the least the read can take, and the memory the window
# reports for itself (GetProcessMemoryInfo: working set, target < 20 MB).
# Prints its figures; exits 1 when a run fails, not when a target is missed.
#
#   bash tools/windows-bench.sh
# TAVRIN_BENCH_ARCH (i686 or x86_64, default i686), TAVRIN_BENCH_RUNS
# (default 5), TAVRIN_WIN32_BUILD / TAVRIN_WIN_BUILD and TAVRIN_BENCH_BUILD
# (the native build for the read's floor) choose the folders. With DISPLAY
# and WINEPREFIX set it uses them; otherwise it starts Xvfb and a fresh
# prefix of its own.

set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tools/wine-env.sh"
ARCH=${TAVRIN_BENCH_ARCH:-i686}
if [[ $ARCH == i686 ]]; then
    probe_wine32
    if ((!WINE32_RUNS)); then
        echo "windows-bench: ${WINE32_WHY%%:*}: the x86_64 build instead" >&2
        ARCH=x86_64
    fi
fi
RUNS=${TAVRIN_BENCH_RUNS:-5}
JOBS=${TAVRIN_JOBS:-2}
case $ARCH in
i686)
    BUILD=${TAVRIN_WIN32_BUILD:-$ROOT/build-win32}
    WINE=$WINE32
    ;;
x86_64)
    BUILD=${TAVRIN_WIN_BUILD:-$ROOT/build-win}
    WINE=$WINE64
    ;;
*)
    echo "TAVRIN_BENCH_ARCH: i686 or x86_64" >&2
    exit 2
    ;;
esac
NATIVE=${TAVRIN_BENCH_BUILD:-$ROOT/build-bench}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

die() {
    echo "windows-bench: $*" >&2
    exit 1
}

# --- Builds --------------------------------------------------------------------
if [[ ! -f $BUILD/CMakeCache.txt ]]; then
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-$ARCH.cmake" \
        -DCMAKE_BUILD_TYPE=Release "${LAUNCHER[@]}" >"$BUILD.configure.log" 2>&1 ||
        die "cross configure failed, see $BUILD.configure.log"
fi
nice -n 5 cmake --build "$BUILD" -j "$JOBS" --target tavrin_win >"$BUILD.bench.log" 2>&1 ||
    die "tavrin_win build failed, see $BUILD.bench.log"
if [[ ! -f $NATIVE/CMakeCache.txt ]]; then
    cmake -S "$ROOT" -B "$NATIVE" -DTAVRIN_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Release \
        "${LAUNCHER[@]}" >"$NATIVE.configure.log" 2>&1 || die "native configure failed"
fi
nice -n 5 cmake --build "$NATIVE" -j "$JOBS" --target bench_read_floor >"$NATIVE.bench.log" 2>&1 ||
    die "bench_read_floor build failed, see $NATIVE.bench.log"
EXE=$BUILD/winui/tavrin.exe
[[ -f $EXE ]] || die "no $EXE"

# --- Wine and a display ----------------------------------------------------------
WORK=$(mktemp -d /tmp/tavrin-windows-bench.XXXXXX)
source "$ROOT/tools/xvfb.sh"
OWN_PREFIX=0
cleanup() {
    ((OWN_PREFIX)) && wineserver -k >/dev/null 2>&1
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ -z ${DISPLAY:-} ]]; then
    start_xvfb 1024x768x24 "$WORK/xvfb.log" || die "no Xvfb"
fi
if [[ -z ${WINEPREFIX:-} ]]; then
    export WINEPREFIX=$WORK/prefix WINEARCH=win64
    OWN_PREFIX=1
    timeout 300 "$WINE64" wineboot -i >"$WORK/wineboot.log" 2>&1 || die "wineboot failed"
    # Unmanaged windows, as the window tests run them: without a window
    # manager, hiding a managed window waits 2 s for one (frmWaiting hides
    # at the end of the start-up read).
    wine_reg 64 add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    timeout 60 wineserver -w
fi
if "$WINE64" reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>/dev/null |
    grep -q 'REG_SZ *N'; then
    windows="unmanaged windows"
else
    windows="managed windows ($(pgrep -x openbox >/dev/null && echo openbox || echo "no window manager seen"))"
fi
export WINELOADER=$WINE

# --- Runs ------------------------------------------------------------------------
read -r _ floor _ waits _ bytes _ transfer _ keystrokes _ typing < <("$NATIVE/bench/bench_read_floor")
[[ -n ${floor:-} ]] || die "bench_read_floor printed nothing"

first=()
wall=()
ws=()
peak=()
# Figures the program may add: when main was entered, when the window was
# built, and its memory on entry (what Wine holds before the program does
# anything) and after the first paint.
declare -A extra
extra_keys=(entry_ms built_ms private_kb entry_working_set_kb entry_private_kb)
for run in $(seq "$RUNS"); do
    report=$WORK/report-$run.txt
    rm -f "$WORK/keyboard.bin"
    start=$(date +%s%N)
    timeout 120 "$WINE" "$EXE" --simulate --sim-image "$(winpath "$WORK/keyboard.bin")" \
        --bench-report "$(winpath "$report")" >"$WORK/run-$run.log" 2>&1
    rc=$?
    end=$(date +%s%N)
    [[ $rc == 0 ]] || die "run $run: exit $rc (124: timeout); $(tail -3 "$WORK/run-$run.log")"
    value() { awk -v k="$1" '$1 == k { print $2 }' "$report" | tr -d '\r'; }
    f=$(value first_window_ms)
    w=$(value working_set_kb)
    p=$(value peak_working_set_kb)
    [[ -n $f && -n $w && -n $p ]] || die "run $run: incomplete report: $(tr '\r\n' '  ' <"$report")"
    for k in "${extra_keys[@]}"; do
        v=$(value "$k")
        [[ -n $v ]] && extra[$k]+="$v "
    done
    first+=("$f")
    ws+=("$w")
    peak+=("$p")
    wall+=($(((end - start) / 1000000)))
done

stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1; s += $1 } END { printf "%d %d %.1f", v[1], v[NR], s / NR }'; }
read -r fmin fmax fmean < <(stats "${first[@]}")
read -r wmin wmax wmean < <(stats "${wall[@]}")
read -r _ wsmax _ < <(stats "${ws[@]}")
read -r _ peakmax _ < <(stats "${peak[@]}")

echo "tavrin.exe ($ARCH) under $("$WINE64" --version 2>/dev/null), $windows, --simulate, start-up read included, $RUNS runs"
printf '  read floor            %8.1f ms  (%.0f ms waits + %d x %.1f ms transfer + %d keystrokes x %.1f ms)\n' \
    "$floor" "$waits" "$bytes" "$transfer" "$keystrokes" "$typing"
target=$(awk -v f="$floor" 'BEGIN { printf "%.1f", f + 300 }')
printf '  target                %8.1f ms  (floor + 300 ms)\n' "$target"
printf '  first window, best    %8d ms  overhead %+d ms   (as the program measures it)\n' "$fmin" \
    "$(awk -v a="$fmin" -v f="$floor" 'BEGIN { printf "%d", a - f }')"
printf '  first window, worst   %8d ms  overhead %+d ms\n' "$fmax" \
    "$(awk -v a="$fmax" -v f="$floor" 'BEGIN { printf "%d", a - f }')"
printf '  first window, mean    %8.1f ms\n' "$fmean"
if [[ -n ${extra[entry_ms]:-} && -n ${extra[built_ms]:-} ]]; then
    read -r emin emax _ < <(stats ${extra[entry_ms]})
    read -r bmin bmax _ < <(stats ${extra[built_ms]})
    printf '  main entered          %8d ms best, %d ms worst (Wine'"'"'s process start)\n' "$emin" "$emax"
    printf '  window built          %8d ms best, %d ms worst (before the start-up read)\n' "$bmin" "$bmax"
fi
printf '  whole run under Wine  %8d ms best, %d ms worst (loader start to exit)\n' "$wmin" "$wmax"
printf 'working set of the shown window %8.1f MB, peak %.1f MB (largest of the runs)  target < 20 MB\n' \
    "$(awk -v k="$wsmax" 'BEGIN { print k / 1024 }')" "$(awk -v k="$peakmax" 'BEGIN { print k / 1024 }')"
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
if [[ -n ${extra[entry_working_set_kb]:-} ]]; then
    read -r _ ews _ < <(stats ${extra[entry_working_set_kb]})
    printf '  on entry to main      %8s MB working set (Wine and the libraries loaded)\n' "$(mb "$ews")"
fi
if [[ -n ${extra[private_kb]:-} ]]; then
    read -r _ priv _ < <(stats ${extra[private_kb]})
    read -r _ epriv _ < <(stats ${extra[entry_private_kb]:-0})
    printf '  private bytes         %8s MB after the first paint, %s MB on entry\n' "$(mb "$priv")" "$(mb "$epriv")"
fi
if awk -v a="$fmax" -v t="$target" -v w="$wsmax" 'BEGIN { exit !(a <= t && w < 20 * 1024) }'; then
    echo PASS
else
    echo "OVER TARGET"
fi
