#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs each fuzz target briefly, then every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
# Leak checks are on by default; a test program may turn them off for itself.
# GCC 12's runtime takes a block of dynamic TLS for one with glibc 2.19's
# header when its address falls on that header's size within a page, and
# its leak check at exit then reads a wild range and crashes ("Tracer caught
# signal 11") after every test passed, by the luck of the heap's layout;
# intercept_tls_get_addr=0 keeps it from reading them.
export ASAN_OPTIONS=abort_on_error=0:strict_string_checks=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb}
# Mesa's software renderer draws on the calling thread: the test pictures are
# tiny and ctest already runs one program per core.
export LP_NUM_THREADS=0

# Fuzz targets, built with clang and libFuzzer.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCLIENT_BUILD_FUZZ=ON -DCLIENT_BUILD_TESTS=OFF >/dev/null
cmake --build build/fuzz --target fuzz -j "$jobs"
fuzz_seconds=${FUZZ_SECONDS:-20}
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  echo "fuzzing $(basename "$target") for ${fuzz_seconds}s"
  corpus=build/fuzz/corpus/$(basename "$target")
  mkdir -p "$corpus"
  # A target's own flags (its .flags file) come after the common ones and win.
  own_flags=()
  [ -f "$target.flags" ] && read -r -a own_flags <"$target.flags"
  "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "${own_flags[@]}" "$corpus" 2>"build/fuzz/$(basename "$target").log" \
    || { tail -50 "build/fuzz/$(basename "$target").log"; exit 1; }
done

# Unit, GL and window tests; window tests need an X server, so all run under Xvfb.
# -noreset: by default the server resets whenever its last client leaves, and
# a test that connects during the reset is refused ("could not connect to
# display"), which with many short tests in parallel happens now and then.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCLIENT_SANITIZE=ON >/dev/null
cmake --build build/test -j "$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
  ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout 600
