#!/usr/bin/env bash
# Starts the grade book on the demo school: scripts/run.sh [DATA_FOLDER]
# Installs what is missing, builds, makes the demo school's data folder if it is not there yet, and
# starts the program in it. The program's windows need a display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
data="${1:-$root/demo}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'TEXT'
There is no display to show the grade book's windows on: neither DISPLAY nor WAYLAND_DISPLAY is set.
Run it on a desktop, or on a virtual display with:
    xvfb-run -a bash scripts/run.sh
TEXT
  exit 2
fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
if [ ! -e "$data/Actas.Tps" ]; then
  "$build/tools/gradebook-data" demo "$data"
  echo "Demo data folder made: $data"
fi

program="$build/gradebook/gradebook"
echo "Teachers, keys and passwords of the demo school: tools/demo/README.md"
cd "$data"
exec "$program"
