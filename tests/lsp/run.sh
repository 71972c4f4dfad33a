#!/bin/sh
# Runs the protocol client test with Node, or says why it cannot and exits 77 (skipped for ctest).
here=$(dirname "$0")
if ! command -v node >/dev/null 2>&1; then
  if [ -n "${CI:-}" ]; then echo "language server client test cannot run: node is not installed" >&2; exit 1; fi
  echo "SKIPPED: node is not installed"
  exit 77
fi
if [ ! -d "$here/node_modules/vscode-languageserver-protocol" ]; then
  if [ -n "${CI:-}" ]; then echo "language server client test cannot run: run npm ci in tests/lsp" >&2; exit 1; fi
  echo "SKIPPED: the client's Node packages are not installed (npm ci in tests/lsp)"
  exit 77
fi
exec node "$here/client_test.js" "$@"
