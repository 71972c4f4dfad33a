// The three ways a game ends, and what its players get from it afterwards.
#include "server_fixture.h"

namespace gs_test {
namespace {

using GameEnd = ServerTest;

TEST_F(GameEnd, LastPlayerLeftWins) {
    const auto ids = Play({"ann", "bob"});
    EXPECT_EQ(AskOne(ids[1], "abuild"),
              "ok: building an automatic plant, ready at the end of turn 5");
    EndTurn(ids);
    EXPECT_EQ(Take(ids[0]), (Lines{"ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(Take(ids[1]), (Lines{"ok: turn 1 ended for you",
                                   "# You are a bankrupt, your money fell to -3000"}));
    EXPECT_EQ(Ask(ids[0], "info"), (Lines{"& YOU_WIN", "& INFO ann 4 2 7000 2 0", "& PLAYERS 1"}));
    EXPECT_EQ(Ask(ids[1], "info"), (Lines{"& INFO ann 4 2 7000 2 0", "& PLAYERS 1"}));
    EXPECT_EQ(
        LogLines().back(),
        R"({"event":"end","game":1,"turn":1,"reason":"last_player","winner":"ann","players":[)"
        R"({"name":"ann","money":7000,"raw":4,"prod":2,"fabrics":2,"auto_plants":0,"out":false,"out_turn":null,)"
        R"("upgrading":0,"building":0},)"
        R"({"name":"bob","money":-3000,"raw":4,"prod":2,"fabrics":2,"auto_plants":0,"out":true,"out_turn":1,)"
        R"("out_reason":"bankrupt","upgrading":0,"building":0}]})");
    EXPECT_NE(events.str().find("game 1 ended after 1 turn: winner ann\n"), std::string::npos);
}

TEST_F(GameEnd, TurnLimitCrownsTheRichestAndEarliestOnTies) {
    const struct {
        std::string bob_order;
        std::string winner;
    } cases[] = {{"sell 1 100", "bob"}, {"prod 0", "ann"}};
    for (const auto& c : cases) {
        options.max_turns = 2;
        Restart();
        const auto ids = Play({"ann", "bob", "cid"});
        Say(ids[2], "prod 1");  // cid ends with less money than both
        EndTurn(ids);
        Say(ids[1], c.bob_order);
        EndTurn(ids);
        const ClientId winner = c.winner == "ann" ? ids[0] : ids[1];
        const ClientId loser = c.winner == "ann" ? ids[1] : ids[0];
        const std::string over =
            "# You are a bankrupt, the game is over (winner: " + c.winner + ")";
        EXPECT_EQ(Take(winner).back(), "& ENDTURN");
        EXPECT_EQ(Take(loser).back(), over);
        EXPECT_EQ(Take(ids[2]).back(), over);
        const Lines info = Ask(winner, "info");
        EXPECT_EQ(info.front(), "& YOU_WIN");
        EXPECT_EQ(info.back(), "& PLAYERS 1");
        EXPECT_EQ(Ask(loser, "info").size(), 2u);
        EXPECT_NE(LogLines().back().find(R"("reason":"turn_limit","winner":")" + c.winner + "\""),
                  std::string::npos);
    }
}

TEST_F(GameEnd, SoloGameIsWonAtTheTurnLimit) {
    options.max_turns = 1;
    const auto ids = Play({"ann"});
    EXPECT_EQ(Ask(ids[0], "turn"), (Lines{"ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(Ask(ids[0], "info"), (Lines{"& YOU_WIN", "& INFO ann 4 2 7000 2 0", "& PLAYERS 1"}));
}

TEST_F(GameEnd, EveryoneOutAtOnceMeansNoWinner) {
    const auto ids = Play({"ann", "bob"});
    Say(ids[0], "abuild");
    Say(ids[1], "abuild");
    EndTurn(ids);
    EXPECT_EQ(Ask(ids[0], "info"), Lines{"& PLAYERS 0"});
    EXPECT_NE(LogLines().back().find(R"("reason":"all_out","winner":null)"), std::string::npos);
}

TEST_F(GameEnd, PlayersAreBackInTheLobbyWithTheFinalState) {
    const auto ids = Play({"ann", "bob"});
    Say(ids[1], "abuild");
    const std::string market = AskOne(ids[0], "market");
    EndTurn(ids);
    EXPECT_EQ(AskOne(ids[0], "market"), market);
    EXPECT_EQ(AskOne(ids[0], "buy 1 900"), "! error: game #1 is over");
    EXPECT_EQ(Ask(ids[0], ".who"), Lines{"0 games are played"});
    Say(ids[1], "gg");
    EXPECT_EQ(Take(ids[0]), Lines{"bob: gg"});
    EXPECT_EQ(AskOne(ids[0], ".create"), "ann has created the game #2");
    EXPECT_EQ(AskOne(ids[0], "info"), "! error: game #2 has not started yet");
}

TEST_F(GameEnd, LastConnectedPlayerWinsWhenTheOthersLeave) {
    const auto ids = Play({"ann", "bob", "cid"});
    Drop(ids[1]);
    EXPECT_EQ(AskOne(ids[2], ".leave"),
              "ok: you left game #1; you are out at the end of this turn");
    EXPECT_EQ(Ask(ids[0], "turn"), (Lines{"ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(Ask(ids[0], "info").front(), "& YOU_WIN");
    EXPECT_EQ(Take(ids[2]), Lines{});
}

TEST_F(GameEnd, GameWhosePlayersAllDisconnectEndsAtOnce) {
    const auto ids = Play({"ann", "bob"});
    Drop(ids[0]);
    Drop(ids[1]);
    EXPECT_NE(LogLines().back().find(R"("reason":"all_out")"), std::string::npos);
    EXPECT_EQ(Ask(Named("cid"), ".who"), Lines{"0 games are played"});
}

// The conversation a robot holds: name, "Hi!", ".who", then join the first waiting game or
// create one; each turn "market", "info", orders, "turn"; after the notice, "info" again.
TEST_F(GameEnd, RobotConversationReachesAWinner) {
    options.max_turns = 2;
    const ClientId maker = Connect();
    for (const std::string line : {"maker", "Hi!", ".who", ".create"}) Say(maker, line);
    EXPECT_EQ(Take(maker),
              (Lines{"ok: welcome, maker", "0 games are played", "maker has created the game #1"}));
    const ClientId joiner = Connect();
    for (const std::string line : {"joiner", "Hi!", ".who", ".join 1"}) Say(joiner, line);
    EXPECT_EQ(Take(joiner), (Lines{"ok: welcome, joiner", "game 1 (maker, 1 player) is waiting  #1",
                                   "0 games are played", "ok: you joined game #1"}));
    EXPECT_EQ(AskOne(maker, "start"), "& START");
    for (int turn = 1; turn <= 2; ++turn) {
        for (ClientId robot : {maker, joiner}) {
            EXPECT_EQ(Ask(robot, "market").size(), 1u);
            EXPECT_EQ(Ask(robot, "info").back(), "& PLAYERS 2");
            Say(robot, robot == joiner ? "sell 1 4000" : "prod 0");
            Say(robot, "turn");
        }
    }
    EXPECT_EQ(Take(joiner).back(), "& ENDTURN");
    EXPECT_EQ(Take(maker).back(), "# You are a bankrupt, the game is over (winner: joiner)");
    EXPECT_EQ(Ask(joiner, "info").front(), "& YOU_WIN");
    EXPECT_EQ(Ask(maker, "info"), (Lines{"& INFO joiner 4 0 13200 2 0", "& PLAYERS 1"}));
}

}  // namespace
}  // namespace gs_test
