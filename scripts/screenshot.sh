#!/usr/bin/env bash
# Refreshes the README's pictures (docs/*.png) from the real windows, offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target tovran_screenshot
QT_QPA_PLATFORM=offscreen ./build/tools/tovran_screenshot docs
