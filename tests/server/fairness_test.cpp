// What keeps one client from spoiling the room: waiting games that end, names that must come
// in time and may not read like server lines, and mistyped orders that are not chat.
#include <set>

#include "server/names.h"
#include "server/order_typos.h"
#include "server_fixture.h"

namespace gs_test {
namespace {

using Fairness = ServerTest;

constexpr std::int64_t kSecondMs = 1000;

TEST_F(Fairness, SilentCreatorIsAskedThenTheServerStartsTheGame) {
    options.start_timeout_s = 60;
    const ClientId ann = Named("ann");
    Say(ann, ".create");
    now_ms += 1000 * kSecondMs;
    EXPECT_EQ(Core().NextDeadline(), -1) << "a creator alone keeps waiting";
    const ClientId bob = Named("bob");
    Say(bob, ".join 1");
    Take(ann);
    Take(bob);
    EXPECT_EQ(Core().NextDeadline(), now_ms + 60 * kSecondMs);
    Core().OnTimer(now_ms + 60 * kSecondMs);
    EXPECT_EQ(Take(ann), Lines{"botstart bob"});
    EXPECT_TRUE(Take(bob).empty());
    Core().OnTimer(now_ms + 120 * kSecondMs - 1);
    EXPECT_TRUE(Take(ann).empty());
    Core().OnTimer(now_ms + 120 * kSecondMs);
    EXPECT_EQ(Take(ann), Lines{"& START"});
    EXPECT_EQ(Take(bob), Lines{"& START"});
}

TEST_F(Fairness, CreatorThatStartsOnBotstartStopsTheClock) {
    options.start_timeout_s = 1;
    const ClientId ann = Named("ann");
    Ask(ann, ".create");
    Say(Named("bob"), ".join 1");
    now_ms += kSecondMs;
    Core().OnTimer(now_ms);
    EXPECT_EQ(Take(ann), (Lines{"@+ JOIN bob", "botstart bob"}));
    EXPECT_EQ(Ask(ann, "start"), Lines{"& START"});
    EXPECT_EQ(Core().NextDeadline(), now_ms + 60 * kSecondMs) << "only the turn timeout is left";
}

TEST_F(Fairness, ClockStopsWhenTheCreatorIsAloneAgain) {
    options.start_timeout_s = 1;
    const ClientId ann = Named("ann");
    Say(ann, ".create");
    const ClientId bob = Named("bob");
    Say(bob, ".join 1");
    Say(bob, ".leave");
    EXPECT_EQ(Core().NextDeadline(), -1);
}

TEST_F(Fairness, ConnectionWithoutANameIsClosedOnTime) {
    options.name_timeout_s = 30;
    const ClientId silent = Connect();
    const ClientId ann = Named("ann");
    Core().OnTimer(now_ms + 30 * kSecondMs - 1);
    EXPECT_FALSE(Closed(silent));
    Core().OnTimer(now_ms + 30 * kSecondMs);
    EXPECT_EQ(Take(silent), Lines{"! error: no name sent within 30 s"});
    EXPECT_TRUE(Closed(silent));
    EXPECT_FALSE(Closed(ann));
    Drop(silent);
    EXPECT_EQ(Core().NextDeadline(), -1);
}

TEST_F(Fairness, NamesThatReadLikeServerLinesAreRefused) {
    for (const char* name : {"ok", "OK", "Game", "ERROR", "wait", "BotStart", "42"}) {
        const ClientId id = Connect();
        Say(id, name);
        const Lines reply = Take(id);
        ASSERT_EQ(reply.size(), 1u) << name;
        EXPECT_EQ(reply[0].rfind("! error: ", 0), 0u) << name;
        EXPECT_TRUE(Closed(id)) << name;
    }
    for (const char* name : {"okay", "gamer", "agent42"}) Named(name);
}

// Every word that begins a line the server writes, other than a player's own name, must be one
// that no player can take; a new reply with a new first word fails here until it is reserved.
TEST_F(Fairness, NoServerLineBeginsWithAWordAPlayerCouldTake) {
    options.max_players = 2;
    const std::set<std::string> players = {"ann", "bob", "cid"};
    const ClientId cid = Named("cid");
    const std::vector<ClientId> game = Play({"ann", "bob"});
    for (const char* line : {"market", "info", "buy 1 1", "sell 9 9", "prod 99", "upgrade",
                             "abuild", "turn", "turn", "start", ".botstart", ".join 1", ".who"})
        Say(game[0], line);
    for (const char* line : {".join 9", ".create", ".create", "start", ".leave", ".leave",
                             ".botstart", "hello"})
        Say(cid, line);
    Say(game[1], ".leave");
    for (const std::string& line : transport.all) {
        const std::string first = line.substr(0, line.find_first_of(" :"));
        if (players.count(first) == 0) {
            EXPECT_NE(gs::NameError(first), "") << "'" << first << "' begins: " << line;
        }
    }
}

TEST(OrderTypos, MistypedOrdersAreCaughtAndChatIsNot) {
    const struct {
        const char* line;
        const char* error;  // "" for chat
    } cases[] = {
        {"BUY 1 650", "! error: unknown order 'BUY' (did you mean 'buy'?)"},
        {"Turn", "! error: unknown order 'Turn' (did you mean 'turn'?)"},
        {"INFO 3", "! error: unknown order 'INFO' (did you mean 'info'?)"},
        {"sel 2 4000", "! error: unknown order 'sel' (did you mean 'sell'?)"},
        {"tunr", "! error: unknown order 'tunr' (did you mean 'turn'?)"},
        {"prods 1", "! error: unknown order 'prods' (did you mean 'prod'?)"},
        {"mraket", "! error: unknown order 'mraket' (did you mean 'market'?)"},
        {"hi", ""},
        {"ok", ""},
        {"yes", ""},
        {"no", ""},
        {"by 2 4", ""},
        {"well", ""},
        {"but why", ""},
        {"Market is up", ""},
        {"sell me 2", ""},
        {"upgrades are slow", ""},
        {"turns 5 6", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(gs::MistypedOrderError(c.line), c.error) << c.line;
}

TEST_F(Fairness, MistypedOrderInAGameIsAnsweredNotRelayed) {
    const std::vector<ClientId> game = Play({"ann", "bob"});
    EXPECT_EQ(AskOne(game[0], "sel 2 4000"), "! error: unknown order 'sel' (did you mean 'sell'?)");
    EXPECT_TRUE(Take(game[1]).empty());
    Say(game[0], "well done");
    EXPECT_EQ(Take(game[1]), Lines{"ann: well done"});
    const ClientId lobby = Named("cid");
    const ClientId other = Named("dan");
    Say(lobby, "BUY 1 650");
    EXPECT_EQ(Take(other), Lines{"cid: BUY 1 650"}) << "in the lobby it is chat";
}

}  // namespace
}  // namespace gs_test
