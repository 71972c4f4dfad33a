// Draws a tournament's games: who sits at which table in every round, and in which join order.
#pragma once

#include <cstdint>
#include <vector>

namespace match {

// One game of a tournament.
struct ScheduledGame {
    int index = 0;           // 1-based, in play order
    int round = 0;           // 1-based
    std::uint64_t seed = 0;  // the server's seed for this game
    std::vector<int> seats;  // entries (indices into the tournament's scripts) in join order
};

// Games per round: the fewest with which every entry plays the same number of games, which is
// `entries` / gcd(entries, table); every entry then plays table / gcd(entries, table) of them.
int GamesPerRound(int entries, int table);

// The whole tournament of `entries` scripts at tables of `table` (2 <= table <= entries) over
// `rounds` rounds. Every entry plays the same number of games per round; over the tournament
// every entry holds every seat equally often (counts differ by at most one), and tables are
// drawn so that every pair meets about equally often. The same arguments give the same games.
std::vector<ScheduledGame> DrawSchedule(int entries, int table, int rounds, std::uint64_t seed);

}  // namespace match
