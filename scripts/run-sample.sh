#!/usr/bin/env bash
# Builds Faxlens and opens the main window on a bundled sample (or on the file given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DFAXLENS_BUILD_TESTS=OFF >/dev/null
cmake --build build --target faxlens faxlens-cli
exec build/faxlens "${1:-samples/fax-three-pages.tif}"
