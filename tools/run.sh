#!/usr/bin/env bash
# Installs what is missing, builds the client in Release, starts the demo game
# server on 127.0.0.1:2666 and the client on the sample world; the server stops
# when the client closes.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLIENT_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
build/release/tools/demo_server/demo_server --port 2666 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the client on a virtual X server (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x1024x24" build/release/program/3dclient "$@"
else
  build/release/program/3dclient "$@"
fi
