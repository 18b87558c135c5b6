#!/usr/bin/env bash
# Builds Tavrin and runs it against the bundled simulator on 127.0.0.1:56667.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build --target tavrin kestrun-sim
./build/bin/kestrun-sim --torrents 40 "$@" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
./build/bin/tavrin
