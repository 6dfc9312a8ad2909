#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLIENT_BUILD_TESTS=OFF -DCLIENT_BUILD_BENCH=ON >/dev/null
cmake --build build/bench --target benchmarks -j "$(nproc)"
for b in build/bench/bench/*_bench; do
  [ -x "$b" ] && "$b" "$@"
done
