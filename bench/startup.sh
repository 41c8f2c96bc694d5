#!/usr/bin/env bash
# Start-up time to the visible dialog under Wine: Tessary.exe on the demo
# registry against a dialog-only executable with the same resources, in one run
# with the wineserver kept warm. Prints both medians and their ratio.
#   bench/startup.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
scripts/build-windows.sh Tessary minimal_dialog startup_timer

. scripts/wine-env.sh
trap tessary_wine_cleanup EXIT
tessary_display
tessary_prefix "$root/build/bench-prefix"
. scripts/reg-file.sh
mkdir -p build/bench-run
tessary_reg_prepare res/demo/overlays.reg build/bench-run/import.reg
wine reg import "$root/build/bench-run/import.reg" >/dev/null 2>&1
wineserver -p 600 </dev/null >/dev/null 2>&1 || true  # already running is fine
wine cmd /c exit </dev/null >/dev/null 2>&1
wine build/win/startup_timer.exe "$root/build/win/Tessary.exe" "$root/build/win/minimal_dialog.exe" "${1:-15}"
