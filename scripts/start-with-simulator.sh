#!/usr/bin/env bash
# Starts the program from the build folder given, with the instrument
# simulator when it exists.
set -euo pipefail
bin=$1
app=$bin/app/zelor
sim=$bin/tools/zelor-sim

if [ ! -x "$sim" ]; then
  exec "$app"
fi
exec "$app"
