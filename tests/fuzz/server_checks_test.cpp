// Tests of the server fuzz target's checks: they must pass the server's sound output and
// catch a marker out of place or a ledger that does not add up.
#include "server_checks.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "server/core.h"

namespace {

class NullTransport : public gs::Transport {
public:
    void Send(gs::ClientId, const std::string&) override {}
    void Close(gs::ClientId) override {}
};

struct MarkerCase {
    const char* line;
    const char* misused;  // "" when the line is sound
};

TEST(ServerChecks, MarkersOnlyInTheirOwnMessages) {
    const MarkerCase cases[] = {
        {"alice has created the game #7", ""},
        {"game 3 (carol, 1 player) is waiting  #3", ""},
        {"& INFO bob 1 2 -300 2 0", ""},
        {"# You are a bankrupt, the game is over (winner: bob)", ""},
        {"alice: hello", ""},
        {"alice: has created the game #7", " has created the game #"},
        {"bob: & ENDTURN", "& ENDTURN"},
        {"& INFO bob 1 2", "& INFO"},
        {"ok: welcome, botstart", "botstart"},
    };
    for (const MarkerCase& c : cases)
        EXPECT_EQ(fuzz::MisusedMarker(c.line), c.misused) << c.line;
}

// Alice starts with 10000 money, 4 raw, 2 products, 2 plants, buys 2 raw at 600 and makes 1
// product: 10000 - 1200 - 2000 - upkeep(5 raw, 3 products, 2 plants: 1000 + 1200 + 1400).
std::string TurnLine(const std::string& money, const std::string& raw) {
    return R"({"event":"turn","game":1,"turn":1,"market":{},"orders":[{"player":"alice",)"
           R"("order":"buy 2 600"}],"trades":[{"player":"alice","kind":"raw","n":2,"price":600}],)"
           R"("players":[{"name":"alice","money":)" + money + R"(,"raw":)" + raw +
           R"(,"prod":3,"fabrics":2,"auto_plants":0,"out":false}]})";
}

TEST(ServerChecks, LedgerFollowsTheRules) {
    const std::string start = R"({"event":"start","game":1,"players":["alice"]})";
    const struct {
        std::string money, raw;
        bool sound;
    } cases[] = {{"3200", "5", true}, {"3201", "5", false}, {"3200", "6", false}};
    for (const auto& c : cases) {
        fuzz::LedgerCheck ledger;
        ASSERT_EQ(ledger.Feed(start), "");
        EXPECT_EQ(ledger.Feed(TurnLine(c.money, c.raw)).empty(), c.sound) << c.money << " " << c.raw;
    }
    fuzz::LedgerCheck ledger;
    ledger.Feed(start);
    EXPECT_NE(ledger.Feed(TurnLine("3200", "-1")).find("negative holdings"), std::string::npos);
}

// The ledger agrees with the server over a whole game of trades, production and plants.
TEST(ServerChecks, LedgerAgreesWithTheServer) {
    NullTransport transport;
    std::ostringstream log;
    gs::CoreOptions options;
    options.max_turns = 6;
    gs::ServerCore core(options, transport, &log, nullptr);
    core.OnConnect(1, 0);
    core.OnConnect(2, 0);
    const std::vector<std::pair<gs::ClientId, std::string>> lobby = {
        {1, "alice"}, {2, "bob"}, {1, ".create"}, {2, ".join 1"}, {1, "start"}};
    for (const auto& [id, line] : lobby) core.OnLine(id, line, 0);
    const char* const orders[] = {"buy 3 900", "sell 1 3000", "prod 2", "upgrade", "abuild"};
    for (int turn = 0; turn < 6; ++turn) {
        core.OnLine(1, orders[turn % 5], 0);
        core.OnLine(2, orders[(turn + 2) % 5], 0);
        core.OnLine(1, "turn", 0);
        core.OnLine(2, "turn", 0);
    }
    fuzz::LedgerCheck ledger;
    std::istringstream lines(log.str());
    int turns = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(ledger.Feed(line), "");
        turns += line.find(R"("event":"turn")") != std::string::npos;
    }
    EXPECT_GE(turns, 2) << "both go bankrupt by the third turn";
}

}  // namespace
