#!/usr/bin/env bash
# Installs what building and testing vordel needs on a Debian machine, then
# exits. Safe to run again: it only installs packages that are missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev bison
          python3 mawk tmux cpp libclang-rt-14-dev libtsan2
          libfreetype-dev libfontconfig-dev libpng-dev fonts-dejavu-core fonts-ipafont-gothic
          zbar-tools imagemagick libqrencode-dev
          g++-mingw-w64-x86-64-posix mingw-w64-tools wine64)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
