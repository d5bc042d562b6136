#!/usr/bin/env bash
# Runs every fuzz target for a while and fails on any finding.
#   fuzz/run.sh <build folder> <seconds per target>
# Each target first replays its saved regressions (fuzz/regressions/<target>/), then
# fuzzes from the seeds with its dictionary. Findings land in <build>/findings/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-60}
root=$PWD

# target, dictionary, seconds one input may take, seed folders
targets=(
  "source kelo 20 fuzz/seeds/kelo tests/kelo"
  "backtest kelo 120 fuzz/seeds/kelo tests/kelo"
  "bridge json 20 fuzz/seeds/bridge"
  "client json 20 fuzz/seeds/client"
)

run_one() {
  local name=$1 dict=$2 timeout=$3
  shift 3
  local binary=$root/$build/fuzz_$name
  local corpus=$root/$build/corpus/$name
  local findings=$root/$build/findings/$name
  local log=$root/$build/fuzz_$name.log
  mkdir -p "$corpus" "$findings"
  local seeds=()
  for s in "$@"; do [ -d "$root/$s" ] && seeds+=("$root/$s"); done
  local regressions=()
  if [ -d "$root/fuzz/regressions/$name" ]; then
    mapfile -t regressions < <(find "$root/fuzz/regressions/$name" -type f | sort)
  fi
  export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  if [ ${#regressions[@]} -gt 0 ] &&
     ! (cd "$findings" && "$binary" -timeout="$timeout" -rss_limit_mb=2048 "${regressions[@]}") > "$log" 2>&1; then
    echo "fuzz_$name: a saved regression fails again; see $log" >&2
    return 1
  fi
  if (cd "$findings" && "$binary" -dict="$root/fuzz/$dict.dict" -max_total_time="$seconds" \
        -timeout="$timeout" -rss_limit_mb=2048 -print_final_stats=1 \
        "$corpus" "${seeds[@]}") >> "$log" 2>&1; then
    echo "fuzz_$name: $(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$') runs in ${seconds}s, no finding"
  else
    echo "fuzz_$name: FINDING (input saved in $findings); last lines of $log:" >&2
    tail -n 30 "$log" >&2
    return 1
  fi
}

# Two targets at a time: each is one process, and a 2-core machine runs two.
jobs=$(( $(nproc) >= 4 ? 4 : 2 ))
status=0
pids=()
for t in "${targets[@]}"; do
  # shellcheck disable=SC2086
  run_one $t &
  pids+=($!)
  if [ ${#pids[@]} -ge $jobs ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
