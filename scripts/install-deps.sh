#!/bin/bash
# Installs what building, running and testing need, from Debian's packages.
set -euo pipefail
PKGS=(cmake ninja-build g++ clang libclang-rt-14-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
      python3 socat fiu-utils libfiu-dev
      dpkg-dev file lintian appstream desktop-file-utils librsvg2-bin)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
