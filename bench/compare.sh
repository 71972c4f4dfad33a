#!/usr/bin/env bash
# Runs the script engine benchmarks under the robot's engine and under Lua 5.4 and prints a
# table of processor times and ratios (robot / Lua). With --base REV it also builds the
# engine of revision REV and prints its table first, so before and after come from one run.
#
#   bench/compare.sh [--base REV] [--turns N] [--max-seconds S]
#
# --turns: turns of the turn-like program (100000). --max-seconds: a robot run that would take
# longer stops after S seconds of processor time and its time is extrapolated (marked "~").
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build-bench
BASE=""
TURNS=100000
MAX_SECONDS=60
while [ $# -gt 0 ]; do
  case "$1" in
    --base) BASE=$2; shift 2 ;;
    --turns) TURNS=$2; shift 2 ;;
    --max-seconds) MAX_SECONDS=$2; shift 2 ;;
    *) echo "usage: $0 [--base REV] [--turns N] [--max-seconds S]" >&2; exit 2 ;;
  esac
done

if ! command -v lua5.4 >/dev/null || ! command -v luac5.4 >/dev/null; then
  echo "Installing lua5.4..." >&2
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y lua5.4 </dev/null >&2
fi

mkdir -p "$OUT"
echo "Building the release configuration..." >&2
cmake -S "$ROOT" -B "$OUT/after" -DCMAKE_BUILD_TYPE=Release -DROBOT_TESTS=OFF >/dev/null
cmake --build "$OUT/after" -j2 --target script_bench >/dev/null
DRIVERS=("$OUT/after/script_bench")
LABELS=("after")

if [ -n "$BASE" ]; then
  # The old engine in a worktree of its own; its robot commands are made virtual there so the
  # driver's recording robot can stand in, as it does in the current tree.
  SRC=$OUT/base-src
  if [ ! -d "$SRC" ]; then
    git -C "$ROOT" worktree add --detach "$SRC" "$BASE" >&2
    # A base whose robot is already virtual needs nothing. Older bases keep the robot's code
    # one level deeper, under src/mod/.
    ROBOT_H=$SRC/src/robot/robot.h
    [ -f "$ROBOT_H" ] || ROBOT_H=$SRC/src/mod/robot/robot.h
    if ! grep -q 'virtual ~CRobot' "$ROBOT_H"; then
      sed -i -E 's/^    void (Turn|Upgrade|Prod|Sell|Buy)\(/    virtual void \1(/; s/^    CRobot\(CData\* d, CSocket\* s\);/&\n    virtual ~CRobot() = default;/' \
        "$ROBOT_H"
    fi
  fi
  echo "Building the engine of $BASE..." >&2
  cmake -S "$SRC" -B "$OUT/base" -DCMAKE_BUILD_TYPE=Release -DROBOT_TESTS=OFF >/dev/null
  cmake --build "$OUT/base" -j2 --target robotcore >/dev/null
  # The library sits where the base's build puts it: the top or src/, by the base's layout.
  g++ -std=c++17 -O3 -DNDEBUG -I "$SRC/src" -I "$SRC/src/mod" -I "$SRC" -I "$SRC/protocol" \
    "$ROOT/bench/driver/script_bench.cpp" \
    "$(find "$OUT/base" -name librobotcore.a | head -n 1)" -lpthread -o "$OUT/base/script_bench"
  DRIVERS=("$OUT/base/script_bench" "${DRIVERS[@]}")
  LABELS=("before ($BASE)" "${LABELS[@]}")
fi

PROGRAMS=$ROOT/bench/programs
"${DRIVERS[-1]}" generate 20000 "$OUT/compile20k.robot" "$OUT/compile20k.lua"
"${DRIVERS[-1]}" generate 200000 "$OUT/compile200k.robot" "$OUT/compile200k.lua"

# Keeps the smaller of best and t in best; true when another repetition is worth its time
# (runs of more than 5 seconds are not repeated).
keep_best() {
  if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a < b)}'; then best=$t; fi
  awk -v a="$t" 'BEGIN{exit !(a <= 5)}'
}

