#!/usr/bin/env bash
# Instruction counts (valgrind's callgrind) per point of the batch evaluations with and without
# their derivative columns, in the working tree: evaluateBatch over uniformly random points
# (0–1000 °C, 1–5000 bar, x 0–0.3) and evaluateBatchPH over the halite-free ones of them given
# as (P, h, x), one thread, every value column written, and with derivatives every derivative
# column (bench/DerivativeCost.cpp); only the batch call itself is counted. Then kelvoran-table on
# the same kind of points without and with --derivatives (its 45 more columns written as text
# included). The target: derivatives add at most 1.5 times to a point's cost. Instruction counts
# do not depend on the machine's load.
# Usage: scripts/derivative_instructions.sh [random points, default 2000]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
ensure_packages valgrind cmake ninja-build libboost-dev g++ libcli11-dev libbenchmark-dev

count="${1:-2000}"
work="build-instructions"
build="$work/derivatives-build"
mkdir -p "$work"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVORAN_BUILD_TESTS=OFF \
  -DKELVORAN_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j 2 --target DerivativeCost kelvoran-table >/dev/null

collected() {  # pattern of the function to count inside, command...
  local pattern="$1"
  shift
  valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect="$pattern" "$@" 2>&1 \
    >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
batch() {  # direct|ph plain|derivatives: instructions per point of the batch call
  local pattern points total
  pattern='kelvoran::evaluateBatch(*'
  points="$count"
  if [ "$1" = ph ]; then
    pattern='kelvoran::evaluateBatchPH(*'
    points=$("$build/bench/DerivativeCost" ph plain "$count")
  fi
  total=$(collected "$pattern" "$build/bench/DerivativeCost" "$1" "$2" "$count")
  echo $((total / points))
}

awk -v n="$count" 'BEGIN { srand(20261210); print "T_C,P_bar,x_NaCl";
  for (i = 0; i < n; ++i) printf "%.17g,%.17g,%.17g\n", 1000*rand(), 1+4999*rand(), 0.3*rand() }' \
  >"$work/derivative-random.csv"
head -n 2 "$work/derivative-random.csv" >"$work/derivative-first.csv"
table() {  # extra arguments: per point, the run with all points less the one with the first
  local a b
  # shellcheck disable=SC2068
  a=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/kelvoran-table" -j 1 -q \
    -o /dev/null $@ "$work/derivative-random.csv" 2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  # shellcheck disable=SC2068
  b=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/kelvoran-table" -j 1 -q \
    -o /dev/null $@ "$work/derivative-first.csv" 2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  echo $(((a - b) / (count - 1)))
}

printf '%-40s %14s %14s %8s\n' "instructions per point" "plain" "derivatives" "ratio"
row() {
  printf '%-40s %14d %14d %8s\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", b / a }')"
}
row "evaluateBatch, random points ($count)" "$(batch direct plain)" "$(batch direct derivatives)"
row "evaluateBatchPH, their (P, h, x)" "$(batch ph plain)" "$(batch ph derivatives)"
row "kelvoran-table, random points" "$(table)" "$(table --derivatives)"
