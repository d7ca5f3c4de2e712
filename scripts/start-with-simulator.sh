#!/usr/bin/env bash
# Starts the program from the build folder given, with beside it:
# - the instrument simulator when it is built and ZELOR_SANS_SIMULATEUR is not
#   set: it registers its pseudo-terminal as the COM port of the program's
#   configuration (COM1 by default); with ZELOR_SANS_SIMULATEUR=1 the program
#   uses the real instrument on that port;
# - the stand-in Mesurial when it is built and no Mesurial path is registered:
#   "Vers Mesurial" then delivers to it, and it appends what it receives to a
#   file whose path is printed (ZELOR_MESURIAL_RECU chooses another).
# Both are stopped, the simulator's registration removed, when the program
# ends. The program and Mesurial meet on the D-Bus session bus: without one
# reachable (a text console, a container), the run gets a private bus.
set -euo pipefail
bin=$1
app=$bin/app/zelor
sim=$bin/tools/zelor-sim/zelor-sim
standin=$bin/tools/mesurial-standin/mesurial-standin
# Seconds, in tenths, given to a helper to get ready.
attente_dixiemes=100

bus_joignable() {
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    # The per-user bus of a systemd session, found without an address.
    [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -S "$XDG_RUNTIME_DIR/bus" ] || return 1
  fi
  command -v dbus-send >/dev/null || return 0
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetId >/dev/null 2>&1
}

# Pid of the process owning a bus name, empty when none.
proprietaire() {
  command -v dbus-send >/dev/null || return 0
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID "string:$1" 2>/dev/null | sed -n 's/.*uint32 //p' || true
}

if ! bus_joignable; then
  if [ -z "${ZELOR_BUS_PRIVE:-}" ] && command -v dbus-run-session >/dev/null; then
    export ZELOR_BUS_PRIVE=1
    exec dbus-run-session -- "$0" "$@"
  fi
  echo "Pas de bus de session D-Bus : liaison avec Mesurial et commandes DDE indisponibles." >&2
elif [ -n "${ZELOR_BUS_PRIVE:-}" ]; then
  echo "Bus de session privé pour cette exécution : DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS"
fi

travail=$(mktemp -d)
simpid=""
standinpid=""
arrete() {
  # Everything is tried, whatever fails on the way.
  set +e
  [ -z "$simpid" ] || { kill -TERM "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; }
  [ -z "$standinpid" ] || { kill -TERM "$standinpid" 2>/dev/null || true; wait "$standinpid" 2>/dev/null || true; }
  # The program starts the stand-in again from the registry if it has died.
  if [ -n "$standinpid" ]; then
    local relance
    relance=$(proprietaire org.zelor.dde.mesurial)
    if [ -n "$relance" ] && [ "$(readlink -f "/proc/$relance/exe" 2>/dev/null)" = "$(readlink -f "$standin")" ]; then
      kill -TERM "$relance" 2>/dev/null || true
    fi
  fi
  rm -rf "$travail"
}
trap arrete EXIT

if [ -n "${ZELOR_SANS_SIMULATEUR:-}" ]; then
  echo "Sans simulateur : le programme ouvre la voie série de sa configuration (« Config. voie série » pour la choisir)."
elif [ -x "$sim" ]; then
  # The port number of the configuration file beside the program; a first
  # run has no such file yet.
  com=$(sed -n 's/^[[:space:]]*Com[[:space:]]*=[[:space:]]*\([0-9][0-9]*\).*/\1/p' "$app.INI" 2>/dev/null | head -n 1 || true)
  [ -n "$com" ] && [ "$com" -ge 1 ] || com=1
  "$sim" --com "$com" --device-file "$travail/device" --log "${ZELOR_SIM_LOG:-$bin/zelor-sim.log}" >/dev/null &
  simpid=$!
  for _ in $(seq "$attente_dixiemes"); do
    [ -s "$travail/device" ] && break
    kill -0 "$simpid" 2>/dev/null || { echo "zelor-sim n'a pas démarré" >&2; exit 1; }
    sleep 0.1
  done
  echo "Simulateur sur COM$com ($(cat "$travail/device")), pid $simpid : kill -USR1 $simpid change de cuve (solvant/échantillon)."
fi

if [ -x "$standin" ] && bus_joignable; then
  inscrit=$("$standin" --registered-path 2>/dev/null || true)
  if [ -n "$inscrit" ]; then
    echo "Mesurial : $inscrit (chemin inscrit dans le registre)"
  elif [ -n "$(proprietaire org.zelor.dde.mesurial)" ]; then
    echo "Un Mesurial répond déjà sur le bus de session : les exports vont à lui."
  else
    recu=$(realpath -m "${ZELOR_MESURIAL_RECU:-$bin/mesurial-recu.txt}")
    # A registry of this run only: the user's own file is left as it is.
    export ZELOR_REGISTRY_FILE=$travail/registre.ini
    "$standin" --output "$recu" --register >"$travail/mesurial-standin.log" 2>&1 &
    standinpid=$!
    for _ in $(seq "$attente_dixiemes"); do
      [ -s "$ZELOR_REGISTRY_FILE" ] && break
      kill -0 "$standinpid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$ZELOR_REGISTRY_FILE" ]; then
      echo "Mesurial de remplacement, pid $standinpid : ce que « Vers Mesurial » envoie est ajouté à $recu"
    else
      echo "Le Mesurial de remplacement n'a pas démarré :" >&2
      cat "$travail/mesurial-standin.log" >&2
      kill -TERM "$standinpid" 2>/dev/null || true
      standinpid=""
      unset ZELOR_REGISTRY_FILE
    fi
  fi
fi

"$app"
