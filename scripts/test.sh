#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: scripts/test.sh [BUILD_DIR] [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" "$@"
# Widgets are tested offscreen; nothing needs a display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
