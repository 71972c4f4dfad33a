" Vim syntax file for robot scripts: keywords, robot statements, variables, labels, game data,
" strings with their %d places, and the characters and operators the robot refuses.
if exists("b:current_syntax")
  finish
endif

syntax case match

" Any character that starts no lexeme; the patterns below take over the allowed ones.
syntax match robotBadChar /[^[:alnum:]_+\-*/%()|\[\]<>={},&;!"$.:?@ \t\r\n]/
syntax match robotBadChar /:\(=\)\@!/

syntax match robotOperator /[-+*/%<>=&|!]/
" Two-character operators do not exist: "<=" is "<" followed by "=", which fails.
syntax match robotBadOperator /<=\|>=\|==\|!=\|<>\|&&\|||/
syntax match robotAssign /:=\+/
syntax match robotDelimiter /[;,]/
syntax match robotBrace /[{}()\[\]]/

syntax match robotNumber /\<\d\+/
syntax keyword robotKeyword if else goto
syntax match robotVariable /\$[[:alnum:]_]\+/
syntax match robotLabel /@[[:alnum:]_]\+/
syntax match robotData /\.[[:alnum:]_]\+/

syntax match robotBadFunction /?[[:alnum:]_]*/
syntax match robotStatement /?\(turn\|upgrade\|auto\|prod\|sell\|buy\|print\)\>/
syntax match robotMacro /?macro\>/

syntax region robotString start=/"/ end=/"/ contains=robotFormat
syntax match robotFormat /%d/ contained

highlight default link robotBadChar Error
highlight default link robotBadOperator Error
highlight default link robotBadFunction Error
highlight default link robotOperator Operator
highlight default link robotAssign Operator
highlight default link robotDelimiter Delimiter
highlight default link robotBrace Delimiter
highlight default link robotNumber Number
highlight default link robotKeyword Keyword
highlight default link robotVariable Identifier
highlight default link robotLabel Label
highlight default link robotData Constant
highlight default link robotStatement Function
highlight default link robotMacro Function
highlight default link robotString String
highlight default link robotFormat SpecialChar

let b:current_syntax = "robot"
