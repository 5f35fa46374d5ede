#!/usr/bin/env bash
# Installs what building, running and testing Faxlens needs on Debian 12. Does nothing when
# everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev fonts-wine
    libgtest-dev libgmock-dev libbenchmark-dev
    libtiff-dev libtiff-tools libjbig-dev jbigkit-bin
    qpdf poppler-utils ghostscript imagemagick
    desktop-file-utils appstream dpkg-dev man-db file lintian
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
