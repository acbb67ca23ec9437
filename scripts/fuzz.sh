#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in ./build-fuzz and runs each for a bounded
# time, starting from its seed corpus in fuzz/corpus/<target>/. New inputs found on the way
# are kept in build-fuzz/corpus/<target>/ (the seeds in the repository are only read), so a
# later run goes on from there; a crashing input lands in build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
#   targets: console (bytes as the console's input), evaluator (bytes as T, P, x doubles),
#            table (bytes as kelvoran-table's CSV input, grid syntax and numbers)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages cmake ninja-build libboost-dev clang libclang-rt-14-dev libcli11-dev libfmt-dev

seconds="${1:-60}"
shift || true
targets=("$@")
[ "${#targets[@]}" -eq 0 ] && targets=(console evaluator table)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DKELVORAN_BUILD_FUZZERS=ON \
  -DKELVORAN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
programs=()
for target in "${targets[@]}"; do
  case "$target" in
    console) programs+=(ConsoleFuzzer) ;;
    evaluator) programs+=(EvaluatorFuzzer) ;;
    table) programs+=(TableFuzzer) ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
done
# Only the fuzz programs: the instrumented console and table programs are not needed here.
cmake --build build-fuzz -j 2 --target "${programs[@]}"

mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
  case "$target" in
    console) program=ConsoleFuzzer; extra=(-dict=fuzz/console.dict) ;;
    evaluator) program=EvaluatorFuzzer; extra=() ;;
    table) program=TableFuzzer; extra=(-dict=fuzz/table.dict) ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
  mkdir -p "build-fuzz/corpus/$target"
  echo "== fuzzing $target for $seconds s" >&2
  # libFuzzer's progress goes to a log; the final statistics, or the log's end on a failure,
  # are shown here.
  log="build-fuzz/$target.log"
  if "build-fuzz/fuzz/$program" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" "${extra[@]}" \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" >&2 || true
  else
    status=$?
    tail -n 60 "$log" >&2
    echo "fuzz target $target failed (status $status); full log: $log" >&2
    exit "$status"
  fi
done
