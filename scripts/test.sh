#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: once as built, once under AddressSanitizer
# and UndefinedBehaviorSanitizer, then the fuzz targets briefly.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# A private, writable HOME keeps tests away from the user's desktop settings.
export HOME=$(mktemp -d)
export XDG_RUNTIME_DIR=$HOME/run; mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export GSETTINGS_BACKEND=memory
jobs=$(nproc)

echo "== build and test"
"$top/scripts/build.sh" "$top/build-test" -DWL_WERROR=ON -DWL_BENCH=ON
ctest --test-dir "$top/build-test" --output-on-failure -j "$jobs"

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_TYPE=Debug "$top/scripts/build.sh" "$top/build-asan" -DWL_WERROR=ON -DWL_SANITIZE=ON
ctest --test-dir "$top/build-asan" --output-on-failure -j "$jobs" -LE hardware

echo "== fuzz targets, briefly"
fuzzdir="$top/build-fuzz"
CC=clang CXX=clang++ cmake -S "$top" -B "$fuzzdir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWL_FUZZ=ON >/dev/null
targets=$(ninja -C "$fuzzdir" -t targets all | sed -n 's/^\(fuzz_[a-z0-9_]*\): phony.*/\1/p' | sort -u)
[ -z "$targets" ] || cmake --build "$fuzzdir" -j "$jobs" --target $targets
shopt -s nullglob
for f in "$top"/build-fuzz/bin/fuzz_*; do
  echo "-- $(basename "$f")"
  corpus=$(mktemp -d)
  "$f" -max_total_time="${FUZZ_SECONDS:-30}" -rss_limit_mb=2048 "$corpus" 2>&1 | tail -n 3
done
echo "== all tests passed"
