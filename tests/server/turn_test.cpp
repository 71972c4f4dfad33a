// The end of a turn: auctions and their seeded tie-breaks, production, upkeep, bankruptcy,
// the turn timeout and players whose connection is lost.
#include <tuple>

#include "server_fixture.h"

namespace gs_test {
namespace {

using Turn = ServerTest;

// The "trades" array of the log's turn line `turn` (1-based), as text.
std::string Trades(const Lines& log, std::size_t turn) {
    const std::string& line = log.at(turn);
    const std::size_t begin = line.find("\"trades\":");
    return line.substr(begin, line.find("],\"players\"") + 1 - begin);
}

TEST_F(Turn, RawGoesToTheHighestBidsAndTiesFollowTheSeed) {
    std::set<std::string> outcomes;
    for (std::uint64_t seed = 1; seed <= 16; ++seed) {
        options.seed = seed;
        Restart();
        const auto ids = Play({"ann", "bob", "cid"});
        Say(ids[0], "buy 4 600");
        Say(ids[1], "buy 4 600");
        Say(ids[2], "buy 1 700");  // six raw offered: 1 at 700, then 4 and 1 at 600
        EndTurn(ids);
        const std::string trades = Trades(LogLines(), 1);
        const std::string cid = R"("trades":[{"player":"cid","kind":"raw","n":1,"price":700},)";
        EXPECT_EQ(trades.rfind(cid, 0), 0u) << trades;
        const bool ann_first =
            trades.find(R"({"player":"ann","kind":"raw","n":4,"price":600},)") != std::string::npos;
        const bool bob_first =
            trades.find(R"({"player":"bob","kind":"raw","n":4,"price":600},)") != std::string::npos;
        EXPECT_NE(ann_first, bob_first) << trades;
        outcomes.insert(ann_first ? "ann" : "bob");
    }
    EXPECT_EQ(outcomes.size(), 2u) << "equal bids are not always won by the same player";
}

TEST_F(Turn, ProductsGoToTheLowestOffersAndTiesFollowTheSeed) {
    std::set<std::string> outcomes;
    for (std::uint64_t seed = 1; seed <= 16; ++seed) {
        options.seed = seed;
        Restart();
        const auto ids = Play({"ann", "bob", "cid"});
        Say(ids[0], "prod 2");
        Say(ids[1], "prod 2");
        EndTurn(ids);
        // Turn 2: at least 3 and at most 9 products wanted; cid's cheaper offer goes first.
        Say(ids[2], "sell 2 900");
        Say(ids[0], "sell 4 1000");
        Say(ids[1], "sell 4 1000");
        EndTurn(ids);
        const std::string trades = Trades(LogLines(), 2);
        EXPECT_EQ(trades.rfind(R"("trades":[{"player":"cid","kind":"prod","n":2,"price":900},)", 0),
                  0u)
            << trades;
        const std::size_t ann = trades.find("\"ann\""), bob = trades.find("\"bob\"");
        ASSERT_TRUE(ann != std::string::npos || bob != std::string::npos) << trades;
        outcomes.insert(ann < bob ? "ann" : "bob");
    }
    EXPECT_EQ(outcomes.size(), 2u);
}

TEST_F(Turn, ProductionStopsWhereMoneyRunsOutAndBankruptsAreTold) {
    const auto ids = Play({"ann"});
    Say(ids[0], "prod 2");
    Say(ids[0], "upgrade");  // leaves 3000: enough for one product only
    EXPECT_EQ(Ask(ids[0], "turn"), (Lines{"ok: turn 1 ended for you",
                                          "# You are a bankrupt, your money fell to -2200"}));
    // 3000 - 2000 - upkeep 200*3 + 400*3 + 700*2 = -2200
    EXPECT_NE(
        LogLines().at(1).find(
            R"({"name":"ann","money":-2200,"raw":3,"prod":3,"fabrics":2,"auto_plants":0,"out":true,)"
            R"("out_reason":"bankrupt","upgrading":0,"building":0,"took_ms":0,"timed_out":false})"),
        std::string::npos);
    EXPECT_EQ(LogLines().at(2).substr(0, 78),
              R"({"event":"end","game":1,"turn":1,"reason":"all_out","winner":null,"players":[{)");
    EXPECT_NE(events.str().find("game 1 ended after 1 turn: no winner\n"), std::string::npos);
}

TEST_F(Turn, NewPlantIsReadyFourTurnsAfterItsOrder) {
    const auto ids = Play({"ann"});
    Say(ids[0], "abuild");
    Say(ids[0], "sell 2 5600");
    for (int turn = 1; turn <= 5; ++turn) EndTurn(ids);
    const Lines log = LogLines();
    EXPECT_NE(
        log.at(4).find(R"("money":2400,"raw":4,"prod":0,"fabrics":2,"auto_plants":0,"out":false,)"
                       R"("upgrading":0,"building":1,"took_ms":0,"timed_out":false})"),
        std::string::npos);
    EXPECT_NE(
        log.at(5).find(
            R"("money":-1000,"raw":4,"prod":0,"fabrics":2,"auto_plants":1,"out":true,"out_reason":"bankrupt")"),
        std::string::npos);
}

TEST_F(Turn, TimeoutEndsTheTurnForEveryone) {
    options.turn_timeout_s = 10;
    const auto ids = Play({"ann", "bob"});
    EXPECT_EQ(Core().NextDeadline(), now_ms + 10000);
    Say(ids[0], "turn");
    Core().OnTimer(now_ms + 9999);
    EXPECT_EQ(Take(ids[1]), Lines{});
    Core().OnTimer(now_ms + 10000);
    EXPECT_NE(events.str().find("game 1: turn 1 timed out waiting for bob\n"), std::string::npos);
    EXPECT_EQ(Take(ids[0]), (Lines{"ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(Take(ids[1]), Lines{"& ENDTURN"});
    EXPECT_EQ(Core().NextDeadline(), now_ms + 20000);
    EXPECT_EQ(AskOne(ids[0], "turn"), "ok: turn 2 ended for you");
}

// Each player that began the turn is logged with the time it took and whether the timeout ended
// the turn first; a player already out has neither.
TEST_F(Turn, LogTellsHowLongEachPlayerTookAndWhoTimedOut) {
    options.turn_timeout_s = 10;
    const auto ids = Play({"ann", "bob", "cid"});
    const std::int64_t start = now_ms;
    Drop(ids[2]);
    now_ms = start + 250;
    Say(ids[0], "turn");
    Core().OnTimer(start + 10000);  // bob never ends its turn
    now_ms = start + 10040;
    Say(ids[0], "turn");
    Core().OnTimer(start + 20000);
    const Lines log = LogLines();
    const std::string took = R"("building":0,"took_ms":)";
    for (const auto& [turn, player, tail] :
         std::vector<std::tuple<std::size_t, std::string, std::string>>{
             {1, "ann", "250,\"timed_out\":false}"},
             {1, "bob", "10000,\"timed_out\":true}"},
             {1, "cid", "10000,\"timed_out\":false}"},
             {2, "ann", "40,\"timed_out\":false}"},
             {2, "bob", "10000,\"timed_out\":true}"}}) {
        const std::string& line = log.at(turn);
        const std::size_t record = line.find("{\"name\":\"" + player + "\"");
        ASSERT_NE(record, std::string::npos) << line;
        EXPECT_EQ(line.substr(line.find(took, record) + took.size(), tail.size()), tail)
            << player << " in turn " << turn << ": " << line;
    }
    const std::string turn2 = log.at(2);
    const std::string cid = turn2.substr(turn2.find(R"({"name":"cid")"));
    EXPECT_EQ(cid.substr(0, cid.find('}')).find("took_ms"), std::string::npos) << turn2;
}

TEST_F(Turn, LostPlayerDoesNotHoldTheTurnAndGoesOutAtItsEnd) {
    const auto ids = Play({"ann", "bob", "cid"});
    Say(ids[2], "buy 4 900");
    Say(ids[0], "turn");
    Drop(ids[2]);
    EXPECT_NE(InfoOf(ids[1], "cid"), "") << "listed until the end of the turn";
    EXPECT_EQ(Ask(ids[1], "turn"), (Lines{"ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(InfoOf(ids[1], "cid"), "");
    EXPECT_EQ(Ask(ids[1], "info").back(), "& PLAYERS 2");
    // Its bid was not served, and it is out from turn 1.
    EXPECT_EQ(Trades(LogLines(), 1), R"("trades":[])");
    EXPECT_NE(
        LogLines().at(1).find(
            R"("name":"cid","money":7000,"raw":4,"prod":2,"fabrics":2,"auto_plants":0,"out":true,)"
            R"("out_reason":"disconnected")"),
        std::string::npos);
    EXPECT_NE(events.str().find("game 1: cid out at turn 1 (disconnected)\n"), std::string::npos);
}

TEST_F(Turn, OutPlayerMayAskButNotOrder) {
    const auto ids = Play({"ann", "bob", "cid"});
    Say(ids[2], "abuild");
    EndTurn(ids);
    EXPECT_EQ(Take(ids[2]).back(), "# You are a bankrupt, your money fell to -3000");
    EXPECT_EQ(AskOne(ids[2], "buy 1 900"), "! error: you are out of the game");
    EXPECT_EQ(Ask(ids[2], "info"),
              (Lines{"& INFO ann 4 2 7000 2 0", "& INFO bob 4 2 7000 2 0", "& PLAYERS 2"}));
    EXPECT_EQ(AskOne(ids[2], ".create"), "cid has created the game #2");
    Say(ids[0], "chat");
    EXPECT_EQ(Take(ids[2]), Lines{});
}

}  // namespace
}  // namespace gs_test
