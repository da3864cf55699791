#!/usr/bin/env bash
# Builds in release and runs every benchmark: scripts/bench.sh [benchmark options...]
# e.g. scripts/bench.sh --benchmark_filter=GetByUniqueKey. The build folder is $BENCH_BUILD
# (default build-release); generated schools are cached in its bench-cache/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BENCH_BUILD:-$root/build-release}"
"$root/scripts/install-deps.sh"
BUILD_TYPE=Release "$root/scripts/build.sh" "$build" -DGRADEBOOK_BENCH=ON
for program in "$build"/bench/*_bench; do
  echo "== $(basename "$program")"
  "$program" "$@"
done
