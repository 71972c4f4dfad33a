-- Arrays: fill a[0..99999] with a formula, then sum them back, ten times.
local a, r, s = {}, 0, 0
repeat
  for i = 0, 99999 do a[i] = i * 3 + r end
  for i = 0, 99999 do s = s + a[i] % 1000 end
  r = r + 1
until r >= 10
print(string.format("\t~Robot said: sum %d", s))
