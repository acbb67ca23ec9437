#!/usr/bin/env bash
# Builds the console program, ./build/kelvoran, installing on a fresh Debian machine only what
# it needs (CMake, Ninja, g++). Safe to run again: it only rebuilds what changed.
# Usage: scripts/build.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages cmake ninja-build libboost-dev g++
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVORAN_BUILD_TESTS=OFF \
  -DKELVORAN_BUILD_TABLE=OFF "$@" >/dev/null
cmake --build build -j "$(nproc)" --target kelvoran
