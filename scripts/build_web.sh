#!/usr/bin/env bash
# Builds the WebAssembly module (kelvoran.js + kelvoran.wasm) with Debian's emscripten and the
# site around it into web/dist/, ready for any static file server. Objects go to build/web/;
# a second run compiles only what changed. Installs emscripten when it is missing.
# Usage: scripts/build_web.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages emscripten ninja-build libboost-dev libfmt-dev
# Debian's emscripten runs its JavaScript tools on node with Debian's node modules (acorn); a
# node installed from elsewhere does not look there by itself.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"

root=$(pwd)
out=build/web
dist=web/dist
mkdir -p "$out/include" "$dist"
# Boost.Math and {fmt} (header-only here) are found in folders of their own is put on the include path, so that no other
# header of the build machine's C library can shadow the WebAssembly one. {fmt} writes the
# shortest exact digits of a double, which the WebAssembly C++ library cannot (CharconvShim).
ln -sfn /usr/include/boost "$out/include/boost"
ln -sfn /usr/include/fmt "$out/include/fmt"

version=$(sed -n 's/^project(kelvoran VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The model library's sources, as CMakeLists.txt lists them, with the table tool's reader,
# formatter and runner, the number text they share, the binding and the decimal logarithm of
# the native C library (Log10.cpp); the entry point of the table run, which catches the faults
# of an input (TableStream.cpp). The property tables (src/lookup: memory-mapped files, worker
# threads) are not part of the page.
sources="$(sed -n '/^set(KELVORAN_[A-Z]*_SOURCES/,/)/p' CMakeLists.txt | grep -o 'src/[A-Za-z/]*\.cpp' |
  grep -v '^src/lookup/')
  src/text/NumberText.cpp src/text/NumberWriter.cpp src/table/CsvReader.cpp
  src/table/TableDerivatives.cpp src/table/TableFormatter.cpp
  src/table/TableRunner.cpp web/wasm/Binding.cpp web/wasm/CharconvShim.cpp web/wasm/Log10.cpp"
catching_sources="web/wasm/TableStream.cpp"

# The arithmetic of the native build: no contraction into fused multiply-adds, no fast-math.
# Exceptions are caught in TableStream.cpp alone: a handler elsewhere would route every call
# of its function through JavaScript. What the table tool's code throws (an unusable header, a
# read error, memory exhausted) unwinds to that entry point.
cxxflags="-std=c++20 -O3 -Wall -Wextra -Wpedantic -ffp-contract=off -fno-fast-math
  -I$root/include -I$root/src -isystem $root/$out/include -include $root/web/wasm/CharconvShim.h
  -DKELVORAN_VERSION=\\\"$version\\\" -DFMT_HEADER_ONLY"
exports=_malloc,_free,_kv_version,_kv_state_name,_kv_warning_name,_kv_fluid_type_name
exports+=,_kv_inverse_status_text,_kv_water_molar_mass,_kv_salt_molar_mass,_kv_evaluate
exports+=,_kv_evaluate_inverse,_kv_correlation_name,_kv_correlation,_kv_homogenization,_kv_table
ldflags="-O3 -fexceptions -sMODULARIZE=1 -sEXPORT_ES6=1 -sENVIRONMENT=web,worker
  -sEXPORT_NAME=createKelvoranCore -sALLOW_MEMORY_GROWTH=1 -sFILESYSTEM=0
  -sEXPORTED_FUNCTIONS=$exports --extern-post-js $root/web/src/kelvoran-api.js"

{
  echo "cxxflags = $(echo $cxxflags)"
  echo "ldflags = $(echo $ldflags)"
  echo "rule cxx"
  echo "  command = em++ \$cxxflags \$extra -MD -MF \$out.d -c \$in -o \$out"
  echo "  depfile = \$out.d"
  echo "  deps = gcc"
  echo "  description = em++ \$in"
  echo "rule link"
  echo "  command = em++ \$ldflags \$in -o kelvoran.js"
  echo "  description = link \$out"
  objects=""
  for s in $sources; do
    echo "build obj/${s%.cpp}.o: cxx ../../$s"
    objects+=" obj/${s%.cpp}.o"
  done
  for s in $catching_sources; do
    echo "build obj/${s%.cpp}.o: cxx ../../$s"
    echo "  extra = -fexceptions"
    objects+=" obj/${s%.cpp}.o"
  done
  echo "build kelvoran.js kelvoran.wasm: link$objects | ../../web/src/kelvoran-api.js"
} > "$out/build.ninja.new"
# Rewritten only when it changed, so that ninja keeps what it knows.
cmp -s "$out/build.ninja.new" "$out/build.ninja" || mv "$out/build.ninja.new" "$out/build.ninja"
rm -f "$out/build.ninja.new"
ninja -C "$out" -j 2 --quiet

# The site: its files as they are, the module beside them, and the service worker's list of
# what to keep for offline use, named after the content so that a new build replaces the old.
find "$dist" -mindepth 1 -delete
cp -r web/src/. "$dist/"
rm "$dist/kelvoran-api.js"  # part of kelvoran.js
cp "$out/kelvoran.js" "$out/kelvoran.wasm" "$dist/"
(
  cd "$dist"
  files=$(find . -type f ! -name sw.js ! -name precache.js | sed 's|^\./||' | LC_ALL=C sort)
  stamp=$(cat $files | sha256sum | cut -c1-16)
  {
    echo "// Written by scripts/build_web.sh: the files the service worker keeps for offline use."
    echo "self.KELVORAN_CACHE = 'kelvoran-$version-$stamp';"
    echo "self.KELVORAN_FILES = ["
    echo "  './',"
    for f in $files; do echo "  './$f',"; done
    echo "];"
  } > precache.js
)
echo "web/dist: $(du -sb "$dist" | cut -f1) bytes ($(ls "$dist" | wc -l) entries), kelvoran $version"
