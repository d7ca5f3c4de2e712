#!/usr/bin/env bash
# Takes the screenshots of the README against the instrument simulator:
#   docs/fenetre-principale.png  the main window once the instrument is identified
#   docs/spectre-mesure.png      the same after a baseline and a scan of 350..750 nm
#   docs/enregistrer-spectre.png the save dialog of "Enregistrer…" over that spectrum
# Builds nothing: build/default must hold the program and the simulator
# (./run.sh or cmake --build --preset default). Runs on its own virtual X
# server with a small window manager and a private D-Bus session bus, and
# drives the program as a user would, through its keyboard shortcuts. It
# leaves the user's configuration, device map and registry alone.
# Needs xdotool, imagemagick and openbox; installs them when missing (as root).
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/default
app=$bin/app/zelor
sim=$bin/tools/zelor-sim/zelor-sim
ecran="1100x700x24"
# Seconds allowed for each step: the program to identify the instrument, a
# dialog to open, the baseline and the scan to finish.
attente_identification=30
attente_dialogue=15
attente_mesure=120

for f in "$app" "$sim"; do
  [ -x "$f" ] || { echo "$f manque : construire d'abord (./run.sh ou cmake --build --preset default)" >&2; exit 1; }
done

if [ -z "${ZELOR_CAPTURES_SERVEUR:-}" ]; then
  outils=()
  command -v xdotool >/dev/null || outils+=(xdotool)
  command -v import >/dev/null || outils+=(imagemagick)
  command -v openbox >/dev/null || outils+=(openbox)
  if [ ${#outils[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${outils[@]}"
  fi
  export ZELOR_CAPTURES_SERVEUR=1
  exec xvfb-run -a -s "-screen 0 $ecran" dbus-run-session -- "$0" "$@"
fi

travail=$(mktemp -d)
pids=()
arrete() {
  set +e
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$travail"
}
trap arrete EXIT

# Everything of this run in its own folder.
export XDG_CONFIG_HOME=$travail
export ZELOR_INI=$travail/zelor.INI
export ZELOR_COMPORTS_FILE=$travail/comports
export ZELOR_REGISTRY_FILE=$travail/registre.ini
export ZELOR_MARQUEUR=zelor-captures-$$

# Waits until the command given succeeds, for at most $1 seconds.
attends() {
  local limite=$(($(date +%s) + $1))
  shift
  until "$@"; do
    [ "$(date +%s)" -lt "$limite" ] || return 1
    sleep 0.2
  done
}
fenetre_ouverte() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
fenetre_fermee() { ! fenetre_ouverte "$1"; }
echoue() {
  echo "captures : $1" >&2
  import -window root "$travail/echec.png" 2>/dev/null && cp "$travail/echec.png" /tmp/zelor-captures-echec.png &&
    echo "écran au moment de l'échec : /tmp/zelor-captures-echec.png" >&2
  exit 1
}
capture() {
  # The last drawing of the plot reaches the screen.
  sleep 1
  import -window root "$1"
  echo "$1"
}

openbox >"$travail/openbox.log" 2>&1 &
pids+=($!)

# A fixed seed: the same spectrum on every run. The solvent is in first.
"$sim" --com 1 --device-file "$travail/device" --log "$travail/sim.log" --seed 7 --cuvette blank &
simpid=$!
pids+=("$simpid")
attends 10 test -s "$travail/device" || echoue "le simulateur n'a pas démarré"

# The file dialogs open in a home folder of this run.
mkdir -p "$travail/maison/mesures"
HOME=$travail/maison "$app" >"$travail/zelor.log" 2>&1 &
pids+=($!)
attends "$attente_identification" fenetre_ouverte "Version:" || echoue "instrument non identifié"
capture docs/fenetre-principale.png

xdotool key alt+b
attends "$attente_dialogue" fenetre_ouverte "Enregistrement de la ligne de base" || echoue "pas de fenêtre Blanc"
sleep 0.5
# The bounds of the scan to come (Tab selects a field's text), then the
# default button starts the recording; the dialog closes at its end.
xdotool key Tab
xdotool type 350
xdotool key Tab
xdotool type 750
xdotool key Tab Return
attends "$attente_mesure" fenetre_fermee "Enregistrement de la ligne de base" || echoue "ligne de base non terminée"

kill -USR1 "$simpid"  # the sample in the cuvette
xdotool key alt+s
attends "$attente_dialogue" fenetre_ouverte "Balayage du spectre" || echoue "pas de fenêtre Spectre"
sleep 0.5
# Name, unit, value, comment, then the bounds.
xdotool key Tab Tab Tab
xdotool type "Essai sur le simulateur"
xdotool key Tab
xdotool type 350
xdotool key Tab
xdotool type 750
xdotool key Tab Return
attends "$attente_mesure" fenetre_fermee "Balayage du spectre" || echoue "balayage non terminé"
capture docs/spectre-mesure.png

# "Enregistrer…" (Ctrl+S): the file name typed in the dialog, JCAMP-DX by
# its suffix.
xdotool key ctrl+s
attends "$attente_dialogue" fenetre_ouverte "Enregistrer le spectre" || echoue "pas de fenêtre Enregistrer"
sleep 0.5
xdotool type "mesures/spectre-essai.jdx"
capture docs/enregistrer-spectre.png
xdotool key Return
attends "$attente_dialogue" test -s "$travail/maison/mesures/spectre-essai.jdx" || echoue "spectre non enregistré"

xdotool key alt+q
