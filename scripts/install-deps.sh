#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need,
# only those that are missing. Run as root (or with sudo available).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-base-private-dev libgl-dev qt6-serialport-dev qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus libglib2.0-bin xvfb xauth locales clang
  fonts-dejavu-core desktop-file-utils
  poppler-utils
  # The Windows cross build (preset mingw) and its tests under Wine.
  g++-mingw-w64-x86-64-posix googletest wine64
)
# Node.js for the independent JCAMP-DX reader of the tests; a Node.js
# already installed (with its own npm) is kept.
command -v npm >/dev/null || PACKAGES+=(nodejs npm)

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

# The independent JCAMP-DX reader of the tests, at the versions of its
# lockfile, in a folder of the build shared by every preset; installed again
# only when the lockfile changes.
npm_source=export/tests/jcampconverter
npm_dossier=build/npm-jcamp
if [ ! -d "$npm_dossier/node_modules/jcampconverter" ] ||
   ! cmp -s "$npm_source/package-lock.json" "$npm_dossier/package-lock.json"; then
  mkdir -p "$npm_dossier"
  cp "$npm_source/package.json" "$npm_source/package-lock.json" "$npm_dossier/"
  # Without it only the tests of the independent reader fail, and say why.
  (cd "$npm_dossier" && npm ci --no-audit --no-fund --loglevel=error) ||
    echo "warning: jcampconverter not installed in $npm_dossier" >&2
fi
