#!/usr/bin/env bash
# Installs the Debian packages of tools/packages.txt that are missing. Those
# after the "# optional" line may fail to install: the tests that need them
# are then skipped, and say why.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(sed '/^# optional/,$d' "$here/packages.txt" | grep -v '^#' | sed '/^\s*$/d')
mapfile -t optional < <(sed -n '/^# optional/,$p' "$here/packages.txt" | grep -v '^#' | sed '/^\s*$/d')
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
updated=0
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  if ((!updated)); then
    "${sudo_cmd[@]}" apt-get update
    updated=1
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
install_missing "${wanted[@]}"
install_missing "${optional[@]}" || echo "Could not install ${optional[*]}: the tests that need them are skipped."
