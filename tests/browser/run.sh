#!/bin/sh
# Runs the replay browser test with Node, or says why it cannot and exits 77 (skipped for ctest).
if ! command -v node >/dev/null 2>&1; then
  if [ -n "${CI:-}" ]; then echo "replay browser test cannot run: node is not installed" >&2; exit 1; fi
  echo "SKIPPED: node is not installed"
  exit 77
fi
exec node "$(dirname "$0")/replay_test.js" "$@"
