#!/usr/bin/env bash
# Installs the Debian packages the build, the program under Wine and the
# tests need. Idempotent and quiet when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine wine64 xvfb xauth x11-utils imagemagick
  cups printer-driver-cups-pdf poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y -q "${missing[@]}" >/tmp/startwart-apt.log 2>&1; then
  $sudo apt-get update -q >>/tmp/startwart-apt.log 2>&1
  $sudo apt-get install -y -q "${missing[@]}" >>/tmp/startwart-apt.log 2>&1 || {
    tail -n 30 /tmp/startwart-apt.log >&2
    exit 1
  }
fi
