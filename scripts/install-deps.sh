#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need,
# only those that are missing. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-base-private-dev libgl-dev qt6-serialport-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus libglib2.0-bin xvfb xauth locales clang
  fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A French locale, so the tests can check the user's decimal separator ",".
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
  $SUDO localedef -i fr_FR -f UTF-8 fr_FR.UTF-8 || echo "warning: could not build the fr_FR.UTF-8 locale" >&2
fi
