-- Drives match's language server with Neovim's own client, through the robot snippet that
-- authors use: the diagnostic of a misspelt data name lands on its line and column, completion
-- after "." offers .you.money, and go to definition on a goto jumps to its label.
-- Run by nvim_lsp_test.sh; exits 0 when all passed, 1 on a failure, 77 when a match without
-- --lsp in its help cannot take part (it does not start, or lacks a capability the checks need).
local script = os.getenv('ROBOT_SCRIPT')
local not_ready = os.getenv('ROBOT_LSP_EXPECTED') == '1' and 1 or 77
local failures = 0

local function say(text) io.stderr:write(text .. '\n') end

local function finish(code, text)
  if text then say(text) end
  vim.cmd(code == 0 and 'qall!' or ('cquit ' .. code))
end

local function check(ok, what, detail)
  say((ok and 'ok: ' or 'FAILED: ') .. what .. (ok and '' or (': ' .. vim.inspect(detail))))
  if not ok then failures = failures + 1 end
end

-- The client once the server has answered initialize, or nil when it never does (it stops or
-- stays silent). Neovim numbers its clients from 1, and the snippet starts the only one.
local function initialized_client()
  local client
  vim.wait(20000, function()
    client = vim.lsp.get_active_clients()[1]
    return client ~= nil or vim.lsp.get_client_by_id(1) == nil
  end, 20)
  return client
end

local function missing_capabilities(caps)
  local missing = {}
  for _, name in ipairs({ 'textDocumentSync', 'completionProvider', 'definitionProvider' }) do
    if not caps[name] then table.insert(missing, name) end
  end
  return missing
end

-- Whether a completion answer (a list or CompletionList) offers the data name.
local function offers(answer, name)
  local items = answer and (answer.items or answer) or {}
  for _, item in ipairs(items) do
    local inserted = item.textEdit and item.textEdit.newText or item.insertText or item.label
    if item.label == name or inserted == name then return true end
  end
  return false
end

local function check_diagnostic(buf)
  vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 20)
  local found = vim.diagnostic.get(buf)[1]
  -- Line 2 of the script, `  if (.you.monye > 5000)`: the name is columns 6 to 16, and the
  -- range Neovim underlines must take it in.
  local on_name = found and found.lnum == 1 and found.end_lnum == 1 and found.col <= 6 and found.end_col >= 16
  check(on_name and found.message:find('monye', 1, true), 'the misspelt data name is reported on its line and columns', found)
end

local function check_completion(buf)
  local params = { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = 1, character = 7 } }
  local answers = vim.lsp.buf_request_sync(buf, 'textDocument/completion', params, 20000) or {}
  local _, answer = next(answers)
  check(answer and offers(answer.result, '.you.money'), 'completion after "." offers .you.money', answer)
end

local function check_definition()
  vim.api.nvim_win_set_cursor(0, { 2, 31 })  -- on `@done` of `goto @done`
  vim.lsp.buf.definition()
  vim.wait(20000, function() return vim.api.nvim_win_get_cursor(0)[1] ~= 2 end, 20)
  local at = vim.api.nvim_win_get_cursor(0)
  check(at[1] == 4 and at[2] == 2, 'go to definition on a goto lands on its label', at)
end

local function run()
  dofile(os.getenv('ROBOT_SNIPPET'))
  vim.cmd('edit ' .. vim.fn.fnameescape(script))
  local buf = vim.api.nvim_get_current_buf()
  check(vim.bo[buf].filetype == 'robot', 'the snippet gives *.robot files the robot file type', vim.bo[buf].filetype)
  local client = initialized_client()
  local verdict = not_ready == 1 and 'FAILED' or 'SKIPPED'
  if not client then return finish(not_ready, '\n' .. verdict .. ': the language server did not answer initialize') end
  local missing = missing_capabilities(client.server_capabilities or {})
  if #missing > 0 then return finish(not_ready, verdict .. ': the language server lacks ' .. table.concat(missing, ', ')) end
  check_diagnostic(buf)
  check_completion(buf)
  check_definition()
  finish(failures == 0 and 0 or 1)
end

local ok, err = pcall(run)
if not ok then finish(1, 'FAILED: ' .. tostring(err)) end
