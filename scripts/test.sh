#!/usr/bin/env bash
# Builds vordel twice (plain, and with AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test in both builds. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0

run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  # A second try only for a test that failed: the terminal tests (tmux, key
  # timing) can miss a deadline on a loaded machine; a real fault fails twice.
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --repeat until-pass:2) || status=1
}

run_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DVORDEL_SANITIZE=ON

# The port layer's threads (send, receive, interpreter) under ThreadSanitizer;
# only its tests are built there.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEL_TSAN=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target vordel_port_tests
TSAN_OPTIONS="halt_on_error=1" build-tsan/vordel_port_tests || status=1

exit $status
