#!/usr/bin/env bash
# Checks the Debian package tools/package.sh built: lintian, the desktop
# entry, the AppStream file and the icons, the keyboard port helper (its
# mode, its polkit policy, pkexec recommended), the programs run from the
# package unpacked into a temporary root, the manual pages render. Prints
# the package's files and size; exits non-zero on any failure.
#   tools/check-package.sh [dist/tavrin_VERSION_ARCH.deb]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
tools/install-deps.sh lintian desktop-file-utils appstream man-db bsdextrautils file binutils >/dev/null || exit 1

deb="${1:-}"
if [ -z "$deb" ]; then
  debs=(dist/tavrin_*.deb)
  if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "check-package: want exactly one dist/tavrin_*.deb, found: ${debs[*]}" >&2
    exit 2
  fi
  deb="${debs[0]}"
fi

failed=0
pass() { echo "PASS: $1"; }
fail() {
  echo "FAIL: $1"
  failed=$((failed + 1))
}

root=$(mktemp -d /tmp/tavrin-package.XXXXXX)
trap 'rm -rf "$root"' EXIT

echo "== $deb: $(stat -c %s "$deb") bytes"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

field() { dpkg-deb --field "$deb" "$1"; }
version=$(field Version)
depends=$(field Depends)
if [ "$(field Package)" = tavrin ]; then
  pass "package name tavrin"
else
  fail "package name: $(field Package)"
fi
if [[ "$depends" == *libc6* && "$depends" == *libqt6widgets6* && "$depends" == *qt6-qpa-plugins* ]]; then
  pass "dependencies from the binaries: $depends"
else
  fail "dependencies: $depends"
fi

recommends=$(field Recommends)
if [[ "$recommends" == *pkexec* ]]; then
  pass "recommends pkexec: $recommends"
else
  fail "pkexec not recommended: '$recommends'"
fi

# The privileged helper: root's, 0755, never set-user-ID; pkexec starts it.
helper=./usr/libexec/tavrin/tavrin-port
policy=./usr/share/polkit-1/actions/example.tavrin.port.policy
line=$(dpkg-deb --contents "$deb" | awk -v f="$helper" '$6 == f')
if [ "$(awk '{print $1, $2}' <<<"$line")" = "-rwxr-xr-x root/root" ]; then
  pass "helper $helper: -rwxr-xr-x root/root"
else
  fail "helper $helper: '${line:-missing}'"
fi
line=$(dpkg-deb --contents "$deb" | awk -v f="$policy" '$6 == f')
if [ "$(awk '{print $1, $2}' <<<"$line")" = "-rw-r--r-- root/root" ]; then
  pass "policy $policy: -rw-r--r-- root/root"
else
  fail "policy $policy: '${line:-missing}'"
fi

echo "== lintian"
if lintian --fail-on error --info "$deb"; then
  pass "lintian: no errors"
else
  fail "lintian reports errors"
fi

dpkg-deb -x "$deb" "$root"
usr="$root/usr"

desktop=("$usr"/share/applications/*.desktop)
if [ "${#desktop[@]}" -eq 1 ] && desktop-file-validate "${desktop[0]}"; then
  pass "desktop-file-validate $(basename "${desktop[0]}")"
else
  fail "desktop entry: ${desktop[*]}"
fi
metainfo=("$usr"/share/metainfo/*.metainfo.xml)
if [ "${#metainfo[@]}" -eq 1 ] && appstreamcli validate --no-net "${metainfo[0]}"; then
  pass "appstreamcli validate $(basename "${metainfo[0]}")"
else
  fail "AppStream file: ${metainfo[*]}"
fi

# The entry's icon, launchable and program are in the package.
icon=$(sed -n 's/^Icon=//p' "${desktop[0]}")
exec=$(sed -n '0,/^Exec=/s/^Exec=\([^ ]*\).*/\1/p' "${desktop[0]}")
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "${metainfo[0]}")
if [ -x "$usr/bin/$exec" ]; then
  pass "entry starts usr/bin/$exec"
else
  fail "entry's Exec=$exec not in the package"
fi
if [ "$launchable" = "$(basename "${desktop[0]}")" ]; then
  pass "AppStream launchable $launchable"
else
  fail "AppStream launchable '$launchable' is not $(basename "${desktop[0]}")"
fi
hicolor="$usr/share/icons/hicolor"
if grep -q '<svg' "$hicolor/scalable/apps/$icon.svg" 2>/dev/null; then
  pass "icon $icon: scalable SVG"
else
  fail "icon $icon: no scalable SVG"
fi
for size in 16 24 32 48 64 128 256; do
  png="$hicolor/${size}x${size}/apps/$icon.png"
  if file "$png" 2>/dev/null | grep -q "PNG image data, $size x $size"; then
    pass "icon $icon: ${size}x${size} PNG"
  else
    fail "icon $icon: ${size}x${size} PNG ($(file -b "$png" 2>&1))"
  fi
done

