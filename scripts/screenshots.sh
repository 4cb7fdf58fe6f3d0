#!/usr/bin/env bash
# Screenshots of tavrix-sim under a real X server with a window manager (Xvfb + openbox), driven
# with xdotool: the main window, the "CONF=" panel enlarged, the About box after Escape, the
# unprotect question, the open dialog, and the progress window of a write before and after the
# window manager was asked to close it (Alt+F4, wmctrl -c, xdotool windowclose), then the main
# window answering again, the board test's report window and the box of "Identificar PIC", the
# keyboard focus on the program grid and an area box, the title bars of the About box, the
# configuration editor and a question, and the EEPROM grid after a device without EEPROM.
# Usage: scripts/screenshots.sh [output folder] (default /tmp/tavrix-shots) [guide folder].
# With a guide folder (docs), it then takes the user's guide's pictures there: each window alone
# with its frame, made small. Installs what it needs with apt-get; builds when tavrix-sim is
# missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-/tmp/tavrix-shots}"
guide="${2:-}"
display="${TAVRIX_SHOT_DISPLAY:-:91}"
build="${TAVRIX_BUILD_DIR:-$root/build}"

tools=(xvfb openbox xdotool imagemagick x11-utils wmctrl)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
"$root/scripts/install-deps.sh"
[ -x "$build/src/tavrix-sim" ] || TAVRIX_BUILD_DIR="$build" "$root/scripts/build.sh"
mkdir -p "$out" ${guide:+"$guide"}

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
# start_sim: starts tavrix-sim and sets `main` to its main window once it shows.
start_sim() {
  "$build/src/tavrix-sim" >/dev/null 2>&1 &
  pids+=($!)
  main=""
  for _ in $(seq 100); do
    main="$(xdotool search --onlyvisible --name '^Tavrix' 2>/dev/null | head -1 || true)"
    [ -n "$main" ] && break
    sleep 0.1
  done
  [ -n "$main" ] || { echo "tavrix-sim did not show its window" >&2; exit 1; }
  sleep 1
}
start_sim

shot() { import -window root "$out/$1.png"; echo "$out/$1.png"; }
# One window with its frame, in few colours and without metadata: a few tens of KB.
picture() {
  local id="$1" name="$2"
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  sleep 0.5
  import -frame -window "$id" "$out/.window.png"
  convert "$out/.window.png" -strip -colors 96 "PNG8:$guide/$name.png"
  rm -f "$out/.window.png"
  echo "$guide/$name.png"
}
# Clicks at a point given in the main window's own coordinates (its menu bar is at the top).
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep "${3:-0.7}"; }
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
# The main window's buttons, on the row under the menu bar.
row=31
leer=356 escribir=208 desproteger=432

