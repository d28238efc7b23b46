#!/usr/bin/env bash
# Configures BUILD_DIR like build.sh and builds only the targets whose names match PATTERN
# (an anchored regular expression). Usage: scripts/build-targets.sh BUILD_DIR PATTERN [cmake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1 pattern=$2; shift 2
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" "$@"
targets=$(ninja -C "$dir" -t targets all | sed -n "s/^\($pattern\): phony.*/\1/p" | sort -u)
if [ -z "$targets" ]; then
  echo "no targets match $pattern in $dir" >&2
  exit 1
fi
cmake --build "$dir" -j "$(nproc)" --target $targets
