" Vim compiler file for robot scripts: ":compiler robot", then ":make" checks the script with
" "match --check" and puts its errors and warnings in the quickfix list.
if exists("current_compiler")
  finish
endif
let current_compiler = "robot"

if exists(":CompilerSet") != 2
  command -nargs=* CompilerSet setlocal <args>
endif

" The match program: found on PATH, or set g:robot_match to its path (say ~/tradebot/build/match).
execute 'CompilerSet makeprg=' . escape(get(g:, 'robot_match', 'match'), ' \|"') . '\ --check\ %:S'
" "SCRIPT:LINE: error: TEXT" and "SCRIPT:LINE: warning: TEXT"; the closing count is dropped.
CompilerSet errorformat=%f:%l:\ %trror:\ %m,%f:%l:\ %tarning:\ %m,%-Gmatch:\ checked\ %.%#
