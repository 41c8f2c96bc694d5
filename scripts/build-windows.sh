#!/usr/bin/env bash
# Cross-builds the Windows side into build/win, one configuration for the run,
# the tests and the benchmarks:  scripts/build-windows.sh [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DTESSARY_WINDOWS_TESTS=ON -DTESSARY_BENCH=ON >/dev/null
if (($#)); then
    cmake --build build/win --target "$@"
else
    cmake --build build/win
fi
