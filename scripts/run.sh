#!/bin/bash
# Sets up (packages, release build) and starts Quillan with the given files. When Quillan is
# already running, the files open in that window instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_TESTS=OFF -DQUILLAN_GUI=ON >/dev/null
cmake --build build --target quillan quillan-cli
exec build/src/app/wx/quillan "$@"
