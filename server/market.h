// The market: its mood (0 scarce raw and eager buyers .. 4 plenty of raw and few buyers),
// what each mood offers and wants, and how the mood drifts between turns.
#pragma once

#include <cstdint>

#include "server/rng.h"

namespace gs {

constexpr int kMoodCount = 5;  // moods 0..4
constexpr int kStartMood = 2;  // mood of a game's first turn

// What the market offers and wants during one turn.
struct MarketRow {
    int mood = kStartMood;
    std::int64_t raw = 0;             // raw units offered this turn
    std::int64_t min_raw_price = 0;   // money per raw unit, the lowest bid accepted
    std::int64_t prod = 0;            // products wanted this turn
    std::int64_t max_prod_price = 0;  // money per product, the highest offer accepted
};

// The row of a mood for a game with `players` players still in it.
MarketRow MarketFor(int mood, int players);

// The next turn's mood: one down or one up with probability 1/4 each, clamped to 0..4.
int NextMood(int mood, Rng& rng);

}  // namespace gs
