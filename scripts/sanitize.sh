#!/usr/bin/env bash
# Builds kelvoran and its tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-asan (optimised lightly, assertions on) and runs the whole test suite there. The
# first report of a memory error, a leak or undefined behaviour fails the run: a reporting
# program exits with status 86 (AddressSanitizer, LeakSanitizer) or 87 (UndefinedBehavior-
# Sanitizer), a status no program of this project uses, so that a test expecting a failure
# status of a child program (1 for bad rows, say) cannot take a sanitizer report for it.
# Usage: scripts/sanitize.sh [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh

ensure_packages cmake ninja-build libboost-dev g++ libgtest-dev libgmock-dev libcli11-dev libfmt-dev
ensure_packages gfortran pkg-config binutils

cmake -S . -B build-asan -G Ninja -DKELVORAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" "$@" >/dev/null
cmake --build build-asan -j 2
export ASAN_OPTIONS="exitcode=86:detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="exitcode=87:print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="exitcode=86${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# The exit statuses hold: a program with a deliberate error of each kind, built with the same
# flags, must end with its sanitizer's status.
probe_dir="$(mktemp -d)"
trap 'rm -rf "$probe_dir"' EXIT
cat >"$probe_dir/probe.cpp" <<'CPP'
#include <climits>
#include <cstdlib>
#include <cstring>
int main(int argc, char** argv) {
    if (std::strcmp(argv[1], "heap") == 0) {
        int* a = new int[2];
        delete[] a;
        return a[argc - 3];  // use after free
    }
    if (std::strcmp(argv[1], "leak") == 0) {
        void* volatile p = std::malloc(64);
        p = nullptr;
        return 0;
    }
    int big = INT_MAX - 2 + argc;  // signed overflow: argc is 3
    return big + argc > 0 ? 0 : 1;
}
CPP
g++ -O0 -g -fsanitize=address,undefined -fno-sanitize-recover=all "$probe_dir/probe.cpp"   -o "$probe_dir/probe"
for kind in heap:86 leak:86 overflow:87; do
  set +e
  "$probe_dir/probe" "${kind%%:*}" x 2>/dev/null
  status=$?
  set -e
  if [ "$status" -ne "${kind##*:}" ]; then
    echo "sanitize: a ${kind%%:*} error exits with $status, not ${kind##*:}" >&2
    exit 1
  fi
done

ctest --test-dir build-asan --output-on-failure -j 2
