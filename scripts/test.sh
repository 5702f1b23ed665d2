#!/bin/bash
# Sets up (packages, sanitizer build) and runs every test. Fuzzing and benchmarks are separate:
# see docs/Testing.md.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh --test
scripts/check-format.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLAN_SANITIZE=ON -DQUILLAN_WERROR=ON >/dev/null
cmake --build build-test
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir build-test --output-on-failure -j "$(nproc)"
