#!/usr/bin/env bash
# Starts the program from the build folder given, with the instrument
# simulator when it exists: the simulator registers its pseudo-terminal as the
# COM port of the program's configuration (COM1 by default) and is stopped,
# its registration removed, when the program ends.
set -euo pipefail
bin=$1
app=$bin/app/zelor
sim=$bin/tools/zelor-sim/zelor-sim

if [ ! -x "$sim" ]; then
  exec "$app"
fi

# The port number of the configuration file beside the program.
com=$(sed -n 's/^[[:space:]]*Com[[:space:]]*=[[:space:]]*\([0-9][0-9]*\).*/\1/p' "$app.INI" 2>/dev/null | head -n 1)
[ -n "$com" ] && [ "$com" -ge 1 ] || com=1

ready=$(mktemp -d)
"$sim" --com "$com" --device-file "$ready/device" --log "${ZELOR_SIM_LOG:-$bin/zelor-sim.log}" >/dev/null &
simpid=$!
trap 'kill -TERM "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; rm -rf "$ready"' EXIT

# Ten seconds for the simulator to open its line and register it.
for _ in $(seq 100); do
  [ -s "$ready/device" ] && break
  kill -0 "$simpid" 2>/dev/null || { echo "zelor-sim n'a pas démarré" >&2; exit 1; }
  sleep 0.1
done
echo "Simulateur sur COM$com ($(cat "$ready/device")), pid $simpid : kill -USR1 $simpid change de cuve (solvant/échantillon)."
"$app"
