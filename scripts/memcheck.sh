#!/usr/bin/env bash
# Runs the console program of ./build (build it first with scripts/build.sh or scripts/test.sh) under valgrind
# memcheck on a scripted session over the reference points, ending with a temperature of zero.
# Any memory error or any leak, of whatever kind, fails the run.
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
echo "memcheck: 8 points evaluated, no memory error and no leak" >&2
