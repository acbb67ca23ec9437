#!/usr/bin/env bash
# Builds everything in ./build (the console, kelvoran-table, the library and the test suite)
# and runs every test, installing on a fresh Debian machine what that needs: CMake, Ninja, g++,
# GoogleTest, Google Benchmark and CLI11. Safe to run again.
# Usage: scripts/test.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages cmake ninja-build libboost-dev g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVORAN_BUILD_TESTS=ON \
  -DKELVORAN_BUILD_TABLE=ON "$@" >/dev/null
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure -j "$(nproc)"
