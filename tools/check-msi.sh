#!/usr/bin/env bash
# Checks the Windows Installer package of one architecture under Wine, in a
# fresh 64-bit prefix: its tables, a silent install (files in Program
# Files, shortcuts in the Start menu), the installed tavrin-cli.exe, an
# upgrade by a package with a higher version, and a silent removal that
# leaves nothing behind. Closes with "N passed, M failed".
#   tools/check-msi.sh ARCH [BUILD]
# ARCH is i686 or x86_64; BUILD a configured and built Windows build of
# that architecture (default build-package-win-ARCH). i686 needs a kernel
# that runs 32-bit programs: where it does not, the check is skipped with
# the reason.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/tools/wine-env.sh"
ARCH=${1:-}
BUILD=$(realpath -m "${2:-$ROOT/build-package-win-$ARCH}")
case $ARCH in
x86_64) LOADER=$WINE64 PROGRAMS="Program Files" UNINSTALL='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' ;;
i686) LOADER=$WINE32 PROGRAMS="Program Files (x86)" UNINSTALL='Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall' ;;
*)
    echo "usage: tools/check-msi.sh i686|x86_64 [BUILD]" >&2
    exit 2
    ;;
esac
STARTED=$(date +%s)
passed=0
failed=0
pass() {
    passed=$((passed + 1))
    echo "PASS: msi $ARCH $1"
}
fail() {
    failed=$((failed + 1))
    echo "FAIL: msi $ARCH $1"
}
finish() {
    echo "time: $(($(date +%s) - STARTED)) s"
    echo "$passed passed, $failed failed"
    ((failed == 0))
    exit
}

if [[ $ARCH == i686 ]]; then
    probe_wine32
    if ((!WINE32_RUNS)); then
        echo "skipped: msi i686: $WINE32_WHY"
        finish
    fi
fi
command -v wixl >/dev/null && command -v msiinfo >/dev/null && command -v strings >/dev/null ||
    "$ROOT/tools/install-deps.sh" wixl msitools binutils

