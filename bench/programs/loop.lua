-- The counting loop: 10^7 iterations of an increment and a remainder sum.
local i, s = 0, 0
::loop::
i = i + 1
s = s + i % 7
if i < 10000000 then goto loop end
print(string.format("\t~Robot said: sum %d", s))
