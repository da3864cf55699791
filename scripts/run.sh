#!/usr/bin/env bash
# Installs what is missing, builds, makes the demo school's data folder if it is not there yet,
# and shows one of its files: scripts/run.sh [DATA_FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
data="${1:-$root/demo}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
tool="$build/tools/gradebook-data"
if [ ! -e "$data/Actas.Tps" ]; then
  "$tool" demo "$data"
  echo "Demo data folder made: $data"
fi
"$tool" dump "$data/Zolbrans.Tps" --key MAE:AK_CLAVE
