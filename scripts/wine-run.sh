#!/usr/bin/env bash
# Runs one Windows program of the cross build under Wine, in the prefix that
# WINEPREFIX names (the build folder's, set by the tests). Debian's wine64
# package puts its loader under /usr/lib/wine; a `wine64` on PATH wins.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs: the tests use neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
exec "$wine" "$@"
