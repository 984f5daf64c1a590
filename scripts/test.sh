#!/usr/bin/env bash
# Builds vordel with every test twice and runs them: optimised for release as
# a packager builds it (with the fuzz targets), and with AddressSanitizer +
# UndefinedBehaviorSanitizer; then the port layer's tests under
# ThreadSanitizer. Also cross-builds vordel.exe and its tests with mingw-w64
# and runs them under Wine (build-win/, its own prefix, headless) while the
# sanitizer builds run: Wine mostly waits, so it costs little of the two
# cores. Warnings are errors here. Exits non-zero on any failure.
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

# Every setting is given: a folder configured by hand keeps its cache. The
# plain build is the one a packager makes (Release): optimisation exposes
# undefined behaviour differently, so every test also runs against it.
run_build build -DCMAKE_BUILD_TYPE=Release -DVORDEL_WERROR=ON -DBUILD_TESTING=ON -DVORDEL_FUZZ=ON
# Windows: built now, tested in the background (log in build-win/wine-tests.log).
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DVORDEL_WERROR=ON -DBUILD_TESTING=ON >/dev/null
cmake --build build-win -j "$jobs"
(cd build-win && ctest --output-on-failure -j "$jobs" --repeat until-pass:2) >build-win/wine-tests.log 2>&1 &
wine_tests=$!

run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DVORDEL_SANITIZE=ON -DVORDEL_WERROR=ON -DBUILD_TESTING=ON

# The port layer's threads (send, receive, interpreter) under ThreadSanitizer;
# only its tests are built there.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORDEL_TSAN=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target vordel_port_tests
TSAN_OPTIONS="halt_on_error=1" build-tsan/vordel_port_tests || status=1

wine_status=0
wait $wine_tests || wine_status=1
echo "Windows build under Wine:"
if [ $wine_status -ne 0 ]; then
  cat build-win/wine-tests.log
  status=1
else
  tail -n 4 build-win/wine-tests.log
fi

exit $status
