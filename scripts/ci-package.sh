#!/usr/bin/env bash
# CI for the installed program and its Debian package. Usage: scripts/ci-package.sh [BUILD_DIR]
# BUILD_DIR (default build-test, as scripts/test.sh leaves it) is built with the tests. It is
# installed into a temporary DESTDIR; the installed program must start on the demo disc and
# load its encoder library from its private folder, a short WAV must convert through it, the
# desktop entry and the metainfo must validate, and the package must hold the same files.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$(cd "${1:-$top/build-test}" && pwd)
disc="$dir/demo/demo.cue"

packages=(desktop-file-utils appstream dpkg-dev librsvg2-bin x11-utils xvfb xauth xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "ci-package: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The program must not touch the desktop of whoever runs this.
work=$(mktemp -d)
app=""
trap '[ -z "$app" ] || kill "$app" 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work/home XDG_RUNTIME_DIR=$work/run GSETTINGS_BACKEND=memory
mkdir -p "$HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
shots=${WL_SHOT_DIR:-$dir/package-check}
mkdir -p "$shots"

fail() { echo "ci-package: FAILED: $*" >&2; exit 1; }

echo "== build (rsvg-convert may be new: configure again)"
cmake "$dir" >/dev/null
cmake --build "$dir" -j "$(nproc)" >/dev/null
[ -f "$disc" ] || fail "no demo disc at $disc"

echo "== install into a temporary DESTDIR"
stage=$work/stage
DESTDIR=$stage cmake --install "$dir" --prefix /usr >/dev/null
appid=$(sed -n 's/^WL_APP_ID:STRING=//p' "$dir/CMakeCache.txt")
expected=(
  usr/bin/wavelathe
  usr/lib/wavelathe/LameEnc.so
  usr/share/wavelathe/help/index.html
  usr/share/applications/wavelathe.desktop
  usr/share/icons/hicolor/scalable/apps/wavelathe.svg
  usr/share/icons/hicolor/48x48/apps/wavelathe.png
  "usr/share/metainfo/$appid.metainfo.xml"
  usr/share/man/man1/wavelathe.1
  usr/share/bash-completion/completions/wavelathe
)
for f in "${expected[@]}"; do [ -f "$stage/$f" ] || fail "not installed: /$f"; done
[ ! -e "$stage/usr/bin/LameEnc.so" ] || fail "the encoder library is installed beside the program"
size=$(file -b "$stage/usr/share/icons/hicolor/48x48/apps/wavelathe.png" 2>/dev/null || true)
case "$size" in *"48 x 48"*|"") ;; *) fail "the PNG icon is not 48 px: $size" ;; esac

echo "== desktop entry and metainfo"
desktop-file-validate "$stage/usr/share/applications/wavelathe.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$appid.metainfo.xml"

echo "== the installed program starts offscreen on the demo disc and loads its encoder library"
run=$work/run-installed && mkdir -p "$run"
lib=$stage/usr/lib/wavelathe/LameEnc.so
(cd "$run" && QT_QPA_PLATFORM=offscreen LD_DEBUG=files LD_DEBUG_OUTPUT=$work/ld \
  exec "$stage/usr/bin/wavelathe" --disc "$disc" >"$work/out.txt" 2>&1) &
app=$!
# The library loads while the window is created; a fresh HOME may first build font caches.
for _ in $(seq 1 120); do
  grep -qs "calling init: $lib" "$work"/ld.* && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.5
done
sleep 2
if ! kill -0 "$app" 2>/dev/null; then
  cat "$work/out.txt" >&2
  fail "the installed program ended by itself"
fi
kill "$app"; wait "$app" 2>/dev/null || true
app=""
grep -qs "calling init: $lib" "$work"/ld.* || fail "the installed program did not load $lib"

echo "== a short WAV converts through the installed encoder library"
check=$work/check && mkdir -p "$check"
(cd "$check" && timeout 120 "$dir/bin/installed_program_check" "$stage/usr/bin" "$disc" "$shots/installed-window.png")

echo "== the installed command line and its manual page"
"$stage/usr/bin/wavelathe" info --disc "$disc" --no-lookup --json >"$work/info.json" || fail "info on the demo disc failed"
grep -q '"musicbrainz"' "$work/info.json" || fail "info --json printed no disc IDs"
MANWIDTH=80 man -l "$stage/usr/share/man/man1/wavelathe.1" 2>/dev/null | grep -q "EXIT STATUS" || fail "man -l does not show the page"

echo "== the window carries the icon (Xvfb)"
xvfb-run -a -s "-screen 0 800x600x24" timeout 60 bash -c '
  cd "$1" || exit 1
  QT_QPA_PLATFORM=xcb "$2" --disc "$3" >/dev/null 2>&1 &
  app=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Wavelathe") || { kill $app; exit 1; }
  wid=$(echo "$wid" | head -n 1)
  xprop -id "$wid" _NET_WM_ICON | grep -m 1 "Icon (" > "$4" || true
  import -window root "$5" 2>/dev/null || true
  kill $app; wait $app 2>/dev/null || true
' _ "$run" "$stage/usr/bin/wavelathe" "$disc" "$work/icon.txt" "$shots/installed-xvfb.png" ||
  fail "the installed program's window did not come up under Xvfb"
grep -q "Icon (48 x 48)" "$work/icon.txt" || fail "the window has no 48 px icon: $(cat "$work/icon.txt")"

echo "== the Debian package"
deb=$("$top/scripts/package.sh" "$dir" | tail -n 1)
listing=$(dpkg-deb -c "$deb")
for f in "${expected[@]}"; do
  grep -q " \./$f\$" <<<"$listing" || fail "the package lacks /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-liberation libqt6widgets6 libcdio19 libmp3lame0 libportaudio2 libdiscid0 libtag1v5 libcurl4; do
  grep -q "$d" <<<"$depends" || fail "the package does not depend on $d: $depends"
done
echo "ci-package: $(basename "$deb"): $(stat -c %s "$deb") bytes; Depends: $depends"
echo "== package checks passed"
