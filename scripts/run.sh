#!/bin/bash
# Sets up (packages, release build) and starts Quillan with the given files. When Quillan is
# already running, the files open in that window instead.
set -euo pipefail
caller=$(pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_TESTS=OFF -DQUILLAN_GUI=ON >/dev/null
cmake --build build --target quillan quillan-cli
# File names on the command line are relative to where the user started us.
cd "$caller"
exec "$root/build/src/gui/quillan" "$@"
