#!/usr/bin/env bash
# Prints "DNI DD/MM/YYYY" of the first teacher of the school in FOLDER (the
# first subject record with an identity number), read with krl dump.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:?usage: demo-teacher.sh FOLDER}
./build/tools/krl/krl dump "$folder/QVMaterias.KRL" |
  sed -n 's/.*"QVM:DNI_DOCENTE":\([1-9][0-9]*\).*"QVM:QVP_FECHANAC":"\([0-9]*\)-\([0-9]*\)-\([0-9]*\)".*/\1 \4\/\3\/\2/p' |
  head -n 1
