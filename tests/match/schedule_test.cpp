// Tests of the tournament draw: equal games, every seat held equally often, even meetings.
#include "match/league/schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace match {
namespace {

struct Shape {
    int entries, table, rounds;
};

const Shape kShapes[] = {{4, 4, 10}, {5, 4, 8}, {6, 4, 9},  {8, 4, 12},  {3, 2, 6},
                         {4, 2, 9},  {7, 3, 9}, {12, 6, 7}, {10, 4, 11}, {9, 6, 8}};

std::string Name(const Shape& s) {
    return std::to_string(s.entries) + " at tables of " + std::to_string(s.table) + ", " +
           std::to_string(s.rounds) + " rounds";
}

TEST(Schedule, EveryEntryPlaysEqually) {
    for (const Shape& s : kShapes) {
        std::vector<ScheduledGame> games = DrawSchedule(s.entries, s.table, s.rounds, 7);
        ASSERT_EQ(games.size(), static_cast<size_t>(s.rounds * GamesPerRound(s.entries, s.table)))
            << Name(s);
        std::vector<int> played(static_cast<size_t>(s.entries), 0);
        for (const ScheduledGame& g : games) {
            std::set<int> distinct(g.seats.begin(), g.seats.end());
            ASSERT_EQ(g.seats.size(), static_cast<size_t>(s.table)) << Name(s);
            EXPECT_EQ(distinct.size(), g.seats.size()) << Name(s) << ", game " << g.index;
            EXPECT_GE(*distinct.begin(), 0);
            EXPECT_LT(*distinct.rbegin(), s.entries);
            EXPECT_EQ(g.seed, 7u + static_cast<std::uint64_t>(g.index - 1));
            for (int e : g.seats) ++played[static_cast<size_t>(e)];
        }
        EXPECT_EQ(*std::min_element(played.begin(), played.end()),
                  *std::max_element(played.begin(), played.end()))
            << Name(s);
    }
}

TEST(Schedule, SeatCountsOfEveryEntryDifferByAtMostOneAfterEveryRound) {
    for (const Shape& s : kShapes) {
        std::vector<ScheduledGame> games = DrawSchedule(s.entries, s.table, s.rounds, 3);
        std::vector<std::vector<int>> seats(static_cast<size_t>(s.entries),
                                            std::vector<int>(static_cast<size_t>(s.table)));
        for (size_t i = 0; i < games.size(); ++i) {
            for (size_t seat = 0; seat < games[i].seats.size(); ++seat)
                ++seats[static_cast<size_t>(games[i].seats[seat])][seat];
            if (i + 1 < games.size() && games[i + 1].round == games[i].round) continue;
            for (const std::vector<int>& counts : seats)
                EXPECT_LE(*std::max_element(counts.begin(), counts.end()) -
                              *std::min_element(counts.begin(), counts.end()),
                          1)
                    << Name(s) << ", after round " << games[i].round;
        }
    }
}

TEST(Schedule, PairsMeetAboutEquallyOften) {
    for (const Shape& s : kShapes) {
        std::vector<ScheduledGame> games = DrawSchedule(s.entries, s.table, s.rounds, 11);
        std::vector<int> meetings(static_cast<size_t>(s.entries * s.entries), 0);
        for (const ScheduledGame& g : games)
            for (int a : g.seats)
                for (int b : g.seats)
                    if (a < b) ++meetings[static_cast<size_t>(a * s.entries + b)];
        std::vector<int> pairs;
        for (int a = 0; a < s.entries; ++a)
            for (int b = a + 1; b < s.entries; ++b)
                pairs.push_back(meetings[static_cast<size_t>(a * s.entries + b)]);
        double mean =
            std::accumulate(pairs.begin(), pairs.end(), 0.0) / static_cast<double>(pairs.size());
        // About half the mean at the least, and no pair kept apart.
        EXPECT_GE(*std::min_element(pairs.begin(), pairs.end()),
                  std::max(1.0, std::floor(mean / 2)))
            << Name(s);
        EXPECT_LE(*std::max_element(pairs.begin(), pairs.end()), mean * 1.5 + 1) << Name(s);
    }
}

TEST(Schedule, TheSeedDecidesTheDraw) {
    auto seats = [](std::uint64_t seed) {
        std::vector<std::vector<int>> all;
        for (const ScheduledGame& g : DrawSchedule(7, 3, 5, seed)) all.push_back(g.seats);
        return all;
    };
    EXPECT_EQ(seats(42), seats(42));
    EXPECT_NE(seats(42), seats(43));
}

}  // namespace
}  // namespace match
