-- Robot scripts in Neovim 0.7 and later: *.robot files get the robot file type (CR LF line ends
-- for new ones), and match's language server (match --lsp) is started once, by the built-in
-- client, and attached to every robot script. It brings the errors and warnings of
-- match --check while you type, completion, hover, definitions, references, renaming, formatting
-- and quick fixes. Put `let g:robot_match = '~/tradebot/build/match'` (or vim.g.robot_match in
-- Lua) before this when match is not on your PATH.
local group = vim.api.nvim_create_augroup('robot_lsp', { clear = true })

vim.api.nvim_create_autocmd('BufRead', { group = group, pattern = '*.robot', command = 'set filetype=robot' })
vim.api.nvim_create_autocmd('BufNewFile', {
  group = group, pattern = '*.robot', command = 'set filetype=robot | setlocal fileformat=dos',
})

local client_id

-- The running server, or a new one when none runs yet (or the last one stopped).
local function robot_server()
  if client_id and vim.lsp.get_client_by_id(client_id) then return client_id end
  client_id = vim.lsp.start_client({
    name = 'robot',
    cmd = { vim.fn.expand(vim.g.robot_match or 'match'), '--lsp' },
    root_dir = vim.loop.cwd(),
  })
  return client_id
end

vim.api.nvim_create_autocmd('FileType', {
  group = group,
  pattern = 'robot',
  callback = function(args)
    local id = robot_server()
    if not id then return end
    vim.lsp.buf_attach_client(args.buf, id)
    -- Neovim 0.7 maps none of the client's commands; these are the usual keys.
    vim.bo[args.buf].omnifunc = 'v:lua.vim.lsp.omnifunc'
    local function map(keys, action) vim.keymap.set('n', keys, action, { buffer = args.buf }) end
    map('gd', vim.lsp.buf.definition)
    map('gr', vim.lsp.buf.references)
    map('K', vim.lsp.buf.hover)
    map('<leader>rn', vim.lsp.buf.rename)
    map('<leader>ca', vim.lsp.buf.code_action)
  end,
})
