#!/usr/bin/env bash
# Instruction counts (valgrind's callgrind) per evaluated point, side by side for a baseline
# commit and the working tree: kelvoran-table on the benchmark grid (0–1000 °C × 1–2000 bar on
# a log scale × x 0–0.5, 21 × 16 × 11 points) and on uniformly random points (0–1000 °C,
# 1–2000 bar, x 0–1), one thread, and one console pass at a V + L + H point. Counts are
# per point: the run with all points minus a run with the first point alone, divided by the
# number of further points. Instruction counts do not depend on the machine's load.
# Usage: scripts/instructions.sh [baseline commit, default 628832f] [random points, default 2000]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
ensure_packages valgrind cmake ninja-build libboost-dev g++ libcli11-dev libfmt-dev

base="${1:-628832f}"
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

printf '%-34s %14s %14s %8s\n' "instructions per point" "baseline" "current" "ratio"
row() {
  printf '%-34s %14d %14d %8s\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')"
}
row "table, benchmark grid (3696)" \
  "$(per_point "$work/baseline-build/kelvoran-table" 3696 "$grid" "$first")" \
  "$(per_point "$work/current-build/kelvoran-table" 3696 "$grid" "$first")"
row "table, random points ($count)" \
  "$(per_point "$work/baseline-build/kelvoran-table" "$count" "$work/random.csv" "$work/random-first.csv")" \
  "$(per_point "$work/current-build/kelvoran-table" "$count" "$work/random.csv" "$work/random-first.csv")"
row "console pass, V+L+H at 500 °C" \
  "$(console "$work/baseline-build/kelvoran")" "$(console "$work/current-build/kelvoran")"
