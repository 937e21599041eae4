#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail
packages=(
  cmake g++ make pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  qt6-image-formats-plugins libgl-dev libx11-dev
  libsqlite3-dev libpq-dev libsodium-dev libkainjow-mustache-dev libvmime-dev
  fonts-noto-cjk postgresql postgresql-contrib python3-aiosmtpd xvfb xauth
  poppler-utils openssl libxlsxwriter-dev zlib1g-dev python3-openpyxl desktop-file-utils
  clang libclang-rt-14-dev
  qt6-translations-l10n xdg-utils
  libzip-dev libexpat1-dev python3-msoffcrypto-tool python3-cryptography
  libicu-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
