#!/usr/bin/env bash
# Builds kelvoran and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-asan (optimised lightly, assertions on) and runs the whole test suite there. The
# first report of a memory error, a leak or undefined behaviour fails the run.
# Usage: scripts/sanitize.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages cmake ninja-build libboost-dev g++ libgtest-dev libgmock-dev libcli11-dev
ensure_packages gfortran pkg-config binutils

cmake -S . -B build-asan -G Ninja -DKELVORAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" "$@" >/dev/null
cmake --build build-asan -j 2
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
ctest --test-dir build-asan --output-on-failure -j 2
