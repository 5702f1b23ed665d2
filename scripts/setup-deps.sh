#!/bin/bash
# Installs the Debian packages Quillan needs to build, run and test. Safe to rerun: when every
# package is present it does nothing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-format
    libgtest-dev libgmock-dev libbenchmark-dev libacl1-dev
    libwxgtk3.2-dev libgtk-3-dev libcairo2-dev libpango1.0-dev
    fonts-liberation fonts-dejavu-core xdg-utils
)
if [ "${1:-}" = "--test" ]; then
    PACKAGES+=(xvfb xauth xdotool x11-utils imagemagick poppler-utils libxtst-dev trayer desktop-file-utils openbox)
fi

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
