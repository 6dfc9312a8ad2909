#!/usr/bin/env bash
# Builds bench/client_window_bench in Release and runs it under a virtual X
# server large enough for a 1900 x 1060 window, with the load average
# (uptime) before and after. With --revision REV the same benchmark is built
# against the program of that git revision instead (its tree exported into
# build/, the benchmark's own files taken from this tree), for figures
# before a change. Other arguments go to the benchmark program
# (--benchmark_filter=AtRest, --benchmark_repetitions=3, ...).
#
#   bench/client_window_bench.sh                      # this tree
#   bench/client_window_bench.sh --revision main      # the program of main
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
revision=""
if [ "${1:-}" = "--revision" ]; then
  revision=$2
  shift 2
fi

if [ -n "$revision" ]; then
  commit=$(git rev-parse --short "$revision")
  source="$root/build/bench-$commit/src"
  build="$root/build/bench-$commit/build"
  if [ ! -d "$source" ]; then
    mkdir -p "$source"
    git archive "$commit" | tar -x -C "$source"
  fi
  # The benchmark and what it needs, as they stand in this tree.
  cp bench/client_window_bench.cpp bench/coloured_log.h bench/CMakeLists.txt "$source/bench/"
  label="revision $revision ($commit)"
else
  source="$root"
  build="$root/build/bench"
  label="this tree ($(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . ':!build' || echo ', with changes'))"
fi

cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLIENT_BUILD_TESTS=OFF \
  -DCLIENT_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target client_window_bench -j "${BUILD_JOBS:-4}"

echo "client_window_bench on $label"
echo "before: $(uptime)"
xvfb-run -a -s "-screen 0 1920x1200x24" "$build/program/client_window_bench" "$@"
echo "after: $(uptime)"
