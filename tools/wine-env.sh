# Sourced by the scripts that run Windows programs under Wine. Machines of
# this kind differ: on some the kernel runs 32-bit programs, on others it
# refuses them (Exec format error). Nothing here assumes it can: the 64-bit
# loader does all the housekeeping (registry views, Windows paths), and the
# 32-bit loader is probed once before anything 32-bit is started.
#
#   WINE64, WINE32     the loaders (TAVRIN_WINE32_LOADER overrides the 32-bit one)
#   probe_wine32       sets WINE32_RUNS (1 or 0) and WINE32_WHY
#   winpath PATH       the Windows path of PATH, through the 64-bit loader
#   wine_reg VIEW ...  reg.exe of the 64-bit loader on the 32- or 64-bit
#                      registry view (VIEW: 32 or 64)
#   without_wine32 CMD runs CMD with the 32-bit loader made unrunnable for
#                      it alone (a private mount namespace), to try the
#                      refusing kernel's path on any machine

WINE64=/usr/lib/wine/wine64
WINE32=${TAVRIN_WINE32_LOADER:-/usr/lib/wine/wine}
WINE32_RUNS=0
WINE32_WHY=

probe_wine32() {
    local out
    if [[ ! -e $WINE32 ]]; then
        WINE32_RUNS=0
        WINE32_WHY="wine32 is not installed ($WINE32 missing): i686 suites not run"
        return
    fi
    # The loader prints its version when the kernel runs it; a refusing
    # kernel gives ENOEXEC, which a shell reports as exit 126 or, for a
    # file it then reads as a script, a syntax error.
    if out=$(timeout 60 "$WINE32" --version 2>&1) && [[ $out == wine-* ]]; then
        WINE32_RUNS=1
        WINE32_WHY=
    else
        WINE32_RUNS=0
        WINE32_WHY="this kernel cannot run 32-bit programs: i686 suites not run"
    fi
}

winpath() { timeout 30 "$WINE64" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

wine_reg() {
    local view=$1
    shift
    WINELOADER=$WINE64 timeout 60 "$WINE64" reg "$@" "/reg:$view" >/dev/null 2>&1
}

# A file no kernel of this kind executes: an ELF header for another machine
# (ARM), as the 32-bit loader is to a kernel without 32-bit support.
make_unrunnable() {
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\050\000\001\000\000\000' >"$1"
    head -c 64 /dev/zero >>"$1"
    chmod 755 "$1"
}

# Runs "$@" where the 32-bit loader cannot run. In a private mount
# namespace the real loader's path is covered with such a file, so that
# Wine's own starts of 32-bit programs fail as they would there. Where the
# machine allows no namespace, only the scripts' own loader is pointed at
# the file, and a line says so.
without_wine32() {
    local bad
    bad=$(mktemp /tmp/tavrin-no-wine32.XXXXXX)
    make_unrunnable "$bad"
    if [[ -e /usr/lib/wine/wine ]] && unshare -m --propagation private true 2>/dev/null; then
        TAVRIN_WINE32_LOADER=/usr/lib/wine/wine unshare -m --propagation private \
            bash -c 'mount --bind "$1" /usr/lib/wine/wine && shift && exec "$@"' _ "$bad" "$@"
    else
        echo "== no private mount namespace here: only the scripts' 32-bit loader is made unrunnable"
        TAVRIN_WINE32_LOADER=$bad "$@"
    fi
    local rc=$?
    rm -f "$bad"
    return $rc
}