exec_path=$(sed -n 's:.*<annotate key="org.freedesktop.policykit.exec.path">\(.*\)</annotate>.*:\1:p' \
  "$root/$policy")
# An administrator for every session kind, never kept: a kept answer would
# let any process of the user take the port for minutes.
defaults=$(grep -oE '<allow_(any|inactive|active)>[a-z_]+</' "$root/$policy" | sort | tr '\n' ' ')
want='<allow_active>auth_admin</ <allow_any>auth_admin</ <allow_inactive>auth_admin</ '
if [ "$exec_path" = "${helper#.}" ] && [ "$defaults" = "$want" ]; then
  pass "policy names ${helper#.}, asks for an administrator every time"
else
  fail "policy: exec.path '$exec_path', defaults $defaults"
fi
# The compiler may build the path from immediates, so the build that made
# the package is asked which helper its programs start.
flags=build-package/platform/linux/CMakeFiles/tavrin_platform_linux.dir/flags.make
if grep -qF "TAVRIN_PORT_HELPER_PATH=\"${helper#.}\"" "$flags" 2>/dev/null ||
    grep -qF "TAVRIN_PORT_HELPER_PATH=\\\"${helper#.}\\\"" "$flags" 2>/dev/null; then
  pass "tavrin-cli starts ${helper#.}"
else
  fail "tavrin-cli does not name ${helper#.}"
fi

# No test switch in what is shipped: fault injection, forced rights and fake
# roots live in the test builds alone.
switches='TAVRIN_TEST_|TAVRIN_SIM_LOST|TAVRIN_PORT_ROOT|TAVRIN_PORT_FAKE|TAVRIN_PORT_HOLD|TAVRIN_PORT_DEVICE|TAVRIN_WINIO_|TAVRIN_UNIX_EUID'
found=$(find "$root/usr" -type f -perm -u+x -exec sh -c 'strings "$1" | grep -E "$2" | sed "s|^|$1: |"' \
  sh {} "$switches" \; | sed "s|$root/||")
if [ -z "$found" ]; then
  pass "strings finds no test switch in the programs"
else
  fail "test switches in the programs: $found"
fi

echo "== the programs from the unpacked package"
work="$root/work"
mkdir -p "$work"
out=$(cd "$work" && "$usr/bin/tavrin-cli" --version 2>&1)
if [ "$out" = "Tavrin Version $version" ]; then
  pass "tavrin-cli --version: $out"
else
  fail "tavrin-cli --version: '$out', package version $version"
fi
# The simulated keyboard is kept in the data folder: a fresh one, not the user's.
(cd "$work" && XDG_DATA_HOME="$root/data" "$usr/bin/tavrin-cli" --simulate read >"$root/read.out" 2>"$root/read.err")
rc=$?
items=$(grep -cE '^[0-9]+'$'\t' "$root/read.out")
if [ "$rc" -eq 0 ] && [ "$items" -eq 79 ] && grep -q "success" "$root/read.err"; then
  pass "tavrin-cli --simulate read: $items lines, $(cat "$root/read.err")"
else
  cat "$root/read.err"
  fail "tavrin-cli --simulate read: exit $rc, $items item lines"
fi
out=$(cd "$work" && QT_QPA_PLATFORM=offscreen "$usr/bin/tavrin" --version 2>/dev/null)
if [ "$out" = "Tavrin Version $version" ]; then
  pass "tavrin --version: $out"
else
  fail "tavrin --version: '$out'"
fi
# Started by hand, not by Tavrin, the helper touches nothing and says so.
out=$("$root/${helper#./}" </dev/null 2>&1)
rc=$?
if [ "$rc" -eq 1 ] && [[ "$out" == *"standard input must be its socket"* ]]; then
  pass "tavrin-port without Tavrin: exit 1, $out"
else
  fail "tavrin-port without Tavrin: exit $rc, '$out'"
fi
missing=$(ldd "$usr/bin/tavrin" "$usr/bin/tavrin-cli" "$root/${helper#./}" | grep "not found")
if [ -z "$missing" ]; then
  pass "every library found"
else
  fail "libraries not found: $missing"
fi

echo "== manual pages"
for page in tavrin tavrin-cli; do
  file="$root/usr/share/man/man1/$page.1.gz"
  text=$(MANWIDTH=80 man --warnings -l "$file" 2>"$root/man.err" | col -b)
  if [ -s "$root/man.err" ]; then
    cat "$root/man.err"
    fail "man -l $page.1.gz: warnings"
  elif grep -q "^NAME" <<<"$text" && grep -q -- "--simulate" <<<"$text" &&
    grep -q "$version" <<<"$text"; then
    pass "man -l $page.1.gz: $(wc -l <<<"$text") lines"
  else
    fail "man -l $page.1.gz: $(head -c 300 <<<"$text")"
  fi
done

echo
echo "size: $(stat -c %s "$deb") bytes packed, $(field Installed-Size) KiB installed"
if [ "$failed" -gt 0 ]; then
  echo "$failed check(s) failed"
  exit 1
fi
echo "every check passed"
