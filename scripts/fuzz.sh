#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), writes their seed corpora from the simulated service and
# runs every target briefly.
#
#   scripts/fuzz.sh                    every target for 5 seconds (what CI runs)
#   scripts/fuzz.sh --long             every target for 10 minutes
#   scripts/fuzz.sh --long 3600 odds_file store_writers
#                                      the named targets for an hour each
#
# Targets: record_views odds_file day_files ini_file store_writers csv_export bridge_frames
# bridge_answers season_rows.
# Inputs found are kept in build/fuzz/corpus/<target> and reused by the next run; a
# crashing input is written to build/fuzz/crashes/<target>/ and fails the run. Replay
# one with build/fuzz/bin/fuzz_<target> <file>, then make it a test in tests/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${TIDEMARK_FUZZ_SECONDS:-5}
if [ "${1:-}" = "--long" ]; then
  shift
  seconds=600
  if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(record_views odds_file day_files ini_file store_writers csv_export bridge_frames bridge_answers season_rows)

command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (Debian packages clang, libclang-rt-dev)" >&2; exit 1; }
start=$(date +%s)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target fuzz_all
built=$(date +%s)

# Every input is a fresh scratch store; on a memory file system its flushes cost nothing.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
bin=build/fuzz/bin
seeds=build/fuzz/seeds
rm -rf "$seeds"
"$bin/tidemark_fuzz_seeds" "$seeds"

status=0
total=0
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  crashes=build/fuzz/crashes/$t
  mkdir -p "$corpus" "$crashes" "$seeds/$t"
  log=build/fuzz/$t.log
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$bin/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$crashes/" "$corpus" "$seeds/$t" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 40 "$log" >&2
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  total=$((total + ${runs:-0}))
  printf 'fuzz %-14s %-6s %10s inputs, corpus %s files\n' "$t" "$result" "${runs:-?}" "$(ls "$corpus" | wc -l)"
done
end=$(date +%s)
echo "fuzz: $total inputs in all; build $((built - start)) s, runs $((end - built)) s"
exit $status
