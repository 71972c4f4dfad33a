-- Drives match --lsp with Neovim's own client, through the snippet authors use: the misspelt
-- data name's diagnostic covers its columns, completion after "." offers .you.money, and go to
-- definition on a goto jumps to its label. Exits 0, 1 on a failure, or 77 (skipped) when a match
-- without --lsp (ROBOT_LSP_EXPECTED unset) does not serve.
local failures = 0

local function finish(code, text)
  if text then io.stderr:write(text .. '\n') end
  vim.cmd(code == 0 and 'qall!' or ('cquit ' .. code))
end

local function check(ok, what, detail)
  io.stderr:write((ok and 'ok: ' or 'FAILED: ') .. what .. (ok and '' or (': ' .. vim.inspect(detail))) .. '\n')
  if not ok then failures = failures + 1 end
end

-- The client once the server has answered initialize; nil when it stops first (Neovim numbers
-- its clients from 1, and the snippet starts the only one).
local function initialized_client()
  vim.wait(20000, function() return vim.lsp.get_active_clients()[1] or not vim.lsp.get_client_by_id(1) end, 20)
  return vim.lsp.get_active_clients()[1]
end

local function offers(answer, name)
  for _, item in ipairs(answer and (answer.items or answer) or {}) do
    if item.label == name or (item.textEdit and item.textEdit.newText) == name then return true end
  end
  return false
end

local function run()
  dofile(os.getenv('ROBOT_SNIPPET'))
  vim.cmd('edit ' .. vim.fn.fnameescape(os.getenv('ROBOT_SCRIPT')))
  local buf = vim.api.nvim_get_current_buf()
  check(vim.bo.filetype == 'robot', 'the snippet gives *.robot files the robot file type', vim.bo.filetype)
  local caps = (initialized_client() or {}).server_capabilities or {}
  if not (caps.textDocumentSync and caps.completionProvider and caps.definitionProvider) then
    local expected = os.getenv('ROBOT_LSP_EXPECTED') == '1'
    return finish(expected and 1 or 77, (expected and '\nFAILED' or '\nSKIPPED') ..
      ': the language server answered no initialize with sync, completion and definition')
  end

  -- Line 2, `  if (.you.monye > 5000) goto @done;`: the name is columns 6 to 16.
  vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 20)
  local found = vim.diagnostic.get(buf)[1]
  check(found and found.lnum == 1 and found.end_lnum == 1 and found.col <= 6 and found.end_col >= 16 and
        found.message:find('monye', 1, true), 'the misspelt data name is reported on its line and columns', found)

  local params = { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = 1, character = 7 } }
  local _, answer = next(vim.lsp.buf_request_sync(buf, 'textDocument/completion', params, 20000) or {})
  check(answer and offers(answer.result, '.you.money'), 'completion after "." offers .you.money', answer)

  vim.api.nvim_win_set_cursor(0, { 2, 31 })  -- on `@done` of `goto @done`; the label is on line 4
  vim.lsp.buf.definition()
  vim.wait(20000, function() return vim.api.nvim_win_get_cursor(0)[1] ~= 2 end, 20)
  local at = vim.api.nvim_win_get_cursor(0)
  check(at[1] == 4 and at[2] == 2, 'go to definition on a goto lands on its label', at)
  finish(failures == 0 and 0 or 1)
end

local ok, err = pcall(run)
if not ok then finish(1, 'FAILED: ' .. tostring(err)) end
