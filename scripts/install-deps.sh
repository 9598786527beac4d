#!/usr/bin/env bash
# Installs what building, running and testing Tabrazo need on Debian 12. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates curl
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-image-formats-plugins qt6-webengine-dev libgl-dev
  libxml2-dev libpugixml-dev libx11-dev libxcb1-dev libxcb-keysyms1-dev libpulse-dev libfontconfig-dev libpng-dev
  xvfb xauth x11-utils xdotool imagemagick xclip openbox
  weston xwayland qt6-wayland
  pulseaudio pulseaudio-utils trayer
  fonts-wqy-zenhei qt6-translations-l10n
  desktop-file-utils appstream lintian
  python3 python3-pil
  sqlite3
)
# Machines that bring their own Node.js keep it; Debian's conflicts with it.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Ruffle, at the version package.json pins; reinstalled when the pin moves.
if [ -f package.json ]; then
  want=$(sed -n 's/.*"@ruffle-rs\/ruffle": *"\([^"]*\)".*/\1/p' package.json)
  have=""
  if [ -f node_modules/@ruffle-rs/ruffle/package.json ]; then
    have=$(sed -n 's/.*"version": *"\([^"]*\)".*/\1/p' node_modules/@ruffle-rs/ruffle/package.json | head -1)
  fi
  [ -n "$want" ] && [ "$want" = "$have" ] || npm ci --no-audit --no-fund
fi
