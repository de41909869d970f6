#!/usr/bin/env bash
# Builds and runs every test: the optimised build, the address+undefined sanitizer build, and
# a bounded fuzzing run of the expression compiler and the table readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DXB_SANITIZE=ON -DXB_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -f fuzz/CMakeLists.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DXB_FUZZ=ON -DXB_TESTS=OFF -DXB_BENCH=OFF >/dev/null
  targets=$(sed -n 's/^ *add_executable(\(fuzz_[a-z_]*\).*/\1/p' fuzz/*.cmake)
  # shellcheck disable=SC2086
  cmake --build build-fuzz -j "$jobs" --target $targets
  bash fuzz/run.sh build-fuzz
fi
echo "all test stages passed"
