#!/usr/bin/env bash
# Cross-builds the Windows side into build/win, one configuration for the run,
# the tests and the benchmarks:  scripts/build-windows.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
if (($#)); then
    cmake --build build/win --target "$@"
else
    cmake --build build/win
fi
