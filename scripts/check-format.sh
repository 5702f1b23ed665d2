#!/bin/bash
# Fails when a C++ source differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
CF=$(command -v clang-format-14 || command -v clang-format)
files=$(git ls-files -- '*.cpp' '*.h' ':!:tests/data/**' 2>/dev/null || true)
[ -z "$files" ] && exit 0
bad=0
for f in $files; do
    [ -f "$f" ] || continue
    if ! "$CF" --dry-run --Werror "$f" >/dev/null 2>&1; then
        echo "not formatted: $f (run: $CF -i $f)" >&2
        bad=1
    fi
done
exit $bad
