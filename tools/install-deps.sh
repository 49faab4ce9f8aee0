#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libjpeg-dev libpng-dev libgif-dev zlib1g-dev libasound2-dev libxcb1-dev libxcb-shm0-dev
  fonts-ipafont-gothic
  # the engine has FreeType read its fonts; the font tests ask fontconfig
  libfreetype-dev libfontconfig-dev
  # Qt's own dialogs in Japanese in the maker and the engine
  qt6-translations-l10n
  # stripping the programs; the package (make deb) and its tests
  binutils dpkg-dev desktop-file-utils
  libgtest-dev googletest
  xvfb xauth
  # runtime libraries of chronyd, which the SNTP tests unpack from its package
  libnettle8 libhogweed6 libgnutls30 libcap2 libseccomp2
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi
# The SNTP tests fetch the chrony package with apt-get download (never
# installed); that needs the package lists.
if ! apt-cache show chrony >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
fi
