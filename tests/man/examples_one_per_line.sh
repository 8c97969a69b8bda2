#!/bin/sh
# The manual page keeps each command of --help's "A typical session" on a
# line of its own, as a reader of `man tavrin-cli` sees it at 80 columns.
# Arguments: tavrin-cli, its manual page (.1.gz).
set -u
program=$1
page=$2
command -v man >/dev/null || { echo "man is missing (tools/install-deps.sh installs man-db)"; exit 1; }
rendered=$(MANWIDTH=80 MAN_KEEP_FORMATTING= man -P cat -l "$page" 2>&1) || {
  echo "man -l $page failed:"; echo "$rendered"; exit 1; }
examples=$("$program" --help |
  sed -n '/^A typical session:/,/^Exit status/s/^ *\$\{0,1\} *\(tavrin-cli .*\)/\1/p')
[ -n "$examples" ] || { echo "no typical session in $program --help"; exit 1; }
status=0
count=0
# Lines as shown, without their indentation and prompt.
shown=$(printf '%s\n' "$rendered" | sed 's/^ *//; s/^\$ //; s/ *$//')
while IFS= read -r example; do
  count=$((count + 1))
  if ! printf '%s\n' "$shown" | grep -qxF -- "$example"; then
    echo "not on a line of its own: $example"
    status=1
  fi
done <<EXAMPLES
$examples
EXAMPLES
[ "$status" -eq 0 ] || { echo "--- the page as rendered:"; echo "$rendered"; exit 1; }
echo "ok: $count commands, each on its own line"
