#!/usr/bin/env bash
# Installs the Debian packages the build needs, once: does nothing when all are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev googletest   # unit tests
  libbenchmark-dev                       # bench/
  libsqlite3-dev                         # the peer the storage benchmarks measure against
  qt6-base-dev                           # display back-end, preview and printing
  fonts-dejavu-core                      # a font for Qt's offscreen platform
  fonts-crosextra-carlito                # metric twin of Calibri, the sheets' font: layouts fit as drawn
  poppler-utils                          # pdfinfo, pdftotext: tests read back the PDF reports
  clang libclang-rt-dev                  # libFuzzer targets (make fuzz)
  libcli11-dev                           # command-line parsing of every program
  nlohmann-json3-dev                     # JSON lines of krl exec
  xvfb xdotool imagemagick               # scripts/demo-shots.sh: virtual display, key presses, screenshots
  postgresql                             # the server the PostgreSQL driver's tests and benchmarks start
  libpq-dev                              # the PostgreSQL driver's client library
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "error: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${as_root[@]}" apt-get update
  "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
