#!/usr/bin/env bash
# The figures of docs/performance.md in one run: the frame benchmark (plain and game drawing of
# the same frames) under an Xvfb of its own, the wall query on the real data (game and literal),
# the ship update, start-up and menu idle. Usage: bench/run-performance.sh [build directory]
# (default build/, configured Release). BEFORE=<build directory of an older commit> also runs the
# start-up benchmark against that build's game binary.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" 2>/dev/null && pwd) || { echo "no build directory" >&2; exit 1; }
BENCH=$BUILD/bench/oncoraider_bench
[ -x "$BENCH" ] || { echo "no $BENCH: build first" >&2; exit 1; }

. "$ROOT/build-support.sh"
cleanup() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; }
trap cleanup EXIT
start_xvfb 140

# The game's own globals load ./Bronchi.gra as the benchmark starts.
cd "$ROOT/data" || exit 1
echo "== $(date -u +%FT%TZ) $(nproc) cores, load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BENCH" --benchmark_filter='BM_Frame' </dev/null
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg)"
# The game asks Mesa for two rasteriser threads per core unless LP_NUM_THREADS is set; this is
# the busiest frame with Mesa's own default, one per core.
echo "== LP_NUM_THREADS=$(nproc)"
LP_NUM_THREADS=$(nproc) "$BENCH" --benchmark_filter='BM_Frame/w:1280/h:720/missiles:30' </dev/null
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BENCH" --benchmark_filter='RealData|BM_SchiffUpdateWith30Missiles' --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true </dev/null
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BENCH" --benchmark_filter='Startup|MenuIdle|VerifyFullMission|SampleKeyboard' </dev/null
if [ -n "${BEFORE:-}" ] && BEFORE=$(cd "$BEFORE" && pwd); then
    # The same benchmark binary beside the older build finds that build's game.
    mkdir -p "$BEFORE/bench" && cp "$BENCH" "$BEFORE/bench/oncoraider_bench.current"
    echo "== start-up of $BEFORE/oncoraider"
    "$BEFORE/bench/oncoraider_bench.current" --benchmark_filter='Startup|MenuIdle' </dev/null
fi
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg)"
