-- A turn-like script: 1,000 game data reads, two statistics over the players and four
-- commands recorded by a stand-in, run 100,000 times as turns.
local players = {}
for i = 0, 3 do players[i] = {money = 10000 + 500 * i, raw = 2 + i, prod = 1 + i} end
local data = {you = players[0], market = {min_raw_price = 500, max_prod_price = 5500}}
local recorded = {turn = 0, buy = 0, sell = 0, prod = 0}
local function online()
  local n = 0
  for i = 0, 3 do if players[i].money ~= -1 then n = n + 1 end end
  return n
end
local function you_prod()
  local you = data.you
  return math.min(you.raw, 2)
end
local function turn()
  local sum, i = 0, 0
  repeat
    sum = sum + data.you.money + data.market.min_raw_price + players[i % 4].money + data.you.raw
    i = i + 1
  until not (i < 250)
  local n, best = online(), you_prod()
  if sum > 0 then recorded.buy = recorded.buy + n * data.market.min_raw_price
  else recorded.buy = recorded.buy + 500 end
  recorded.sell = recorded.sell + data.you.prod * data.market.max_prod_price
  recorded.prod = recorded.prod + best
  recorded.turn = recorded.turn + 1
end
local turns = tonumber(arg and arg[1]) or 100000
for _ = 1, turns do turn() end
print(recorded.turn)
