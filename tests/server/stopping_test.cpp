// Stopping the server and the operator's controls, on the core: the drain, games ended with no
// winner and their end records, removing a client, notices and the views.
#include "server_fixture.h"

#include "protocol/game_log.h"

namespace gs_test {
namespace {

namespace game_end = protocol::game_log::game_end;

using Stopping = ServerTest;

constexpr char kDrainNotice[] =
    "! notice: the server stops after the running games end, at the latest in 2 seconds";

TEST_F(Stopping, DrainTellsPlayersRefusesNewGamesAndLetsTheGameFinish) {
    options.max_turns = 1;
    options.drain_timeout_s = 2;
    const auto ids = Play({"ann", "bob"});
    const ClientId waiting = Named("cid");
    Say(waiting, ".create");
    Take(waiting);
    const ClientId idle = Named("dan");
    Core().BeginDrain(now_ms);
    EXPECT_EQ(Take(ids[0]), (Lines{kDrainNotice}));
    EXPECT_TRUE(Take(idle).empty());
    EXPECT_EQ(AskOne(idle, ".create"), "! error: the server is stopping: no new games");
    EXPECT_EQ(AskOne(waiting, "start"), "! error: the server is stopping: no new games");
    EXPECT_FALSE(Core().Drained());
    EndTurn(ids);
    EXPECT_TRUE(Core().Drained());
    EXPECT_NE(LogLines().back().find(R"("reason":"turn_limit")"), std::string::npos);
}

// Every way the server ends a game itself: no winner, the reason in the end record, and a last
// line that tells a robot its game is over.
TEST_F(Stopping, GamesEndedByTheServerHaveNoWinnerAndSayWhy) {
    const struct {
        const char* reason;
        const char* last_line;
    } cases[] = {
        {game_end::kDrainTimeout,
         "# You are a bankrupt, the game is over (ended as the server stops, no winner)"},
        {game_end::kOperator,
         "# You are a bankrupt, the game is over (ended by the operator, no winner)"},
        {game_end::kServerStopped,
         "# You are a bankrupt, the game is over (ended as the server stopped, no winner)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        options.drain_timeout_s = 2;
        options.turn_timeout_s = 0;
        Restart();
        const auto ids = Play({"ann", "bob"});
        EndTurn(ids);
        Take(ids[0]);
        const std::string reason = c.reason;
        if (reason == game_end::kDrainTimeout) {
            Core().BeginDrain(now_ms);
            now_ms += 2000;
            EXPECT_EQ(Core().NextDeadline(), now_ms);
            Core().OnTimer(now_ms);
        } else if (reason == game_end::kOperator) {
            EXPECT_FALSE(Core().EndGame(2));
            EXPECT_TRUE(Core().EndGame(1));
        } else {
            Core().EndAllGames(reason);
        }
        Lines got = Take(ids[1]);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), c.last_line);
        EXPECT_NE(LogLines().back().find(std::string(R"("event":"end","game":1,"turn":2,"reason":")") +
                                         c.reason + R"(","winner":null)"),
                  std::string::npos)
            << LogLines().back();
        EXPECT_EQ(Core().Stats().running_games, 0);
        EXPECT_EQ(Core().Stats().turns_resolved, 1);
        // The robot reads its end from "info" as from any lost game.
        EXPECT_EQ(Ask(ids[0], "info").back(), "& PLAYERS 2");
    }
}

TEST_F(Stopping, KickNoticeAndViews) {
    const auto ids = Play({"ann", "bob"});
    const ClientId cid = Named("cid");
    Say(cid, ".create");
    Take(cid);
    const ClientId nameless = Connect();

    EXPECT_EQ(Core().Games().size(), 2u);
    EXPECT_EQ(Core().Games()[0].players, (std::vector<std::string>{"ann", "bob"}));
    EXPECT_TRUE(Core().Games()[0].running);
    EXPECT_FALSE(Core().Games()[1].running);
    EXPECT_EQ(Core().Clients().size(), 4u);
    EXPECT_EQ(Core().Clients()[2].game, 2);

    Core().Notice("! notice from the operator: hi");
    for (ClientId id : {ids[0], ids[1], cid, nameless}) EXPECT_EQ(Take(id), (Lines{"! notice from the operator: hi"}));

    EXPECT_FALSE(Core().Kick("nobody", now_ms));
    EXPECT_TRUE(Core().Kick("bob", now_ms));
    EXPECT_EQ(Take(ids[1]), (Lines{"! error: you were removed by the operator"}));
    EXPECT_TRUE(Closed(ids[1]));
    Drop(ids[1]);
    const gs::LobbyStats stats = Core().Stats();
    EXPECT_EQ(stats.clients, 3);
    EXPECT_EQ(stats.named, 2);
    EXPECT_EQ(stats.waiting_games, 1);
}

}  // namespace
}  // namespace gs_test
