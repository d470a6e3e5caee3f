#!/usr/bin/env bash
# Installs what is missing, builds the 64-bit program and runs it under Wine:
# on $DISPLAY when there is one; otherwise on a virtual screen, where it
# saves a screenshot of the main window and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Merotan
exe="$PWD/build/windows/Merotan.exe"

if [ -n "${DISPLAY:-}" ]; then
  export WINEDEBUG=-all
  exec wine "$exe"
fi

. tests/wine/wine-env.sh
sw_prefix_start
sw_session_start
trap sw_prefix_stop EXIT
folder="$WINEPREFIX/drive_c/Startwart"
mkdir -p "$folder"
cp "$exe" "$folder/"
# Wine's own desktop window draws the frame and caption (no window manager here).
wine explorer /desktop=Startwart,1280x1024 "$folder/Merotan.exe" &
pid=$!
shot="$PWD/build/windows/Merotan-screenshot.png"
for _ in $(seq 1 60); do
  sleep 0.5
  if DISPLAY=$DISPLAY xwininfo -root -tree 2>/dev/null | grep -q "Startwart XP"; then break; fi
done
sleep 1
import -window root "$shot"
kill "$pid" 2>/dev/null || true
echo "Screenshot of the main window: $shot"