shot 01-main-window
read -r x y w h < <(xwininfo -id "$main" |
  awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Width/ {w=$2}
       /Height/ {h=$2} END {print x, y, w, h}')
# The status bar's left group: 75 + 130 + 120 + 60 px, then the 50-pixel "CONF=" panel.
import -window root "$out/.root.png"
convert "$out/.root.png" -crop "140x26+$(( x + 330 ))+$(( y + h - 26 ))" -scale 400% \
  "$out/02-conf-panel-x4.png"
rm -f "$out/.root.png"
echo "$out/02-conf-panel-x4.png"

click 221 8 0.5        # "Ayuda"
xdotool key Down Return
sleep 1
xdotool key Escape     # must leave the About box open
sleep 0.5
shot 03-about-after-escape
xdotool key Return     # OK
sleep 0.5

click "$desproteger" "$row" 1
shot 04-unprotect-question
xdotool key Escape     # No
sleep 0.5

click 32 8 0.5         # "Archivo"
xdotool key Down Return
sleep 1.5
shot 05-open-dialog
xdotool key Escape
sleep 0.5

# A write takes about ten seconds on the virtual board: read the chip first so that there is
# something to write, then start the write and try to close its progress window.
click "$leer" "$row" 3
xdotool key Return     # "Operación Completada."
sleep 0.5
click "$escribir" "$row" 1.5
shot 06-progress-window
progress="$(window '^Procesando PIC')"
[ -z "$guide" ] || [ -z "$progress" ] || picture "$progress" progreso
if [ -n "$progress" ]; then
  xdotool windowactivate --sync "$progress" 2>/dev/null || true
  xdotool key alt+F4
  sleep 0.5
  wmctrl -c "Procesando PIC" || true
  sleep 0.5
  xdotool windowminimize "$progress" || true
  sleep 0.5
  xdotool windowclose "$progress" || true
  sleep 1
fi
shot 07-progress-after-close-attempts
for _ in $(seq 300); do
  [ -n "$(window '^Mensaje')" ] && break
  sleep 0.2
done
sleep 0.5
shot 08-write-completed
xdotool key Return
sleep 0.5
click 101 8 0.7        # "Dispositivo": the main window answers again
shot 09-main-window-answers
xdotool key Escape
sleep 0.5

# The last two items of "Acción": the board test's window, then the identification box.
click 160 8 0.5        # "Acción"
xdotool key Up Up Return
for _ in $(seq 50); do
  [ -n "$(window '^Prueba de la placa')" ] && break
  sleep 0.2
done
sleep 0.5
shot 10-board-test-window
report="$(window '^Prueba de la placa')"
if [ -n "$report" ]; then
  xdotool windowactivate --sync "$report" 2>/dev/null || true
  xdotool key ctrl+a   # the report's text, selected as a user would copy it
  sleep 0.3
  shot 11-board-test-selected
  xdotool key Return   # "Cerrar"
  sleep 0.5
fi
click 160 8 0.5        # "Acción"
xdotool key Up Return
sleep 1
shot 12-identify-box
xdotool key Return
sleep 0.5

# The keyboard's focus: from "Leer", Tab to the program grid (its current cell framed), then on
# to the area boxes.
xdotool windowactivate --sync "$main" 2>/dev/null || true
click 356 "$row" 0.3    # "Leer" takes the focus (and reads the chip)
xdotool key Return     # "Operación Completada."
sleep 0.5
xdotool key Tab Tab Tab Tab
sleep 0.5
shot 13-focus-program-grid
xdotool key Tab Tab
sleep 0.5
shot 14-focus-area-box

# Windows the main window opens have a title and a close button, no minimise or maximise.
click 221 8 0.5        # "Ayuda" → "Sobre Tavrix"
xdotool key Down Return
sleep 1
shot 15-about-title-buttons
xdotool key Return
sleep 0.5
click 524 "$row" 1     # "Configuración"
shot 16-config-editor-title-buttons
xdotool key Escape
sleep 0.5
click "$desproteger" "$row" 1
shot 17-question-title-buttons
xdotool key Escape
sleep 0.5

# The EEPROM grid after a device without EEPROM (PIC16F73, the fourteenth) and back to the
# PIC16F84A: its heading column leaves the first data column whole.
click 101 8 0.5
xdotool key Down Down Down Down Down Down Down Down Down Down Down Down Down Down Return
sleep 0.7
click 101 8 0.5
xdotool key Down Return
sleep 0.7
shot 18-eeprom-grid

[ -n "$guide" ] || exit 0

# The rest of the guide's pictures: a first session on a fresh virtual board with the example.
kill "${pids[-1]}" 2>/dev/null || true
sleep 1
start_sim

click 32 8 0.5         # "Archivo" > "Abrir HEX"
xdotool key Down Return
sleep 1.5
xdotool type --delay 20 "$root/docs/contador.hex"
xdotool key Return
sleep 1.5
click 32 380 0.3       # the scope boxes "Memoria (EEPROM)", "Palabra de Configuración" and
click 32 404 0.3       # "Identificador"
click 32 428 0.3
picture "$main" ventana-principal

click 524 "$row" 1     # "Configuración"
editor="$(window '^Palabra de Configuración')"
[ -z "$editor" ] || { picture "$editor" configuracion; xdotool key Escape; sleep 0.5; }

click "$escribir" "$row" 0.5
for _ in $(seq 300); do
  [ -n "$(window '^Mensaje')" ] && break
  sleep 0.2
done
sleep 0.5
done_box="$(window '^Mensaje')"
[ -z "$done_box" ] || { picture "$done_box" completada; xdotool key Return; sleep 0.5; }

click 160 8 0.5        # "Acción" > "Probar la placa…"
xdotool key Up Up Return
for _ in $(seq 50); do
  [ -n "$(window '^Prueba de la placa')" ] && break
  sleep 0.2
done
sleep 0.5
report="$(window '^Prueba de la placa')"
[ -z "$report" ] || { picture "$report" prueba-placa; xdotool key Return; sleep 0.5; }

# A board whose chip never enters programming mode: what a comparison says then.
kill "${pids[-1]}" 2>/dev/null || true
sleep 1
TAVRIX_VIRTUAL_FAULT=novpp "$build/src/tavrix-sim" >/dev/null 2>&1 &
pids+=($!)
main=""
for _ in $(seq 100); do
  main="$(xdotool search --onlyvisible --name '^Tavrix' 2>/dev/null | head -1 || true)"
  [ -n "$main" ] && break
  sleep 0.1
done
sleep 1
click 32 8 0.5
xdotool key Down Return
sleep 1.5
xdotool type --delay 20 "$root/docs/contador.hex"
xdotool key Return
sleep 1.5
click 288 "$row" 1.5   # "Comparar"
error_box="$(window '^Error')"
[ -z "$error_box" ] || { picture "$error_box" error-verificacion; xdotool key Escape; sleep 0.5; }
du -ch "$guide"/*.png | tail -1
