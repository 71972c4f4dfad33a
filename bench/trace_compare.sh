#!/usr/bin/env bash
# Compares two builds of the script engine byte for byte on every robot script of the tree:
# the program dump, three debug-mode turns (every trace and the variable table) and three
# plain turns. Give the two benchmark drivers, e.g. the ones bench/compare.sh --base builds:
#
#   bench/trace_compare.sh build-bench/base/script_bench build-bench/after/script_bench
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BEFORE=$1
AFTER=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
yes y | head -n 10000 >"$WORK/answers"

same=0
differ=0
while IFS= read -r script; do
  for mode in trace run; do
    for side in before after; do
      driver=$BEFORE; [ $side = after ] && driver=$AFTER
      timeout 60 "$driver" $mode "$script" 3 <"$WORK/answers" >"$WORK/$side.out" 2>/dev/null
      echo "status $?" >>"$WORK/$side.out"
    done
    if cmp -s "$WORK/before.out" "$WORK/after.out"; then
      same=$((same + 1))
    else
      differ=$((differ + 1))
      echo "DIFFERS ($mode): ${script#"$ROOT"/}"
      diff "$WORK/before.out" "$WORK/after.out" | head -n 10
    fi
  done
done < <(find "$ROOT/examples" "$ROOT/tests" -name '*.robot' | sort)

echo "$same identical, $differ different"
[ "$differ" -eq 0 ]
