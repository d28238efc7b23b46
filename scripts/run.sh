#!/usr/bin/env bash
# Sets everything up, builds, and starts Wavelathe on the generated demo disc.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build" -DWL_TESTS=OFF
disc="$top/build/demo/demo.cue"
# Settings live in the working folder; keep the demo's apart from the source tree.
mkdir -p "$top/build/run"
cd "$top/build/run"
if [ -f "$disc" ]; then
  exec "$top/build/bin/wavelathe" --disc "$disc" "$@"
fi
exec "$top/build/bin/wavelathe" "$@"
