#!/usr/bin/env bash
# Builds the panel and starts it against the virtual transceiver (a TS-440 by default; pass
# --model 940, 811 or 711 to try another). Choose "Com 1" in the port window.
# The virtual radio runs at the real line speed, so the memory read-out takes its 7 seconds
# and the panel polls about ten times a second, as with a radio.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTOVRAN_MANPAGES=ON >/dev/null
cmake --build build

link="${XDG_RUNTIME_DIR:-/tmp}/tovran-virtual-radio"
./build/virtual_transceiver/tovran-virtual-radio --link "$link" --paced --quiet "$@" &
radio=$!
trap 'kill $radio 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

export TOVRAN_COM1="$link"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display here: the panel runs under Xvfb, where nobody sees it (Ctrl+C to stop)."
    xvfb-run -a ./build/tovran
else
    ./build/tovran
fi
