#!/bin/sh
# Runs the Neovim language-client test (nvim_lsp_test.lua) against MATCH --lsp, or says why it
# cannot and exits 77 (skipped for ctest). Usage: nvim_lsp_test.sh MATCH
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v nvim >/dev/null 2>&1; then
  if [ -n "${CI:-}" ]; then echo "Neovim test cannot run: nvim is not installed" >&2; exit 1; fi
  echo "SKIPPED: nvim is not installed"
  exit 77
fi
if ! nvim --headless -u NONE -i NONE -n -c 'lua if vim.fn.has("nvim-0.7") == 0 then vim.cmd("cquit 1") end' -c 'qall!'; then
  echo "SKIPPED: the snippet needs Neovim 0.7 or later"
  exit 77
fi
# A match whose help names --lsp must serve; an older one makes the test skip, not fail.
expected=0
"$1" --help 2>/dev/null | grep -q -- '--lsp' && expected=1
work=$(mktemp -d /tmp/nvim_lsp_test.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$here/misspelt.robot" "$work/"
cd "$work" || exit 1
# A home of its own, so that no user configuration or state takes part.
HOME=$work XDG_CONFIG_HOME=$work XDG_DATA_HOME=$work XDG_STATE_HOME=$work XDG_CACHE_HOME=$work \
  ROBOT_LSP_EXPECTED=$expected ROBOT_SNIPPET=$here/../../editors/nvim/robot_lsp.lua ROBOT_SCRIPT=$work/misspelt.robot \
  timeout 120 nvim --headless -u NONE -i NONE -n \
  --cmd "let g:robot_match = '$1'" -c "luafile $here/nvim_lsp_test.lua" 2>&1
