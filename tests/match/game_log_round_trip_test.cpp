// The game log from writer to reader: a short game on the server's core, read back by match.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "match/game/log.h"
#include "protocol/game_log.h"
#include "server/core.h"

namespace match {
namespace {

namespace game_end = protocol::game_log::game_end;
namespace out_reason = protocol::game_log::out_reason;

class SilentTransport : public gs::Transport {
public:
    void Send(gs::ClientId, const std::string&) override {}
    void Close(gs::ClientId) override {}
};

// Three players, two turns: alice has an order refused, carol leaves in the first turn, bob lets
// the timeout end the second, and the poorer of the two left goes out at the turn limit.
TEST(GameLogRoundTrip, ReaderTakesWhatTheServerWrites) {
    SilentTransport transport;
    std::ostringstream log;
    gs::CoreOptions options;
    options.max_turns = 2;
    options.seed = 99;
    gs::ServerCore core(options, transport, &log, nullptr);
    const std::vector<std::pair<gs::ClientId, std::string>> lines = {
        {1, "alice"},    {2, "bob"},  {3, "carol"},   {1, ".create"}, {2, ".join 1"},
        {3, ".join 1"},  {1, "start"}, {1, "buy 1 1"}, {2, "sell 1 5000"}};
    for (gs::ClientId id : {1, 2, 3}) core.OnConnect(id, 0);
    for (const auto& [id, line] : lines) core.OnLine(id, line, 0);
    core.OnDisconnect(3, 0);
    for (gs::ClientId id : {1, 2}) core.OnLine(id, "turn", 0);
    core.OnLine(1, "turn", 0);
    core.OnTimer(options.turn_timeout_s * 1000);

    std::istringstream in(log.str());
    int warnings = -1;
    const GameRecord r = ReadGameLog(in, 0, &warnings);
    EXPECT_EQ(warnings, 0);
    // start
    EXPECT_EQ(r.seed, 99);
    EXPECT_EQ(r.players, (std::vector<std::string>{"alice", "bob", "carol"}));
    // turn: carol's money line ends at the turn she went out; alice's refusal is kept
    ASSERT_EQ(r.money.size(), 3u);
    EXPECT_EQ(r.money[0].turns, (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(r.money[2].turns, (std::vector<std::int64_t>{1}));
    ASSERT_EQ(r.refused.count("alice"), 1u);
    EXPECT_EQ(r.refused.at("alice").at(0).order, "buy 1 1");
    EXPECT_EQ(r.refused.at("alice").at(0).turn, 1);
    const auto times = [&](const std::string& name) {
        const TurnTimes& t = r.turn_times.at(name);
        return std::make_pair(t.turns, t.timed_out);
    };
    EXPECT_EQ(times("alice"), std::make_pair(std::int64_t{2}, std::vector<std::int64_t>{}));
    EXPECT_EQ(times("bob"), std::make_pair(std::int64_t{2}, std::vector<std::int64_t>{2}));
    EXPECT_EQ(times("carol"), std::make_pair(std::int64_t{1}, std::vector<std::int64_t>{}));
    // end
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.last_turn, 2);
    EXPECT_EQ(r.reason, game_end::kTurnLimit);
    ASSERT_TRUE(r.winner);
    ASSERT_EQ(r.final_states.size(), 3u);
    EXPECT_EQ(r.final_states[2].out_reason, out_reason::kDisconnected);
    EXPECT_EQ(r.final_states[2].out_turn, std::optional<std::int64_t>(1));
    const FinalState& loser = r.final_states[*r.winner == "alice" ? 1 : 0];
    EXPECT_EQ(loser.out_reason, out_reason::kTurnLimit);
}

}  // namespace
}  // namespace match
