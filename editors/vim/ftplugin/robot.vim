" Robot scripts: ":make" checks the script being edited with "match --check".
if exists("b:did_ftplugin")
  finish
endif
let b:did_ftplugin = 1

compiler robot
let b:undo_ftplugin = "setlocal makeprg< errorformat<"
