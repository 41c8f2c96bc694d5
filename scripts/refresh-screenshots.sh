#!/usr/bin/env bash
# Copies the screenshots of the last test run (build/screenshots, made by
# scripts/test.sh) into docs/screenshots, where the README and the guides show
# them. The test run itself never touches docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
shots=(build/screenshots/*.png)
if ((${#shots[@]} == 0)); then
    echo "refresh-screenshots.sh: build/screenshots is empty: run scripts/test.sh first" >&2
    exit 1
fi
cp "${shots[@]}" docs/screenshots/
echo "Copied ${#shots[@]} screenshots to docs/screenshots/"
