#!/usr/bin/env bash
# Builds vordel with every test twice (plain, and with AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs them, then the program alone optimised
# for release against the end-to-end cases. Warnings are errors here. Exits
# non-zero on any failure.
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

run_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEL_WERROR=ON -DVORDEL_FUZZ=ON
run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DVORDEL_SANITIZE=ON -DVORDEL_WERROR=ON

# The program alone, optimised as a packager builds it, against the end-to-end
# cases: optimisation exposes undefined behaviour differently.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORDEL_WERROR=ON >/dev/null
cmake --build build-release -j "$jobs" --target vordel
(cd build-release && ctest --output-on-failure -j "$jobs" -R '^e2e[.]' --repeat until-pass:2) || status=1

# The port layer's threads (send, receive, interpreter) under ThreadSanitizer;
# only its tests are built there.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEL_TSAN=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target vordel_port_tests
TSAN_OPTIONS="halt_on_error=1" build-tsan/vordel_port_tests || status=1

exit $status
