#!/usr/bin/env bash
# Builds Tessary.exe and runs it under Wine in a private prefix, on the demo
# registry or on a .reg export of your own overlay key:
#   scripts/run.sh [overlays.reg]
# With a display the dialog opens there; without one it runs under Xvfb and a
# screenshot is saved. Tessary.ini is kept in build/run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
registry=${1:-$root/res/demo/overlays.reg}

# A file that cannot be used is told before anything is installed or built. It
# is read here, before the cd, so that a relative path is taken from the folder
# the command was started in.
. "$root/scripts/reg-file.sh"
mkdir -p "$root/build/run"
tessary_reg_prepare "$registry" "$root/build/run/import.reg"
cd "$root"

scripts/install-deps.sh
scripts/build-windows.sh Tessary

. scripts/wine-env.sh
trap tessary_wine_cleanup EXIT
tessary_display
tessary_prefix "$root/build/run-prefix"

# The prefix's overlay key becomes exactly what the file holds.
wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\ShellIconOverlayIdentifiers' /f >/dev/null 2>&1 || true
if ! output=$(wine reg import "$root/build/run/import.reg" 2>&1); then
    echo "run.sh: $registry: Wine's reg import refused it: ${output//$'\r'/}" >&2
    exit 1
fi
echo "Registry: $registry"

cd build/run
if [ "$TESSARY_HEADLESS" = 0 ]; then
    wine "$root/build/win/Tessary.exe"
    exit 0
fi

wine "$root/build/win/Tessary.exe" &
for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Tessary"' && break
    sleep 0.1
done
sleep 1
import -window root "$root/build/run/screenshot.png"
echo "No display: Tessary ran under Xvfb. Screenshot: build/run/screenshot.png"