# Processor seconds (user + system) of a command, the best of three.
cpu_time() {
  local best="" t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT='%U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | awk '{print $1 + $2}')
    keep_best || break
  done
  echo "$best"
}

# The driver's own report of processor seconds (first field of its last line), best of three.
driver_time() {
  local best="" t
  for _ in 1 2 3; do
    t=$("$@" 2>&1 >/dev/null | tail -1 | awk '{print $1}')
    keep_best || break
  done
  echo "$best"
}

row() {  # name robot lua [note]
  awk -v n="$1" -v r="$2" -v l="$3" -v note="${4:-}" \
    'BEGIN{printf "%-26s %10.3f %10.3f %8.2fx %s\n", n, r, l, (l > 0 ? r / l : 0), note}'
}

LUA_LOOP=$(cpu_time lua5.4 "$PROGRAMS/loop.lua")
LUA_ARRAYS=$(cpu_time lua5.4 "$PROGRAMS/arrays.lua")
LUA_BRANCHES=$(cpu_time lua5.4 "$PROGRAMS/branches.lua")
LUA_TURN=$(cpu_time lua5.4 "$PROGRAMS/turn.lua" "$TURNS")
LUAC_20K=$(cpu_time luac5.4 -p "$OUT/compile20k.lua")
LUAC_200K=$(cpu_time luac5.4 -p "$OUT/compile200k.lua")
BYTES_20K=$(stat -c %s "$OUT/compile20k.robot")
BYTES_200K=$(stat -c %s "$OUT/compile200k.robot")

for k in "${!DRIVERS[@]}"; do
  D=${DRIVERS[$k]}
  echo
  echo "== ${LABELS[$k]}: processor seconds, robot engine vs Lua 5.4"
  printf "%-26s %10s %10s %9s\n" "benchmark" "robot" "lua" "ratio"
  row "1 counting loop" "$(driver_time "$D" run "$PROGRAMS/loop.robot" 1 "$MAX_SECONDS")" "$LUA_LOOP"
  row "2 arrays" "$(driver_time "$D" run "$PROGRAMS/arrays.robot" 1 "$MAX_SECONDS")" "$LUA_ARRAYS"
  row "3 branches" "$(driver_time "$D" run "$PROGRAMS/branches.robot" 1 "$MAX_SECONDS")" "$LUA_BRANCHES"
  TURN_LINE=$("$D" run "$PROGRAMS/turn.robot" "$TURNS" "$MAX_SECONDS" 2>&1 >/dev/null | tail -1)
  NOTE=""; case "$TURN_LINE" in *extrapolated*) NOTE="~ extrapolated" ;; esac
  row "4 turns ($TURNS)" "$(echo "$TURN_LINE" | awk '{print $1}')" "$LUA_TURN" "$NOTE"
  for size in 20k 200k; do
    # Best of three, as luac's time is: a single compile of a few hundredths of a second
    # swings by a third on a shared machine.
    LINE=""
    for _ in 1 2 3; do
      TRY=$("$D" compile "$OUT/compile$size.robot" 2>&1 >/dev/null | tail -1)
      if [ -z "$LINE" ] || awk -v a="$TRY" -v b="$LINE" 'BEGIN { split(a, x, " "); split(b, y, " "); exit !(x[1] < y[1]) }'; then
        LINE=$TRY
      fi
    done
    if [ $size = 20k ]; then LUAC=$LUAC_20K; BYTES=$BYTES_20K; else LUAC=$LUAC_200K; BYTES=$BYTES_200K; fi
    MEM=$(echo "$LINE" | awk -v b="$BYTES" '{printf "%.1f B/script byte; first run %.3f s, +%.1f B/script byte", $2 * 1024 / b, $3, $4 * 1024 / b}')
    row "5 compile $size (luac -p)" "$(echo "$LINE" | awk '{print $1}')" "$LUAC" "$MEM"
  done
done
