#!/usr/bin/env bash
# Runs the console program of ./build (build it first with scripts/build.sh or scripts/test.sh) under valgrind
# memcheck on a scripted session over the reference points, ending with a temperature of zero,
# and kelvoran-table (when built: scripts/test.sh builds it) on a CSV with good and bad rows,
# on two threads, and on an inverse (P, h, x) grid. Any memory error or any leak, of whatever
# kind, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages valgrind

session='25 1 0.01
100 1 0.01
25 1 0.2
400 250 0.05
500 100 0.05
700 300 0.2
500 100 1e-07
0 1 0
'
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
printf '%s' "$session" | valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
  --show-leak-kinds=all --errors-for-leak-kinds=all --track-origins=yes ./build/kelvoran >"$out"
boxes="$(grep -c '^\*  ' "$out" || true)"
if [ "$boxes" -ne 8 ]; then
  echo "memcheck: expected 8 result boxes from the session, found $boxes" >&2
  exit 1
fi
echo "memcheck: console, 8 points evaluated, no memory error and no leak" >&2

[ -x ./build/kelvoran-table ] || exit 0
# valgrind's report goes to a log, shown when the run fails; status 99 is valgrind's own.
csv="$(mktemp)"
log="$(mktemp)"
trap 'rm -f "$out" "$csv" "$log"' EXIT
memcheck() {
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
    --errors-for-leak-kinds=all --track-origins=yes --log-file="$log" "$@" ||
    { local status=$?; cat "$log" >&2; return "$status"; }
}
printf 'name,T_C,P_bar,x_NaCl\na,25,1,0.01\nb,400,250,0.05\n"c, quoted",500,322.00274322422592,0.1\nd,oops,1,0\ne,700,300,0.2\n' >"$csv"
set +e
memcheck ./build/kelvoran-table -j 2 -q "$csv" >"$out" 2>/dev/null
status=$?
set -e
# Status 1: the table is written, one row could not be read.
if [ "$status" -ne 1 ] || [ "$(wc -l <"$out")" -ne 6 ]; then
  echo "memcheck: kelvoran-table on a CSV ended with status $status, $(wc -l <"$out") lines" >&2
  cat "$log" >&2
  exit 1
fi
memcheck ./build/kelvoran-table -j 1 -q -P 100,250 -H 1e6:3e6:5 -w 0,0.1 -o /dev/null 2>/dev/null
echo "memcheck: kelvoran-table, a CSV and an inverse grid, no memory error and no leak" >&2
