#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, if missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest  # unit tests
  libcli11-dev                          # tavrin-cli's options
  qt6-base-dev qt6-svg-dev              # the window, its icon files
  help2man                              # the manual pages
  man-db groff-base                     # reading them as a user does (a test)
  nlohmann-json3-dev                    # settings profiles (JSON)
  xvfb xauth                            # looking at the window headless
  openbox x11-utils                     # its titles as a window manager reads them
  clang libclang-rt-14-dev              # the fuzz targets (libFuzzer)
  ansible-core                          # the Ansible collection's playbook test
)
if [ "$#" -gt 0 ]; then
  packages+=("$@")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
# A mirror caught mid-sync fails one index (seen: bookworm-security's i386):
# the install below still fails for anything that index alone would give.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
  echo "install-deps: some package indexes could not be fetched; installing from the others"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
