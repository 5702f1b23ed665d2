#!/bin/bash
# The benchmarks that need a display, on a private Xvfb: Page Down through the 1,000,000-line
# C/C++ file (frames per second) and start-up to the first painted window, without a file and
# with that file. Reads the corpus from $CORPUS (default /tmp/corpus); see docs/Testing.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-deps.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_TESTS=OFF -DQUILLAN_GUI=ON >/dev/null
cmake --build build --target quillan quillan-guibench
file="${CORPUS:-/tmp/corpus}/cpp_1m.cpp"
if [ ! -r "$file" ]; then
    echo "bench-gui: $file is missing; generate the corpus first (docs/Testing.md)" >&2
    exit 1
fi
bench=build/src/tools/guibench/quillan-guibench
tests/gui/run-xvfb.sh "$bench" pagedown "$file" --pages "${PAGES:-1000}"
tests/gui/run-xvfb.sh "$bench" startup --runs 7
tests/gui/run-xvfb.sh "$bench" startup "$file" --runs 5
many=$(mktemp -d)
trap 'rm -rf "$many"' EXIT
for i in $(seq 1 99); do printf 'int f%d() { return %d; }\n' "$i" "$i" >"$many/file$i.cpp"; done
tests/gui/run-xvfb.sh "$bench" startup "$many"/*.cpp --runs 5
