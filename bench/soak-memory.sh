#!/usr/bin/env bash
# Resident memory of the game over ten missions in one process, as the soak test plays them: a
# long first mission flown, turned and fired all the time, then nine short ones.
# Prints VmRSS after every review and the growth from mission 2 to mission 10.
#
#   bench/soak-memory.sh [BUILD_DIR] [FIRST_MISSION_SECONDS]
#
# BUILD_DIR defaults to build/ (a Release build); the first mission is flown until the game ends
# it (three minutes) unless FIRST_MISSION_SECONDS ends it earlier with ESC. Needs Xvfb and xdotool.
set -euo pipefail
trap 'echo "soak-memory: failed at line $LINENO" >&2' ERR
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
FIRST=${2:-0}
GAME="$BUILD/oncoraider"
TITLE='^Vantreal - Oncoraider$'
[ -x "$GAME" ] || { echo "no game at $GAME: build it first" >&2; exit 1; }

WORK=$(mktemp -d /tmp/oncoraider-soak-memory-XXXXXX)
XVFB=""
GAME_PID=""
cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
    [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
cp "$ROOT/data/Bronchi.gra" "$WORK/"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
XVFB=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$WORK/display")"

# The game reads its keys and the player's name from a pipe and writes to a file.
mkfifo "$WORK/input"
(cd "$WORK" && exec "$GAME" -display "$DISPLAY" <input >output 2>&1) &
GAME_PID=$!
exec 3>"$WORK/input"

# Waits until at least $2 lines of the output match the pattern $1.
wait_for() {
    for _ in $(seq 3000); do
        [ "$(grep -cE "$1" "$WORK/output" || true)" -ge "$2" ] && return 0
        kill -0 "$GAME_PID" 2>/dev/null || { echo "the game ended:" >&2; cat "$WORK/output" >&2; exit 1; }
        sleep 0.1
    done
    echo "timed out waiting for: $1" >&2
    exit 1
}

# One second of flight: fire held, a turn held, and half a second of thrust to make up for the
# recoil.
TURNS=(a d w s q e)
fly_second() {
    xdotool keydown space keydown "${TURNS[$1 % 6]}" keydown Up sleep 0.5 keyup Up sleep 0.5 \
        keyup "${TURNS[$1 % 6]}"
}

rss() { awk '/^VmRSS/ {print $2}' "/proc/$GAME_PID/status"; }

wait_for 'Main Menu:' 1
declare -a RSS
for mission in $(seq 10); do
    printf m >&3
    window=$(xdotool search --sync --onlyvisible --name "$TITLE" | head -n 1)
    xdotool mousemove --window "$window" 200 200
    sleep 1
    if [ "$mission" -eq 1 ]; then
        # Straight into the wall first, then on and on until the game ends the mission.
        xdotool keydown Up sleep 8 keyup Up
        second=0
        started=$SECONDS
        while ! grep -q 'Mission Review:' "$WORK/output" && kill -0 "$GAME_PID" 2>/dev/null; do
            [ "$FIRST" -gt 0 ] && [ $((SECONDS - started)) -ge "$FIRST" ] && xdotool key Escape
            fly_second $((second++))
        done
    else
        for second in 0 1 2; do fly_second "$second"; done
        xdotool key Escape
    fi
    xdotool keyup space
    wait_for 'Please enter your name|Ship destroyed' "$mission"
    sleep 0.5
    RSS[$mission]=$(rss)
    grep -E '^(Shots|Hits|Health):' "$WORK/output" | tail -n 3 | tr '\n' ' '
    echo "mission $mission: VmRSS ${RSS[$mission]} kB"
    grep -q 'Ship destroyed' "$WORK/output" && { echo "the ship was destroyed" >&2; exit 1; }
    printf 'pilot%d\n' "$mission" >&3
    wait_for '\(Press \[ENTER\] to continue\)' "$mission"
    printf '\n' >&3
    wait_for 'Main Menu:' $((mission + 1))
done
printf '\033' >&3
wait "$GAME_PID" || { echo "the game exited with status $?" >&2; exit 1; }
GAME_PID=""
echo "growth from mission 2 to mission 10: $((RSS[10] - RSS[2])) kB"
