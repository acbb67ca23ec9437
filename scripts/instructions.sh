#!/usr/bin/env bash
# Instruction counts (valgrind's callgrind) per evaluated point, side by side for a baseline
# commit and the working tree: kelvoran-table on the benchmark grids (0–1000 °C × 1–2000 bar on
# a log scale × x 0–0.5, 21 × 16 × 11 points, and 0–1000 °C × 20–2000 bar × x 0–0.5, 11 × 8 × 6
# points) and on uniformly random points (0–1000 °C, 1–2000 bar, x 0–1), one thread; on the
# second grid also the model alone (evaluateBatch), the writing of one row (the formatter's
# appendRow, writeRow since they write straight into the buffer) and a table of states and
# liquid densities (--columns, not in baselines without it); and one console pass at a V + L + H
# point. Table counts are per point: the run with all points minus a run with the first point
# alone, divided by the number of further points. Instruction counts do not depend on the
# machine's load.
# Usage: scripts/instructions.sh [baseline commit, default 9f62ebf] [random points, default 2000]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
ensure_packages valgrind cmake ninja-build libboost-dev g++ libcli11-dev libfmt-dev

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
  cmake --build "$2" -j 2 --target kelvoran kelvoran-table >/dev/null
}
build "$work/baseline" "$work/baseline-build"
build . "$work/current-build"

# Uniformly random points, the same for both builds.
awk -v n="$count" 'BEGIN { srand(20261208); print "T_C,P_bar,x_NaCl";
  for (i = 0; i < n; ++i) printf "%.17g,%.17g,%.17g\n", 1000*rand(), 1+1999*rand(), rand() }' \
  >"$work/random.csv"
head -n 2 "$work/random.csv" >"$work/random-first.csv"

instructions() {  # command...: total instructions of the command under callgrind
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
per_point() {  # table binary, points, arguments for all points, arguments for the first point
  local table="$1" n="$2" all="$3" first="$4" a b
  # shellcheck disable=SC2086
  a=$(instructions "$table" -j 1 -q -o /dev/null $all)
  # shellcheck disable=SC2086
  b=$(instructions "$table" -j 1 -q -o /dev/null $first)
  echo $(((a - b) / (n - 1)))
}
grid="-T 0:1000:21 -P 1:2000:16:log -x 0:0.5:11"
first="-T 0 -P 1 -x 0"
# A V + L + H point: 500 °C at the three-phase pressure (the model's polynomial, evaluated in
# the same double arithmetic), x = 0.1.
p3=$(awk 'BEGIN { t = 500 / 800.7;
  split("0.00464 5e-07 16.9078 -269.148 7632.04 -49563.6 233119.0 -513556.0 549708.0 -284628.0 57540.7960595", c, " ");
  p = c[11]; for (i = 10; i >= 1; --i) p = p * t + c[i]; printf "500 %.17g 0.1", p }')
console() {  # console binary: instructions of one V + L + H pass beyond an empty session
  local a b
  a=$(printf '%s\n0 1 0\n' "$p3" | valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  b=$(printf '0 1 0\n' | valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  echo $((a - b))
}

# Instructions inside the functions matching $2 (callgrind's --toggle-collect), per $3 rows.
inside() {  # table binary, function pattern, rows, arguments...
  local table="$1" pattern="$2" n="$3" total
  shift 3
  total=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect="$pattern" \
    "$table" -j 1 -q -o /dev/null "$@" 2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  echo $((total / n))
}
# The writing of a row: appendRow in trees that append to a string, writeRow where rows are
# written straight into the output buffer.
row_writer() {  # table binary
  if nm -C "$1" | grep 'TableFormatter::writeRow' >/dev/null; then
    echo '*TableFormatter::writeRow*'
  else
    echo '*TableFormatter::appendRow*'
  fi
}

printf '%-44s %14s %14s %8s\n' "instructions per point" "baseline" "current" "ratio"
row() {
  if [ "$2" = "-" ]; then
    printf '%-44s %14s %14d %8s\n' "$1" "-" "$3" "-"
    return
  fi
  printf '%-44s %14d %14d %8s\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')"
}
bench="-T 0:1000:11 -P 20:2000:8:log -x 0:0.5:6"
bench_first="-T 0 -P 20 -x 0"
columns="--columns line,T_C,P_bar,x_NaCl,state,state_name,liquid_density_kg_m3"
baseline_table="$work/baseline-build/kelvoran-table"
current_table="$work/current-build/kelvoran-table"
# shellcheck disable=SC2086
row "table, grid 11 x 8 x 6 (528)" \
  "$(per_point "$baseline_table" 528 "$bench" "$bench_first")" \
  "$(per_point "$current_table" 528 "$bench" "$bench_first")"
# shellcheck disable=SC2086
row "  of which the model (evaluateBatch)" \
  "$(inside "$baseline_table" 'kelvoran::evaluateBatch(*' 528 $bench)" \
  "$(inside "$current_table" 'kelvoran::evaluateBatch(*' 528 $bench)"
# shellcheck disable=SC2086
row "  of which writing the row" \
  "$(inside "$baseline_table" "$(row_writer "$baseline_table")" 528 $bench)" \
  "$(inside "$current_table" "$(row_writer "$current_table")" 528 $bench)"
if "$baseline_table" --help | grep -q -- '--columns'; then
  baseline_columns="$(per_point "$baseline_table" 528 "$bench $columns" "$bench_first $columns")"
else
  baseline_columns="-"
fi
row "table, grid 11 x 8 x 6, states + liquid density" "$baseline_columns" \
  "$(per_point "$current_table" 528 "$bench $columns" "$bench_first $columns")"
row "table, benchmark grid (3696)" \
  "$(per_point "$work/baseline-build/kelvoran-table" 3696 "$grid" "$first")" \
  "$(per_point "$work/current-build/kelvoran-table" 3696 "$grid" "$first")"
row "table, random points ($count)" \
  "$(per_point "$work/baseline-build/kelvoran-table" "$count" "$work/random.csv" "$work/random-first.csv")" \
  "$(per_point "$work/current-build/kelvoran-table" "$count" "$work/random.csv" "$work/random-first.csv")"
row "  of which writing the row" \
  "$(inside "$baseline_table" "$(row_writer "$baseline_table")" "$count" "$work/random.csv")" \
  "$(inside "$current_table" "$(row_writer "$current_table")" "$count" "$work/random.csv")"
row "console pass, V+L+H at 500 °C" \
  "$(console "$work/baseline-build/kelvoran")" "$(console "$work/current-build/kelvoran")"
