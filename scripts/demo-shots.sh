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
#   signin-done.png       the right birth date accepted: what follows the sign-in
#
# Needs Xvfb, xdotool and ImageMagick's import; builds qvnotas and qvdata and
# makes the sample school in demo-data/ when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-demo-shots}
mkdir -p "$out"
out=$(cd "$out" && pwd)

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "demo-shots: $tool is not installed" >&2; exit 1; }
done
[ -d build ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target qvnotas qvdata krl >/dev/null
[ -f demo-data/QVLIBRETA.KRL ] || ./build/tools/qvdata/qvdata demo demo-data --seed 1 >/dev/null
read -r dni birth < <(./scripts/demo-teacher.sh demo-data)

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
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
box=
for _ in $(seq 50); do
  box=$(xdotool search --onlyvisible --name "Ventana no disponible" 2>/dev/null | head -n 1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
if [ -n "$box" ]; then win=$box; shot signin-done.png; else echo "demo-shots: the sign-in did not go through" >&2; exit 1; fi
xdotool key Return
wait "$app" && app=
