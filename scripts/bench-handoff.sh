#!/bin/bash
# The hand-off between program starts, on a private Xvfb: the time one start takes to hand its
# file to the running window (start to exit, and start to the document being open), and the wall
# time of a burst of starts at once (150 by default, one file each) until every start has ended
# and until the window has every file. Usage: scripts/bench-handoff.sh [BUILD_DIR] [STARTS]
# (BUILD_DIR defaults to build-rel, a Release build; see docs/Testing.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-rel}
starts=${2:-150}
program=$build/src/gui/quillan
if [ ! -x "$program" ]; then
    echo "bench-handoff: $program is not built" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] || [ -z "${BENCH_HANDOFF_INNER:-}" ]; then
    BENCH_HANDOFF_INNER=1 exec "$root/tests/gui/run-xvfb.sh" "$0" "$build" "$starts"
fi

work=$(mktemp -d /tmp/quillan-bench-handoff-XXXXXX)
running=
cleanup() {
    local rc=$?
    if [ -n "$running" ]; then
        kill "$running" 2>/dev/null
        wait "$running" 2>/dev/null
    fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT
mkdir -p "$work/config" "$work/run" "$work/docs"
chmod 700 "$work/run"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QUILLAN_STATE_FILE=$work/state

value() { sed -n "s/^$1=//p" "$work/state" 2>/dev/null; }
now() { date +%s%N; }
wait_value() { # key value timeout-seconds
    local end=$(($(now) + $3 * 1000000000))
    while [ "$(value "$1")" != "$2" ]; do
        [ "$(now)" -gt "$end" ] && return 1
        sleep 0.002
    done
}

"$program" &
running=$!
wait_value documents 1 30 || { echo "bench-handoff: the window did not come up" >&2; exit 1; }

# One start at a time, the window idle in between: the senders run without a display, as the
# hand-off happens before the toolkit would start.
runs=20
exit_total=0 open_total=0 best=
for i in $(seq $runs); do
    f=$work/docs/single$i.txt
    echo x >"$f"
    t0=$(now)
    DISPLAY= "$program" "$f"
    t1=$(now)
    wait_value documents $((i + 1)) 10 || { echo "bench-handoff: start $i was not opened" >&2; exit 1; }
    t2=$(now)
    exit_total=$((exit_total + t1 - t0))
    open_total=$((open_total + t2 - t0))
    [ -z "$best" ] || [ $((t1 - t0)) -lt "$best" ] && best=$((t1 - t0))
done
printf 'one hand-off, start to exit      %8.1f ms (mean of %d, best %.1f ms)\n' \
    "$(echo "$exit_total / $runs / 1000000" | bc -l)" "$runs" "$(echo "$best / 1000000" | bc -l)"
printf 'one hand-off, start to open tab  %8.1f ms (mean of %d)\n' "$(echo "$open_total / $runs / 1000000" | bc -l)" "$runs"

# A fresh window for the burst: beyond 99 files it meets the document limit as a user's would.
kill "$running"
wait "$running" 2>/dev/null || true
rm -f "$work/state"
"$program" &
running=$!
wait_value documents 1 30 || { echo "bench-handoff: the window did not come up again" >&2; exit 1; }

for i in $(seq "$starts"); do echo x >"$work/docs/burst$i.txt"; done
failed=0
pids=()
t0=$(now)
for i in $(seq "$starts"); do
    DISPLAY= "$program" "$work/docs/burst$i.txt" 2>>"$work/burst.err" &
    pids+=($!)
done
for p in "${pids[@]}"; do wait "$p" || failed=$((failed + 1)); done
t1=$(now)
wait_value handedover "$starts" 30 || { echo "bench-handoff: only $(value handedover) files arrived" >&2; exit 1; }
t2=$(now)
printf 'burst of %d starts, all ended    %8.1f ms (%d failed)\n' "$starts" "$(echo "($t1 - $t0) / 1000000" | bc -l)" "$failed"
printf 'burst of %d starts, all arrived  %8.1f ms (%s documents open)\n' "$starts" \
    "$(echo "($t2 - $t0) / 1000000" | bc -l)" "$(value documents)"
if [ "$failed" -ne 0 ]; then
    cat "$work/burst.err" >&2
    exit 1
fi
