-- Branches: nested if/else on arithmetic and comparisons with and, or, not and unary minus.
local i, x, n, m, k = 0, 0, 0, 0, 0
repeat
  i = i + 1
  x = (i % 17) - 8
  if x < 0 and i % 3 == 0 then n = n + 1
  elseif not (x > 4) or i % 5 == 1 then m = m - x
  else k = k + 1 end
  if -x > 6 then n = n - 1 end
until not (i < 2000000)
print(string.format("\t~Robot said: n %d m %d", n, m))
print(string.format("\t~Robot said: k %d", k))
