#!/usr/bin/env bash
# The speed of the WebAssembly batch against the native one, side by side on the same points:
# kelvoran::evaluateBatch on one thread (native, from build/, the Release build of
# scripts/test.sh) and Kelvoran.evaluate in node (web/dist/, from scripts/build_web.sh), every
# column filled, best of five runs each. Prints microseconds per point and the ratio.
# Usage: scripts/bench_web.sh [POINTS]   (default 20000 random points and 288 edge points)
set -euo pipefail
cd "$(dirname "$0")/.."
points=${1:-20000}
[ -f build/libkelvoran.a ] || { echo "build/libkelvoran.a missing: run scripts/test.sh first" >&2; exit 1; }
[ -f web/dist/kelvoran.js ] || scripts/build_web.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The flags of the Release build (CMakeLists.txt, CMAKE_BUILD_TYPE=Release).
g++ -std=c++20 -O3 -DNDEBUG -ffp-contract=off -fno-fast-math -Iinclude web/bench/NativeBatch.cpp \
  build/libkelvoran.a -lpthread -o "$work/native-batch"
node web/bench/batch.mjs points "$work/points.bin" "$points"
native=$("$work/native-batch" "$work/points.bin" 5)
wasm=$(node web/bench/batch.mjs time "$work/points.bin" 5)
echo "native (one thread): $native us/point"
echo "WebAssembly (node $(node --version)): $wasm us/point"
awk -v n="$native" -v w="$wasm" 'BEGIN { printf "WebAssembly speed / native speed: %.2f\n", n / w }'
