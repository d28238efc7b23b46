#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, everything instrumented) and runs each from a copy of
# its seeds for FUZZ_SECONDS (default 30). Usage: scripts/fuzz.sh [BUILD_DIR]
# Fails on a finding, on a target without seeds, and on anything a run leaves in its
# temporary folder. Prints each target's coverage at its seeds and at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-$top/build-fuzz}")
seconds=${FUZZ_SECONDS:-30}

CC=clang CXX=clang++ BUILD_TYPE=Debug "$top/scripts/build-targets.sh" "$dir" 'fuzz_[a-z0-9_]*' -DWL_FUZZ=ON

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for f in "$dir"/bin/fuzz_*; do
  name=$(basename "$f")
  short=${name#fuzz_}
  seeds="$top/fuzz/seeds/$short"
  [ -d "$seeds" ] || { echo "$name: no seeds in $seeds"; exit 1; }
  # A private temporary folder per run; the corpus is named relative to it.
  run=$(mktemp -d "$scratch/$short.XXXX")
  mkdir "$run/corpus" "$run/tmp"
  cp "$seeds"/* "$run/corpus/"
  dict=()
  [ -f "$top/fuzz/$short.dict" ] && dict=(-dict="$top/fuzz/$short.dict")
  # fuzz/NAME.options: extra libFuzzer flags for one target, one per line, "#" for comments.
  extra=()
  [ -f "$top/fuzz/$short.options" ] && mapfile -t extra < <(grep -v '^\s*\(#\|$\)' "$top/fuzz/$short.options")
  # Without the leak check for an input, the sanitizer's check at exit must go too.
  leaks=1
  printf '%s\n' "${extra[@]}" | grep -q -- '-detect_leaks=0' && leaks=0
  log="$run/log"
  if ! (cd "$run" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=$leaks" TMPDIR="$run/tmp" "$f" "${dict[@]}" "${extra[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -print_final_stats=1 corpus >"$log" 2>&1); then
    echo "-- $name FAILED"; tail -n 40 "$log"; status=1; continue
  fi
  seedsCov=$(grep -m1 'INITED' "$log" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  endCov=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "-- $name: cov $seedsCov at its $(ls "$seeds" | wc -l) seeds, $endCov after ${seconds}s ($runs runs, corpus $(ls "$run/corpus" | wc -l))"
  if [ -n "$(ls -A "$run/tmp")" ]; then
    echo "$name left files in its temporary folder:"; ls -A "$run/tmp"; status=1
  fi
done
exit $status
