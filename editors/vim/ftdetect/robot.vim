" Recognises robot scripts by their extension; new scripts get CR LF line ends, which the
" robot needs to count lines.
autocmd BufRead *.robot set filetype=robot
autocmd BufNewFile *.robot set filetype=robot | setlocal fileformat=dos
