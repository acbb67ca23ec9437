#!/usr/bin/env bash
# Instruction counts (valgrind's callgrind) per lookup in property tables beside the direct
# evaluation of the model on the same points, and the accuracy of the tables on random points.
# Builds (or reuses) a (T, P, x) and a (P, h, x) table of the given box with kelvoran-tabulate,
# then, for each: TableCheck lookup (every output and every derivative, one thread) and
# TableCheck direct (evaluateBatch or evaluateBatchPH, values only, one thread) over uniformly
# random points of the table's box. Counts are per point: the run minus a run of TableCheck
# inputs (which loads and checks the file, draws the same points and allocates the same output
# columns, and evaluates nothing), divided by the number of points. The accuracy run compares every output with the model on its own random points:
# share of identical states, share of points with every value within the tolerance, the worst
# error; then the same on points next to the phase boundaries (TableCheck near). Targets: 1,000
# instructions per (T, P, x) lookup, 1,500 per (P, h, x) lookup; states identical at 100 % and
# every value within tolerance at 99.99 % of points.
# Usage: scripts/table_instructions.sh [box: typical (default) or default] [points, default 20000]
#        [accuracy points, default 1000000]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
ensure_packages valgrind cmake ninja-build libboost-dev g++ libcli11-dev libfmt-dev libbenchmark-dev

box="${1:-typical}"
count="${2:-20000}"
accuracy="${3:-1000000}"
work="build-instructions"
mkdir -p "$work"
cmake -S . -B "$work/table-build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVORAN_BUILD_TESTS=OFF \
  -DKELVORAN_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$work/table-build" -j 2 --target kelvoran-tabulate TableCheck >/dev/null
tabulate="$work/table-build/kelvoran-tabulate"
check="$work/table-build/bench/TableCheck"

case "$box" in
  typical)  # a simulator's box: 1-1000 bar, x 0-0.3, 0-600 °C (bulk enthalpies 0-3.8e6 J/kg)
    tpx=(--variables tpx -T 0:600 -P 1:1000 -x 0:0.3)
    phx=(--variables phx -P 1:1000 -H 0:3.8e6 -x 0:0.3) ;;
  default)  # the fitted range
    tpx=(--variables tpx)
    phx=(--variables phx) ;;
  *) echo "usage: $0 [typical|default] [points] [accuracy points]" >&2; exit 2 ;;
esac

instructions() {  # command...: total instructions of the command under callgrind
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
per_point() {  # what, table file
  local a b
  a=$(instructions "$check" "$1" "$2" "$count")
  b=$(instructions "$check" inputs "$2" "$count")
  echo $(((a - b) / count))
}

for variables in tpx phx; do
  file="$work/table-$box-$variables.kvt"
  if [ "$variables" = tpx ]; then args=("${tpx[@]}"); else args=("${phx[@]}"); fi
  if [ ! -f "$file" ] || [ "$file" -ot "$tabulate" ]; then
    start=$(date +%s)
    "$tabulate" -q -j 2 "${args[@]}" -o "$file"
    echo "built $file in $(($(date +%s) - start)) s on 2 threads"
  fi
  "$tabulate" --info "$file" | sed -n 's/^\(size\|cells\|segments\): /  \1: /p'
  lookup=$(per_point lookup "$file")
  direct=$(per_point direct "$file")
  printf '%-44s %10s %10s %8s\n' "instructions per point, $variables ($count random)" \
    "table" "model" "ratio"
  printf '%-44s %10d %10d %8s\n' "  $box box" "$lookup" "$direct" \
    "$(awk -v a="$direct" -v b="$lookup" 'BEGIN { printf "%.1f", a / b }')"
  "$check" accuracy "$file" "$accuracy" | sed 's/^/  /'
  echo "  next to the phase boundaries:"
  "$check" near "$file" "$((accuracy / 5))" | sed 's/^/    /'
done
