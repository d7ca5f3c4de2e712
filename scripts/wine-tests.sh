#!/usr/bin/env bash
# Set-up and clean-up of the Wine tests of the cross build (cmake/Wine.cmake).
#   wine-tests.sh setup BUILD_DIR SOURCE_DIR COM HANGUP_COM
#   wine-tests.sh cleanup BUILD_DIR
# Set-up boots the build folder's Wine prefix when it has none yet, starts
# two instrument simulators natively on pseudo-terminals (one answering, one
# that hangs up after its first reply), maps COM and HANGUP_COM to them
# through the Wine registry (HKLM\Software\Wine\Ports, read when Wine
# starts: a dosdevices link alone would be rewritten), reads the values back
# and keeps the Wine server running for all tests. Clean-up ends the
# simulators and the Wine server.
set -Eeuo pipefail

action=$1
build=$(cd "$2" && pwd)
state=$build/wine-state
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
here=$(cd "$(dirname "$0")" && pwd)
run="$here/wine-run.sh"
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)

# Longest wait for a simulator's device file, in tenths of a second.
readonly SimulatorStartTenths=300
# A simulator left behind by a killed run ends by itself after this.
readonly SimulatorIdleSeconds=1200

stop_simulators() {
  for pidfile in "$state"/sim-*.pid; do
    [ -e "$pidfile" ] || continue
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
}

start_simulator() {  # name, extra options...
  local name=$1
  shift
  rm -f "$state/$name.dev"
  "$simulator" --fast --exit-when-idle "$SimulatorIdleSeconds" --device-file "$state/$name.dev" \
    --log "$state/$name.log" "$@" </dev/null >/dev/null 2>>"$state/$name.log" &
  echo $! >"$state/sim-$name.pid"
  for ((i = 0; i < SimulatorStartTenths; i++)); do
    [ -s "$state/$name.dev" ] && break
    sleep 0.1
  done
  [ -s "$state/$name.dev" ] || { echo "simulator $name did not start (see $state/$name.log)" >&2; exit 1; }
}

map_port() {  # COM number, device
  "$run" reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /t REG_SZ /d "$2" /f >/dev/null
  local back
  back=$("$run" reg query 'HKLM\Software\Wine\Ports' /v "COM$1" | tr -d '\r' | awk -v n="COM$1" '$1 == n {print $3}')
  echo "COM$1 -> $2 (read back: ${back:-nothing})"
  [ "$back" = "$2" ] || { echo "Wine did not keep COM$1 = $2 in its registry" >&2; exit 1; }
}

case $action in
  setup)
    source_dir=$(cd "$3" && pwd)
    com=$4
    hangup=$5
    mkdir -p "$state"
    stop_simulators
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    simulator=$source_dir/build/default/tools/zelor-sim/zelor-sim
    if [ ! -x "$simulator" ]; then
      # The simulator runs natively; it comes from the Linux build.
      (cd "$source_dir" && cmake --preset default >/dev/null && cmake --build --preset default --target zelor-sim)
    fi
    start=$(date +%s)
    # The Wine server and the services it starts outlive this script: none of
    # them may hold the test runner's output open.
    quiet() { "$@" </dev/null >>"$state/wine.log" 2>&1; }
    # What Wine said, when a step fails.
    trap 'echo "set-up failed; end of $state/wine.log:" >&2; tail -n 20 "$state/wine.log" >&2' ERR
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      quiet "$run" wineboot -i
      echo "wineboot: $(($(date +%s) - start)) s"
    fi
    # The server that wineboot started may still run: it is ended below.
    quiet "$wineserver" -p || true
    quiet "$run" cmd /c exit 0 || true
    start_simulator answering
    start_simulator hangup --disconnect-after 1
    map_port "$com" "$(cat "$state/answering.dev")"
    map_port "$hangup" "$(cat "$state/hangup.dev")"
    # Wine reads the ports when its server starts: start it anew, and keep it
    # for the tests that follow.
    quiet "$wineserver" -k || true
    quiet "$wineserver" -w || true
    quiet "$wineserver" -p
    quiet "$run" cmd /c exit 0 || true
    ls -l "$WINEPREFIX/dosdevices" | grep -i com || true
    echo "Wine ready in $(($(date +%s) - start)) s"
    ;;
  cleanup)
    stop_simulators
    "$wineserver" -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 setup|cleanup BUILD_DIR ..." >&2
    exit 2
    ;;
esac
