#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a number of seconds, starting from
# its corpus in tests/corpus/<target>, then keeps there only the inputs that
# add coverage (make test replays them). Stops at the first crash, leaving the
# input that caused it in <build>/artifacts.
#   tools/run_fuzzers.sh [build folder] [seconds per target]
set -euo pipefail
build=$(cd "${1:-build-fuzz}" && pwd)
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts="$build/artifacts"
mkdir -p "$artifacts"

for fuzzer in "$build"/tests/fuzz/*_fuzz; do
  name=$(basename "$fuzzer")
  corpus="$root/tests/corpus/$name"
  work=$(mktemp -d)
  log="$build/$name.log"
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/")
  [[ -f "$root/tests/fuzz/$name.dict" ]] && options+=(-dict="$root/tests/fuzz/$name.dict")
  echo "== $name: $seconds s"
  if ! "$fuzzer" "${options[@]}" "$work" "$corpus" > "$log" 2>&1; then
    tail -n 40 "$log"
    echo "$name: crashed; the input is in $artifacts" >&2
    exit 1
  fi
  grep -E '^#[0-9]+.*DONE|^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" || true
  # The minimal set of inputs with the same coverage replaces the corpus.
  merged=$(mktemp -d)
  "$fuzzer" -merge=1 "$merged" "$corpus" "$work" > "$build/$name.merge.log" 2>&1
  rm -rf "$corpus" "$work"
  mv "$merged" "$corpus"
  chmod 755 "$corpus"
  echo "corpus: $(find "$corpus" -type f | wc -l) inputs in tests/corpus/$name"
done
