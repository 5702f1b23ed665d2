#!/bin/bash
# Sets up (packages, release build) and starts Quillan with the given files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_TESTS=OFF >/dev/null
cmake --build build
exec build/src/cli/quillan-cli "$@"
