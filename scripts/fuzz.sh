#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60): scripts/fuzz.sh [SECONDS [TARGET...]], every target unless
# some are named. The build folder is $FUZZ_BUILD (default build-fuzz). Each target's corpus grows in
# corpus/TARGET, seeded from the demo school; what a target finds (crash-*, leak-*, timeout-*, oom-*)
# is kept in findings/TARGET and its output in logs/TARGET.log. Exits non-zero when a target found
# something.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${1:-60}"
shift || true

# Each target with its libFuzzer options. Data-file inputs are a declaration byte and the file: the
# largest seed is 64 KiB. Table seeds are at most 4 KiB a table (fuzz/make_seeds.cpp).
targets=(data_file_fuzz plain_data_file_fuzz csv_fuzz load_check_fuzz)
declare -A options=(
  [data_file_fuzz]="-max_len=65537"
  [plain_data_file_fuzz]="-max_len=65537 -dict=$root/fuzz/data_file.dict"
  [csv_fuzz]="-max_len=8192 -dict=$root/fuzz/tables.dict"
  [load_check_fuzz]="-max_len=40000 -dict=$root/fuzz/tables.dict"
)

if [ $# -gt 0 ]; then
  for target in "$@"; do
    [ -n "${options[$target]+set}" ] || { echo "fuzz.sh: no target $target (the targets: ${targets[*]})" >&2; exit 2; }
  done
  targets=("$@")
fi

"$root/scripts/install-deps.sh" fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
  -DCMAKE_CXX_COMPILER=clang++-14 -DGRADEBOOK_FUZZ=ON -DGRADEBOOK_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_targets --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

rm -rf "$build/fuzz-seeds"
"$build/fuzz/fuzz_seeds" "$build/fuzz-seeds"

# The targets write their data files here: on tmpfs when there is one, so that syncs cost nothing.
scratch_parent=/dev/shm
[ -d "$scratch_parent" ] && [ -w "$scratch_parent" ] || scratch_parent="${TMPDIR:-/tmp}"
scratch="$(mktemp -d "$scratch_parent/gradebook-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

export GRADEBOOK_FUZZ_SCRATCH="$scratch"
export LSAN_OPTIONS="suppressions=$root/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

found=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target" findings="$build/findings/$target" log="$build/logs/$target.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  echo "== $target: $seconds s"
  status=0
  # shellcheck disable=SC2086  # the options are words
  "$build/fuzz/$target" ${options[$target]} -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$build/fuzz-seeds/$target" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  coverage="$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 | sed -E 's/.*(cov: [0-9]+ ft: [0-9]+).*/\1/' || true)"
  echo "   ${runs:-?} runs (${rate:-?}/s), corpus $(find "$corpus" -type f | wc -l) inputs, ${coverage:-cov: ?}"
  if [ "$status" -ne 0 ]; then
    found=1
    grep -E '^SUMMARY|^==[0-9]+== ?ERROR' "$log" | head -2 | sed 's/^/   /' || true
    sed -n 's/.*Test unit written to /   finding: /p' "$log"
    echo "   the whole report: $log"
  else
    echo "   no finding"
  fi
done
exit "$found"
