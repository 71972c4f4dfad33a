// Orders during a turn: what each accepts and refuses, and what holds after "turn".
#include "server_fixture.h"

namespace gs_test {
namespace {

using Orders = ServerTest;

// Each case runs in a fresh turn 1 of a two-player game: mood 2, raw 4 at 550 or more,
// products wanted 4 at 5600 at most; the player has 10000 money, 4 raw, 2 products, 2 plants.
TEST_F(Orders, EachOrderChecksItsLimits) {
    const struct {
        std::string line;
        std::string reply;
    } cases[] = {
        {"buy 16 625", "ok: bid for 16 raw at 625"},
        {"buy 0 600", "! error: buy at least 1 raw"},
        {"buy 1 549", "! error: the lowest raw price this turn is 550"},
        {"buy 17 600", "! error: not enough money: you have 10000"},
        {"buy 999999999 999999999", "! error: not enough money: you have 10000"},
        {"buy 9999999999 600", "! error: number too large (at most 999999999)"},
        {"buy 1 99999999999999999999999", "! error: number too large (at most 999999999)"},
        {"buy -1 600", "! error: usage: buy N P (N and P are whole numbers)"},
        {"buy 1", "! error: usage: buy N P"},
        {"sell 2 5600", "ok: offer of 2 products at 5600"},
        {"sell 3 100", "! error: you have only 2 products"},
        {"sell 0 100", "! error: sell at least 1 product"},
        {"sell 1 0", "! error: the price must be at least 1"},
        {"sell 1 5601", "! error: the highest product price this turn is 5600"},
        {"prod 2", "ok: making 2 products"},
        {"prod 0", "ok: making 0 products"},
        {"prod 3", "! error: your plants make at most 2 products a turn"},
        {"prod 5", "! error: you have only 4 raw"},
        {"prod 1 2", "! error: usage: prod N"},
        {"upgrade", "ok: upgrading a plant, done at the end of turn 4"},
        {"abuild", "ok: building an automatic plant, ready at the end of turn 5"},
        {"abuild now", "! error: usage: abuild"},
        {"turn 1", "! error: usage: turn"},
    };
    for (const auto& c : cases) {
        const auto ids = Play({"ann", "bob"});
        EXPECT_EQ(AskOne(ids[0], c.line), c.reply) << c.line;
        Drop(ids[0]);
        Drop(ids[1]);
    }
}

TEST_F(Orders, MoneyPaidForPlantsLimitsLaterOrders) {
    const auto ids = Play({"ann", "bob"});
    EXPECT_EQ(AskOne(ids[0], "upgrade"), "ok: upgrading a plant, done at the end of turn 4");
    EXPECT_EQ(InfoOf(ids[0], "ann"), "& INFO ann 4 2 3000 2 0");
    EXPECT_EQ(AskOne(ids[0], "abuild"), "! error: not enough money: a new plant costs 10000");
    EXPECT_EQ(AskOne(ids[0], "prod 2"), "! error: not enough money: you have 3000");
    EXPECT_EQ(AskOne(ids[0], "buy 6 500"), "! error: the lowest raw price this turn is 550");
    EXPECT_EQ(AskOne(ids[0], "buy 6 551"), "! error: not enough money: you have 3000");
}

TEST_F(Orders, AfterTurnOnlyMarketAndInfoAreAnswered) {
    const auto ids = Play({"ann", "bob"});
    EXPECT_EQ(AskOne(ids[0], "turn"), "ok: turn 1 ended for you");
    for (const std::string line :
         {"buy 1 600", "sell 1 100", "prod 1", "upgrade", "abuild", "turn"}) {
        EXPECT_EQ(AskOne(ids[0], line), "! wait: turn already ended for you") << line;
    }
    EXPECT_EQ(AskOne(ids[0], "market"), "& MARKET 4 550 4 5600");
    EXPECT_EQ(Ask(ids[0], "info"),
              (Lines{"& INFO ann 4 2 10000 2 0", "& INFO bob 4 2 10000 2 0", "& PLAYERS 2"}));
}

// The log keeps each refused order, well-formed or not, with the reason its sender was given.
TEST_F(Orders, RefusedOrdersAreLoggedWithTheirReasons) {
    const auto ids = Play({"ann", "bob"});
    for (const char* line : {"buy 1 549", "buy 1 600", "prod 1 2", "sell 3 100", "turn", "upgrade"})
        Say(ids[0], line);
    Say(ids[1], "turn");
    EXPECT_NE(
        LogLines().at(1).find(
            R"("orders":[{"player":"ann","order":"buy 1 600"}],"refused":[)"
            R"({"player":"ann","order":"buy 1 549","reason":"the lowest raw price this turn is 550"},)"
            R"({"player":"ann","order":"prod","reason":"usage: prod N"},)"
            R"({"player":"ann","order":"sell 3 100","reason":"you have only 2 products"},)"
            R"({"player":"ann","order":"upgrade","reason":"turn already ended for you"}],)"),
        std::string::npos)
        << LogLines().at(1);
}

TEST_F(Orders, ANewBidReplacesTheOld) {
    const auto ids = Play({"ann"});
    Say(ids[0], "buy 3 600");
    Say(ids[0], "buy 1 700");
    EndTurn(ids);
    // One bid of 1 at 700 went through: 10000 - 700 - upkeep 200*5 + 400*2 + 700*2.
    EXPECT_EQ(InfoOf(ids[0], "ann"), "& INFO ann 5 2 6100 2 0");
    EXPECT_NE(
        LogLines().at(1).find(R"("orders":[{"player":"ann","order":"buy 3 600"},)"
                              R"({"player":"ann","order":"buy 1 700"}],"refused":[],)"
                              R"("trades":[{"player":"ann","kind":"raw","n":1,"price":700}])"),
        std::string::npos);
}

TEST_F(Orders, PlantUnderUpgradeCannotBeUpgradedAgain) {
    const auto ids = Play({"ann"});
    Say(ids[0], "upgrade");
    Say(ids[0], "sell 2 5600");
    EndTurn(ids);  // 10000 - 7000 + 11200 - upkeep 800 + 1400 = 12000
    EXPECT_EQ(AskOne(ids[0], "upgrade"), "ok: upgrading a plant, done at the end of turn 5");
    EndTurn(ids);
    EXPECT_EQ(AskOne(ids[0], "upgrade"), "! error: no ordinary plant left to upgrade");
    EndTurn(ids);
    EXPECT_EQ(InfoOf(ids[0], "ann"), "& INFO ann 4 0 600 2 0");
    EndTurn(ids);  // the first upgrade is done before upkeep: 800 + 700 + 1200
    const Lines log = LogLines();
    EXPECT_NE(
        log.at(4).find(
            R"({"name":"ann","money":-2100,"raw":4,"prod":0,"fabrics":1,"auto_plants":1,"out":true,)"
            R"("out_reason":"bankrupt","upgrading":0,"building":0,"took_ms":0,"timed_out":false})"),
        std::string::npos);
    EXPECT_NE(log.at(2).find(R"("out":false,"upgrading":2,"building":0,"took_ms":0,"timed_out":false})"), std::string::npos);
}

}  // namespace
}  // namespace gs_test
