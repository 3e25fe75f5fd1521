#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quilla needs.
# Idempotent: packages already present are left alone; the package lists are only
# refreshed when something is missing. Run as root (or through sudo).
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-svg-dev
  libmpv-dev
  libcurl4-openssl-dev
  libasio-dev zlib1g-dev libpcre2-dev
  libcpp-httplib-dev
  libtag1-dev libsqlite3-dev libopencc-dev unicode-data libbz2-dev
  libespeak-ng-dev espeak-ng-data libmp3lame-dev
  libavformat-dev libavcodec-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-wqy-zenhei
  libxcb1-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
