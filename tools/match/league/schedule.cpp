// The tournament draw. Seats are split into g = gcd(entries, table) blocks of k = table / g
// neighbouring seats. In every round each entry is given one block and plays k games, once in
// each seat of its block; every g rounds (a cycle) each entry has been given every block once,
// so its seat counts never differ by more than one. Within a round the tables are a Latin
// arrangement of each block's entries, drawn several times; the draw that keeps the counts of
// meetings between pairs most even is played.
#include "match/league/schedule.h"

#include <cstddef>
#include <numeric>
#include <utility>

namespace match {
namespace {

constexpr int kDrawsPerRound = 64;  // candidate rounds compared for even meetings
constexpr int kDrawsPerCycle = 32;  // candidate cycles compared for evenly shared blocks
constexpr std::uint64_t kScheduleSalt =
    0x7a3c9e15d2b04f61;  // keeps the draw apart from the games' seeds

// SplitMix64: small, fast and the same on every platform (std distributions are not).
class DrawRandom {
public:
    explicit DrawRandom(std::uint64_t seed) : state_(seed ^ kScheduleSalt) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }

    // A number in [0, n); the modulo bias is far below anything a tournament could notice.
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

    template <typename T>
    void Shuffle(std::vector<T>& items) {
        for (size_t i = items.size(); i > 1; --i)
            std::swap(items[i - 1], items[static_cast<size_t>(Below(static_cast<int>(i)))]);
    }

private:
    std::uint64_t state_;
};

std::vector<int> Iota(int n) {
    std::vector<int> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), 0);
    return v;
}

using Tables = std::vector<std::vector<int>>;
using Meetings = std::vector<std::vector<int>>;

// The block each entry holds in each phase of a cycle: entries are shuffled into groups of g,
// and the members of a group take the blocks in a Latin-square order, so each block gets one
// member of every group in every phase.
std::vector<std::vector<int>> DrawCycle(int entries, int g, DrawRandom& random) {
    std::vector<int> order = Iota(entries);
    random.Shuffle(order);
    std::vector<std::vector<int>> block(static_cast<size_t>(g),
                                        std::vector<int>(static_cast<size_t>(entries)));
    for (int start = 0; start < entries; start += g) {
        std::vector<int> blocks = Iota(g);
        random.Shuffle(blocks);
        for (int m = 0; m < g; ++m)
            for (int phase = 0; phase < g; ++phase)
                block[static_cast<size_t>(phase)]
                     [static_cast<size_t>(order[static_cast<size_t>(start + m)])] =
                         blocks[static_cast<size_t>((m + phase) % g)];
    }
    return block;
}

// Entries that share a block in a round cannot meet in it, so a cycle in which some pairs share
// blocks in many phases would keep them apart: the cost is the sum of squared shared phases.
long long SharingCost(const std::vector<std::vector<int>>& cycle, int g) {
    const size_t entries = cycle.front().size();
    Meetings shared(entries, std::vector<int>(entries, 0));
    long long cost = 0;
    for (const std::vector<int>& block_of : cycle)
        for (int b = 0; b < g; ++b) {
            std::vector<size_t> members;
            for (size_t e = 0; e < entries; ++e)
                if (block_of[e] == b) members.push_back(e);
            for (size_t i = 0; i < members.size(); ++i)
                for (size_t j = i + 1; j < members.size(); ++j)
                    cost += 2 * shared[members[i]][members[j]]++ + 1;
        }
    return cost;
}

std::vector<std::vector<int>> DrawBestCycle(int entries, int g, DrawRandom& random) {
    std::vector<std::vector<int>> best;
    long long best_cost = 0;
    for (int draw = 0; draw < kDrawsPerCycle; ++draw) {
        std::vector<std::vector<int>> candidate = DrawCycle(entries, g, random);
        long long cost = SharingCost(candidate, g);
        if (best.empty() || cost < best_cost) best = std::move(candidate), best_cost = cost;
    }
    return best;
}

// One candidate round: block b's G entries in a random order P, and k distinct offsets d_c; the
// entry in seat b*k+c of table t is P[(t + d_c) mod G]. Each entry sits once in each of its
// block's seats, and never twice at one table.
Tables DrawRound(const std::vector<int>& block_of, int g, int k, int tables, DrawRandom& random) {
    Tables round(static_cast<size_t>(tables), std::vector<int>(static_cast<size_t>(g * k)));
    for (int b = 0; b < g; ++b) {
        std::vector<int> members;
        for (size_t e = 0; e < block_of.size(); ++e)
            if (block_of[e] == b) members.push_back(static_cast<int>(e));
        random.Shuffle(members);
        std::vector<int> offsets = Iota(tables);
        random.Shuffle(offsets);
        for (int t = 0; t < tables; ++t)
            for (int c = 0; c < k; ++c)
                round[static_cast<size_t>(t)][static_cast<size_t>(b * k + c)] =
                    members[static_cast<size_t>((t + offsets[static_cast<size_t>(c)]) % tables)];
    }
    return round;
}

// How uneven the meetings become when `round` is added: the sum of squared pair counts it adds to.
long long MeetingCost(const Tables& round, const Meetings& meetings) {
    long long cost = 0;
    for (const std::vector<int>& table : round)
        for (size_t i = 0; i < table.size(); ++i)
            for (size_t j = i + 1; j < table.size(); ++j) {
                long long m =
                    meetings[static_cast<size_t>(table[i])][static_cast<size_t>(table[j])];
                cost += 2 * m + 1;
            }
    return cost;
}

void AddMeetings(const Tables& round, Meetings& meetings) {
    for (const std::vector<int>& table : round)
        for (int a : table)
            for (int b : table)
                if (a != b) ++meetings[static_cast<size_t>(a)][static_cast<size_t>(b)];
}

}  // namespace

int GamesPerRound(int entries, int table) { return entries / std::gcd(entries, table); }

std::vector<ScheduledGame> DrawSchedule(int entries, int table, int rounds, std::uint64_t seed) {
    std::vector<ScheduledGame> games;
    if (table < 2 || table > entries || rounds < 1) return games;
    const int g = std::gcd(entries, table);
    const int k = table / g;
    const int tables = entries / g;
    DrawRandom random(seed);
    Meetings meetings(static_cast<size_t>(entries),
                      std::vector<int>(static_cast<size_t>(entries), 0));
    std::vector<std::vector<int>> cycle;
    for (int r = 0; r < rounds; ++r) {
        if (r % g == 0) cycle = DrawBestCycle(entries, g, random);
        const std::vector<int>& block_of = cycle[static_cast<size_t>(r % g)];
        Tables best;
        long long best_cost = 0;
        for (int draw = 0; draw < kDrawsPerRound; ++draw) {
            Tables candidate = DrawRound(block_of, g, k, tables, random);
            long long cost = MeetingCost(candidate, meetings);
            if (best.empty() || cost < best_cost) best = std::move(candidate), best_cost = cost;
        }
        AddMeetings(best, meetings);
        for (std::vector<int>& seats : best) {
            ScheduledGame game;
            game.index = static_cast<int>(games.size()) + 1;
            game.round = r + 1;
            game.seed = seed + static_cast<std::uint64_t>(game.index - 1);
            game.seats = std::move(seats);
            games.push_back(std::move(game));
        }
    }
    return games;
}

}  // namespace match
