#!/usr/bin/env bash
# Runs the real program under a virtual X display (Xvfb), signs in as a demo
# teacher with key presses (xdotool) and saves PNG pictures of the sign-in
# window in its two states:
#
#   scripts/demo-shots.sh [OUT_FOLDER]     (default: demo-shots/)
#
#   signin-identity.png   at open: "Ingresa tu D.N.I.", the number entry
#   signin-notfound.png   an unknown number: "No encontrado ....."
#   signin-password.png   a teacher's number: name, "Clave (Fecha de Nacimiento):"
#   followup.png          the follow-up window: the teacher's first subject, its
#                         grade book with each row's "Prom. OLE", "FINAL" and status
#   followup-editing.png  grades being typed into a row ("&Editar"), a cell open
#   followup-saved.png    the row saved: its new average, final grade and status
#   followup-fast.png     five more rows typed as one burst of keys (about 33
#                         keys a second), each grade in its cell
#   followup-refused.png  "8,5" typed into a grade cell: the message refusing it
#   preview.png           "Planilla": the print preview of the subject's sheet
#
# Needs Xvfb, xdotool and ImageMagick's import (scripts/install-deps.sh installs
# them when missing); builds qvnotas and qvdata and makes the sample school in
# demo-data/ when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-demo-shots}
# The screen: QV_SHOTS_SCREEN=1366x768 and QV_SHOTS_SCALE=1.5 show the program
# as on a school laptop, or on a full-HD screen at 150 %.
screen=${QV_SHOTS_SCREEN:-1920x1080}
[ -n "${QV_SHOTS_SCALE:-}" ] && export QT_SCALE_FACTOR=$QV_SHOTS_SCALE
mkdir -p "$out"
out=$(cd "$out" && pwd)

./scripts/install-deps.sh
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "demo-shots: $tool is not installed" >&2; exit 1; }
done
[ -d build ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qvnotas qvdata krl >/dev/null
[ -f demo-data/QVLIBRETA.KRL ] || ./build/tools/qvdata/qvdata demo demo-data --seed 1 >/dev/null
read -r dni birth < <(./scripts/demo-teacher.sh demo-data)

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

(cd demo-data && exec ../build/app/qvnotas/qvnotas) &
app=$!
win=
for _ in $(seq 100); do
  win=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "demo-shots: the program's window did not appear" >&2; exit 1; }
sleep 0.5
shot() { sleep 0.4; import -window "$win" "$out/$1"; echo "$out/$1"; }

xdotool windowactivate --sync "$win" 2>/dev/null || true
shot signin-identity.png
xdotool type --delay 40 "12345"; xdotool key Tab
shot signin-notfound.png
xdotool key shift+Tab ctrl+a BackSpace; xdotool type --delay 40 "$dni"; xdotool key Tab
shot signin-password.png
xdotool key ctrl+a; xdotool type --delay 40 "$birth"; xdotool key Tab space
# The sign-in window closes and the follow-up window opens.
follow=
for _ in $(seq 100); do
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null || true); do
    [ "$w" != "$win" ] && follow=$w
  done
  [ -n "$follow" ] && break
  sleep 0.1
done
[ -n "$follow" ] || { echo "demo-shots: the follow-up window did not open" >&2; exit 1; }
win=$follow
xdotool windowactivate --sync "$win" 2>/dev/null || true
sleep 1
shot followup.png
# "&Editar" opens the highlighted row's first grade cell; Tab runs the rule.
xdotool key alt+e
sleep 0.5
xdotool type --delay 60 "9"; xdotool key Tab
xdotool type --delay 60 "8"; xdotool key Tab
xdotool type --delay 60 "6"
shot followup-editing.png
xdotool key Return
sleep 1
shot followup-saved.png
# Five rows typed fast, row by row: Down to the next row, "&Editar", eleven
# grades with Tab between them, Enter.
keys=()
for row in 1 2 3 4 5; do
  keys+=(Down alt+e)
  for cell in $(seq 11); do
    grade=$(( (row + cell) % 4 + 7 ))
    keys+=($(echo "$grade" | sed 's/./& /g'))  # one key per digit
    [ "$cell" -lt 11 ] && keys+=(Tab)
  done
  keys+=(Return)
done
xdotool key --delay 30 "${keys[@]}"
sleep 3
shot followup-fast.png
# A grade the cell cannot hold: refused with a message, nothing saved.
xdotool key alt+e; xdotool type --delay 60 "8,5"; xdotool key Tab
sleep 1
sleep 0.4; import -window root "$out/followup-refused.png"; echo "$out/followup-refused.png"
xdotool key Return; sleep 0.3; xdotool key Escape
sleep 0.5
# "Planilla" (the button left of "&Editar") previews the subject's sheet.
# The window's own width gives its dialog unit: "Planilla" is centred at 764, 20.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove --window "$win" $(( WIDTH * 764 / 900 )) $(( WIDTH * 20 * 13 / 900 / 12 )) click 1
preview=
for _ in $(seq 100); do
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null || true); do
    [ "$w" != "$win" ] && preview=$w
  done
  [ -n "$preview" ] && break
  sleep 0.1
done
if [ -n "$preview" ]; then
  win=$preview
  sleep 1.5
  shot preview.png
else
  echo "demo-shots: the print preview did not open" >&2
fi
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
app=
