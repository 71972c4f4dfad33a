#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer and runs
# each for SECONDS (default 60), one after another, from its seed corpus in fuzz/corpus
# (engine_diff runs scripts, so it shares the script target's corpus and dictionary).
# Exits non-zero when a target finds a fault; its input is left in build-fuzz/artifacts/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   targets: script engine_diff client server lsp (default: all)
#
# New inputs a run finds go to build-fuzz/corpus/TARGET, not into the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(script engine_diff client server lsp)

build=build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROBOT_FUZZ=ON \
  -DROBOT_TESTS=OFF >/dev/null
# The programs too: the whole project must build with clang, warnings as errors.
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}" robot gameserver match

status=0
for target in "${targets[@]}"; do
  seeds=$target
  [ "$target" != engine_diff ] || seeds=script
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  echo "=== fuzz_$target: ${seconds} s"
  # -timeout: an input that runs this long is a hang; scripts and sessions are bounded far below.
  # -max_len: without it inputs stay as short as the longest seed, too short for a whole game.
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=25 -max_len=4096 \
      -print_final_stats=1 \
      -dict="fuzz/$seeds.dict" -artifact_prefix="$artifacts" "$corpus" "fuzz/corpus/$seeds" \
      >"$build/fuzz_$target.log" 2>&1; then
    echo "fuzz_$target found a fault; input in $artifacts, log in $build/fuzz_$target.log" >&2
    grep -E "^(==|SUMMARY|server target|engine_diff)" "$build/fuzz_$target.log" |
      head -20 >&2 || true
    status=1
    continue
  fi
  grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" "$build/fuzz_$target.log" || true
  grep -E "cov: " "$build/fuzz_$target.log" | tail -1 || true
done
exit $status
