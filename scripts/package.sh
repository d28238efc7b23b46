#!/usr/bin/env bash
# Builds the Debian package. Usage: scripts/package.sh [BUILD_DIR]
# Without BUILD_DIR a Release build without tests is made in build-package/. An existing build
# folder (for instance the tests' one) is packaged as it is configured; CPack strips it.
# Prints the package's path on the last line.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-}
# The 48 px icon is drawn at configure and build time, so the tools must be there first.
for tool in dpkg-deb dpkg-shlibdeps rsvg-convert; do
  command -v "$tool" >/dev/null || { echo "package: $tool is missing (Debian packages dpkg-dev, librsvg2-bin)" >&2; exit 1; }
done
if [ -z "$dir" ]; then
  dir="$top/build-package"
  BUILD_TYPE=Release "$top/scripts/build.sh" "$dir" -DWL_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
else
  cmake "$dir" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
fi
rm -f "$dir"/wavelathe_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/wavelathe_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "$deb"
