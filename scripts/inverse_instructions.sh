#!/usr/bin/env bash
# Instruction counts (valgrind's callgrind) per point of the inverse evaluations beside the
# direct one, side by side for a baseline commit and the working tree: kelvoran-table on one
# thread over uniformly random points (0–1000 °C, 1–5000 bar, x 0–0.3), given as (T, P, x), then
# as (P, h, x) with the bulk enthalpy of those of them that have one (the halite-free states),
# as (P, rho, x) and as (T, rho, x) with their bulk density. The inverse inputs come from the
# baseline's direct run, so both builds get the same points. Counts are per point, as in
# scripts/instructions.sh: the run with all points minus a run with the first point alone,
# divided by the number of further points. Instruction counts do not depend on the machine's
# load. The target of a (P, h, x) point is 120,000 instructions.
# Usage: scripts/inverse_instructions.sh [baseline commit, default 9f62ebf] [random points, default 2000]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
ensure_packages valgrind cmake ninja-build libboost-dev g++ libcli11-dev

base="${1:-9f62ebf}"
count="${2:-2000}"
work="build-instructions"
mkdir -p "$work"

# Both trees built the same way, without tests.
if [ ! -d "$work/baseline" ]; then
  git worktree add --detach "$work/baseline" "$base" >/dev/null
fi
git -C "$work/baseline" checkout -q --detach "$base"
build() {  # source dir, build dir
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVORAN_BUILD_TESTS=OFF >/dev/null
  cmake --build "$2" -j 2 --target kelvoran-table >/dev/null
}
build "$work/baseline" "$work/baseline-build"
build . "$work/current-build"
baseline="$work/baseline-build/kelvoran-table"
current="$work/current-build/kelvoran-table"

# Uniformly random points, and their bulk enthalpy and density from the baseline.
awk -v n="$count" 'BEGIN { srand(20261209); print "T_C,P_bar,x_NaCl";
  for (i = 0; i < n; ++i) printf "%.17g,%.17g,%.17g\n", 1000*rand(), 1+4999*rand(), 0.3*rand() }' \
  >"$work/inverse-direct.csv"
"$baseline" -j 1 -q -o "$work/inverse-states.csv" "$work/inverse-direct.csv"
given() {  # first column, second column, the column of the given value, output file
  awk -F, -v a="$1" -v b="$2" -v v="$3" -v name="$4" '
    NR == 1 { for (i = 1; i <= NF; ++i) col[$i] = i;
              print a "," (v == "bulk_specific_enthalpy_J_kg" ? "h_J_kg" : "rho_kg_m3") ",x_NaCl"; next }
    { value = $col[v]; if (value == "" || value == "nan") next;
      print $col[a] "," value "," $col["x_NaCl"] }' "$work/inverse-states.csv" >"$5"
}
given P_bar T_C bulk_specific_enthalpy_J_kg ph "$work/inverse-ph.csv"
given P_bar T_C bulk_density_kg_m3 prho "$work/inverse-prho.csv"
given T_C P_bar bulk_density_kg_m3 trho "$work/inverse-trho.csv"

instructions() {  # command...: total instructions of the command under callgrind
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
per_point() {  # table binary, input file
  local table="$1" all="$2" first="$work/first.csv" n a b
  head -n 2 "$all" >"$first"
  n=$(($(wc -l <"$all") - 1))
  a=$(instructions "$table" -j 1 -q -o /dev/null "$all")
  b=$(instructions "$table" -j 1 -q -o /dev/null "$first")
  echo $(((a - b) / (n - 1)))
}

printf '%-40s %12s %12s %8s\n' "instructions per point" "baseline" "current" "ratio"
row() {  # label, input file
  local a b
  a=$(per_point "$baseline" "$2")
  b=$(per_point "$current" "$2")
  printf '%-40s %12d %12d %8s\n' "$1" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", a / b }')"
}
points() { echo $(($(wc -l <"$1") - 1)); }
row "(T, P, x), random ($(points "$work/inverse-direct.csv"))" "$work/inverse-direct.csv"
row "(P, h, x), their enthalpy ($(points "$work/inverse-ph.csv"))" "$work/inverse-ph.csv"
row "(P, rho, x), their density ($(points "$work/inverse-prho.csv"))" "$work/inverse-prho.csv"
row "(T, rho, x), their density ($(points "$work/inverse-trho.csv"))" "$work/inverse-trho.csv"
