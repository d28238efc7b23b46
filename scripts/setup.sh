#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need. Safe to run twice.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libcdio-dev libcdio-paranoia-dev libcdio-utils cd-paranoia libcli11-dev man-db bash-completion
  libdiscid-dev libtag1-dev ffmpeg python3-mutagen
  libflac-dev flac libopusenc-dev libopus-dev opus-tools libebur128-dev libogg-dev
  libmp3lame-dev lame
  zlib1g-dev libssl-dev libcurl4-openssl-dev nlohmann-json3-dev ca-certificates
  portaudio19-dev libsamplerate0-dev libasound2-dev libasound2-plugins
  libgtest-dev libgmock-dev libbenchmark-dev
  libglib2.0-dev gsettings-desktop-schemas
  clang libclang-rt-14-dev
  fonts-dejavu-core fonts-liberation xvfb xdotool xauth
  sox mpg123 imagemagick bchunk cuetools shntool
  desktop-file-utils appstream dpkg-dev librsvg2-bin x11-utils file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
