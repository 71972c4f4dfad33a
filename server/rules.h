// The game's fixed numbers: a player's starting state, prices of production and plants,
// building times and upkeep.
#pragma once

#include <cstdint>

namespace gs {

constexpr std::int64_t kStartMoney = 10000;   // money
constexpr std::int64_t kStartRaw = 4;         // raw units
constexpr std::int64_t kStartProd = 2;        // products
constexpr std::int64_t kStartFabrics = 2;     // ordinary plants
constexpr std::int64_t kStartAutoPlants = 0;  // automatic plants

constexpr std::int64_t kProductCost = 2000;     // money per product made
constexpr std::int64_t kFabricCapacity = 1;     // products per turn of an ordinary plant
constexpr std::int64_t kAutoPlantCapacity = 2;  // products per turn of an automatic plant

constexpr std::int64_t kUpgradeCost = 7000;  // money, paid when the upgrade is ordered
constexpr int kUpgradeTurns = 3;             // turns: ordered in turn t, done at the end of t+3
constexpr std::int64_t kBuildCost = 10000;   // money, paid when the plant is ordered
constexpr int kBuildTurns = 4;               // turns: ordered in turn t, ready at the end of t+4

constexpr std::int64_t kRawUpkeep = 200;         // money per raw unit per turn
constexpr std::int64_t kProdUpkeep = 400;        // money per product per turn
constexpr std::int64_t kFabricUpkeep = 700;      // money per ordinary plant per turn
constexpr std::int64_t kAutoPlantUpkeep = 1200;  // money per automatic plant per turn

constexpr std::int64_t kMsPerSecond = 1000;  // milliseconds

}  // namespace gs
