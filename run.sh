#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. When the
# instrument simulator is built it is started first on a pseudo-terminal,
# mapped to the configured COM port, so the program finds an instrument.
#
#   ./run.sh                     with the simulator (the default)
#   ./run.sh --sans-simulateur   with the real instrument on its serial port
#                                (README: "Avec un vrai spectrophotomètre")
set -euo pipefail
cd "$(dirname "$0")"

for option in "$@"; do
  case "$option" in
    --sans-simulateur) export ZELOR_SANS_SIMULATEUR=1 ;;
    -h | --help)
      sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "Option inconnue : $option (voir ./run.sh --help)" >&2
      exit 2
      ;;
  esac
done

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

bin=build/default
exec scripts/start-with-simulator.sh "$bin"
