// The mood table and the mood's random drift.
#include "server/market.h"

#include <algorithm>

namespace gs {
namespace {

// One mood's row per player: quantities are multiplied by the number of players.
struct MoodRow {
    int raw_per_player;
    std::int64_t min_raw_price;
    int prod_per_player;
    std::int64_t max_prod_price;
};

constexpr MoodRow kMoodTable[kMoodCount] = {
    {1, 900, 3, 7000}, {2, 700, 3, 6200}, {2, 550, 2, 5600}, {3, 450, 2, 5000}, {4, 350, 1, 4300},
};

}  // namespace

MarketRow MarketFor(int mood, int players) {
    mood = std::clamp(mood, 0, kMoodCount - 1);
    const MoodRow& row = kMoodTable[mood];
    MarketRow market;
    market.mood = mood;
    market.raw = static_cast<std::int64_t>(row.raw_per_player) * players;
    market.min_raw_price = row.min_raw_price;
    market.prod = static_cast<std::int64_t>(row.prod_per_player) * players;
    market.max_prod_price = row.max_prod_price;
    return market;
}

int NextMood(int mood, Rng& rng) {
    switch (rng.Below(4)) {
        case 0:
            mood -= 1;
            break;
        case 1:
            mood += 1;
            break;
        default:
            break;
    }
    return std::clamp(mood, 0, kMoodCount - 1);
}

}  // namespace gs
