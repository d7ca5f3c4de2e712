#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. When the
# instrument simulator is built it is started first on a pseudo-terminal,
# mapped to the configured COM port, so the program finds an instrument.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

bin=build/default
exec scripts/start-with-simulator.sh "$bin"
