#!/bin/sh
# The tavrin.keyboard collection under the real Ansible engine, against the
# simulated keyboard on localhost. Exit 77 (skipped) without ansible-playbook.
# usage: run.sh TAVRIN_CLI SOURCE_DIR
set -eu
cli=$1
src=$2
if ! command -v ansible-playbook >/dev/null 2>&1; then
  echo "ansible-playbook is not installed (tools/install-deps.sh installs ansible-core): skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Ansible finds a collection as ansible_collections/NAMESPACE/NAME under a
# collections path; the repository keeps it as contrib/ansible/tavrin/keyboard.
mkdir -p "$work/collections/ansible_collections"
ln -s "$src/contrib/ansible/tavrin" "$work/collections/ansible_collections/tavrin"
export ANSIBLE_COLLECTIONS_PATH="$work/collections"
export ANSIBLE_HOME="$work/home" ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_REMOTE_TEMP="$work/tmp"
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_GATHERING=explicit
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_DEPRECATION_WARNINGS=0
# The simulated keyboard's waits cost no time: the plays, not the clock, are tested.
export TAVRIN_TEST_VIRTUAL_CLOCK=1
play() {
  ansible-playbook -i localhost, -c local -e "cli=$cli work=$work" "$src/tests/ansible/$1"
}
play keyboard.yml
# ansible-playbook exits 2 when a host failed.
status=0
play lost_frame.yml >"$work/lost.txt" 2>&1 || status=$?
cat "$work/lost.txt"
if [ "$status" -ne 2 ] ||
  ! grep -q 'read back other than as written' "$work/lost.txt" ||
  ! grep -q 'failed=1' "$work/lost.txt" || grep -q 'Never reached' "$work/lost.txt"; then
  echo "FAIL: the lost frame did not fail the play (exit $status)"
  exit 1
fi
echo "PASS: the lost frame failed the verify and the play"