WORK=$(mktemp -d /tmp/tavrin-check-msi.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEARCH=win64 WINELOADER=$WINE64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# --- The packages: the build's own, and a newer one whose manual is marked ---
msi1=$("$ROOT/tools/msi.sh" "$BUILD" "$WORK/v1" 1 2>"$WORK/msi1.err") || {
    cat "$WORK/msi1.err"
    fail "package"
    finish
}
pass "package built: $(basename "$msi1")"
stage=$WORK/stage
cmake --install "$BUILD" --prefix "$stage" --strip >/dev/null
echo "upgrade marker 1.7.2" >>"$stage/README.md"
cp "$BUILD/msi/tavrin.wxs" "$stage/"
mkdir -p "$WORK/v2"
source "$BUILD/msi/msi.env"
msi2=$WORK/v2/$MSI_NAME
(cd "$stage" && wixl -a "$MSI_ARCH" -D SourceDir=. -D MsiBuild=2 -o "$msi2" tavrin.wxs) || fail "newer package"

tables=$(msiinfo tables "$msi1")
missing=()
for t in File Component Directory Feature FeatureComponents Shortcut RemoveFile Upgrade Registry Media; do
    grep -qx "$t" <<<"$tables" || missing+=("$t")
done
# Whole exports first: grep -q would stop reading early (pipefail).
shortcuts=$(msiinfo export "$msi1" Shortcut)
upgrade=$(msiinfo export "$msi1" Upgrade)
removals=$(msiinfo export "$msi1" RemoveFile)
if ((${#missing[@]} == 0)) && [[ $(grep -c $'\tMenuFolder\t' <<<"$shortcuts") == 3 ]] &&
    grep -q WIX_UPGRADE_DETECTED <<<"$upgrade" && grep -q $'\tMenuFolder\t2' <<<"$removals"; then
    # Wine removes an emptied shortcut folder on its own; Windows needs
    # the RemoveFile row.
    pass "msiinfo: tables, three shortcuts, the upgrade rows, the menu folder's removal"
else
    fail "msiinfo: missing tables ${missing[*]}, or shortcuts, upgrade rows or the menu folder's removal"
fi

# --- Install ----------------------------------------------------------------
if ! timeout 300 "$WINE64" wineboot -i >"$WORK/wineboot.log" 2>&1; then
    tail -20 "$WORK/wineboot.log"
    fail "wineboot"
    finish
fi
timeout 60 wineserver -w
DIR=$WINEPREFIX/drive_c/$PROGRAMS/Tavrin
# All users' Start menu on Windows; Wine's msi puts a per-machine
# package's shortcuts into the installing user's.
MENUS=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrin"
    "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tavrin")
msiexec() {
    timeout 120 "$WINE64" msiexec "$1" "$(winpath "$2")" /qn >>"$WORK/msiexec.log" 2>&1
    local rc=$?
    timeout 60 wineserver -w
    return $rc
}
# The Tavrin entries of the machine's uninstall list, from the registry file.
entries() {
    KEY="[$UNINSTALL\\\\" awk 'substr($0, 1, 1) == "[" { inside = index($0, ENVIRON["KEY"]) == 1 }
        inside && /^"DisplayName"="Tavrin / { n++ } END { print n + 0 }' "$WINEPREFIX/system.reg"
}
version_entry() { grep -F -A20 "[$UNINSTALL\\\\{" "$WINEPREFIX/system.reg" | grep -m1 -o '"DisplayVersion"="[^"]*"'; }

msiexec /i "$msi1"
rc=$?
if ((rc == 0)) && [[ -f $DIR/tavrin.exe && -f $DIR/tavrin-cli.exe && -f $DIR/README.txt ]]; then
    pass "installed into $PROGRAMS/Tavrin"
else
    ls -la "$WINEPREFIX/drive_c/$PROGRAMS" "$DIR" 2>&1 | head -20
    fail "install (msiexec exit $rc)"
fi
MENU=
for m in "${MENUS[@]}"; do
    [[ -d $m ]] && MENU=$m
done
lnks=$([[ -n $MENU ]] && cd "$MENU" && ls)
if [[ $lnks == $'Tavrin command prompt.lnk\nTavrin manual.lnk\nTavrin.lnk' ]] &&
    grep -aq 'cmd.exe' "$MENU/Tavrin command prompt.lnk" && grep -aq 'tavrin.exe' "$MENU/Tavrin.lnk"; then
    pass "Start menu (${MENU#"$WINEPREFIX/drive_c/"}): Tavrin, Tavrin command prompt, Tavrin manual"
else
    echo "Start menu folder holds: ${lnks:-nothing}"
    fail "Start menu shortcuts"
fi
# No test switch in what is shipped (ASCII and UTF-16 strings alike).
switches='TAVRIN_TEST_|TAVRIN_SIM_LOST|TAVRIN_PORT_ROOT|TAVRIN_WINIO_|TAVRIN_UNIX_EUID'
found=$(for f in "$DIR"/*.exe "$DIR"/*.dll; do
    [[ -f $f ]] && { strings -a "$f"; strings -a -el "$f"; } | grep -E "$switches" | sed "s|^|${f##*/}: |"
done)
if [[ -z $found ]]; then
    pass "strings finds no test switch in the installed programs"
else
    fail "test switches in the installed programs: $found"
fi
out=$(cd "$WORK" && timeout 60 "$LOADER" "$DIR/tavrin-cli.exe" --simulate read 2>"$WORK/read.err")
rc=$?
lines=$(tr -d '\r' <<<"$out" | wc -l)
if ((rc == 0 && lines == 79)); then
    pass "installed tavrin-cli.exe --simulate read: 79 lines"
else
    tail -5 <<<"$out"
    cat "$WORK/read.err"
    fail "installed tavrin-cli.exe --simulate read (exit $rc, $lines lines)"
fi

# --- Upgrade ----------------------------------------------------------------
msiexec /i "$msi2"
rc=$?
if ((rc == 0)) && grep -q "upgrade marker 1.7.2" "$DIR/README.txt" && [[ -f $DIR/tavrin-cli.exe ]] &&
    [[ $(entries) == 1 && $(version_entry) == '"DisplayVersion"="1.7.2"' ]]; then
    pass "upgrade to 1.7.2: new files, one uninstall entry"
else
    echo "msiexec exit $rc; entries $(entries); $(version_entry)"
    fail "upgrade"
fi

# An older package refuses to go over the newer one and changes nothing.
msiexec /i "$msi1"
rc=$?
if ((rc != 0)) && grep -q "upgrade marker 1.7.2" "$DIR/README.txt" && [[ $(entries) == 1 ]]; then
    pass "older package refused (exit $rc), 1.7.2 stays"
else
    fail "downgrade (msiexec exit $rc, entries $(entries))"
fi

# --- Removal ----------------------------------------------------------------
msiexec /x "$msi2"
rc=$?
left=$(find "$DIR" "${MENUS[@]}" 2>/dev/null)
if ((rc == 0)) && [[ -z $left && -n $MENU && $(entries) == 0 ]]; then
    pass "removed: no program folder, no shortcuts, no uninstall entry"
else
    head <<<"$left"
    echo "msiexec exit $rc; entries $(entries)"
    fail "removal"
fi
finish
