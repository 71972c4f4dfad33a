// Whole games between raw clients over real sockets: a game to its turn limit, a player lost
// mid-game, and the server's own timing of turns.
#include <gtest/gtest.h>

#include "protocol_harness.h"

namespace gs_test {
namespace {

using Lines = std::vector<std::string>;

// Two logged-in players, alice (creator) and bob, in a started game.
class ProtocolGame : public ::testing::Test {
protected:
    void StartGame() {
        alice_->SendLine(".create");
        ASSERT_EQ(alice_->ReadLine(), "alice has created the game #1");
        bob_->SendLine(".join 1");
        ASSERT_EQ(bob_->ReadLine(), "ok: you joined game #1");
        ASSERT_EQ(alice_->ReadLine(), "@+ JOIN bob");
        alice_->SendLine("start");
        ASSERT_EQ(alice_->ReadLine(), "& START");
        ASSERT_EQ(bob_->ReadLine(), "& START");
    }

    ServerUnderTest server_{"127.0.30.3", Options()};
    std::unique_ptr<LineClient> alice_ = LogIn(server_, "alice");
    std::unique_ptr<LineClient> bob_ = LogIn(server_, "bob");

private:
    static gs::CoreOptions Options() {
        gs::CoreOptions options;
        options.seed = 7;
        options.max_turns = 2;
        options.turn_timeout_s = 0;
        return options;
    }
};

TEST_F(ProtocolGame, TwoPlayersPlayToTheTurnLimit) {
    StartGame();
    alice_->Send("market\ninfo\n");
    EXPECT_EQ(alice_->ReadLines(4), (Lines{"& MARKET 4 550 4 5600", "& INFO alice 4 2 10000 2 0",
                                           "& INFO bob 4 2 10000 2 0", "& PLAYERS 2"}));
    alice_->Send("sell 2 5000\nturn\nprod 1\n");
    EXPECT_EQ(alice_->ReadLines(3),
              (Lines{"ok: offer of 2 products at 5000", "ok: turn 1 ended for you",
                     "! wait: turn already ended for you"}));
    bob_->Send("sell 2 5600\nturn\n");
    EXPECT_EQ(bob_->ReadLines(3),
              (Lines{"ok: offer of 2 products at 5600", "ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(alice_->ReadLine(), "& ENDTURN");

    // Turn 2 is the last: upkeep leaves alice 15600 and bob 16800, so bob wins.
    alice_->SendLine("turn");
    EXPECT_EQ(alice_->ReadLine(), "ok: turn 2 ended for you");
    bob_->SendLine("turn");
    EXPECT_EQ(bob_->ReadLines(2), (Lines{"ok: turn 2 ended for you", "& ENDTURN"}));
    EXPECT_EQ(alice_->ReadLine(), "# You are a bankrupt, the game is over (winner: bob)");
    bob_->SendLine("info");
    EXPECT_EQ(bob_->ReadLines(3), (Lines{"& YOU_WIN", "& INFO bob 4 0 16800 2 0", "& PLAYERS 1"}));
    alice_->SendLine(".who");
    EXPECT_EQ(alice_->ReadLine(), "0 games are played");
}

TEST_F(ProtocolGame, LostConnectionDoesNotHoldUpTheTurn) {
    StartGame();
    bob_.reset();  // bob's connection drops without a word
    alice_->SendLine("turn");
    EXPECT_EQ(alice_->ReadLines(2), (Lines{"ok: turn 1 ended for you", "& ENDTURN"}));
    alice_->SendLine("info");
    EXPECT_EQ(alice_->ReadLines(3),
              (Lines{"& YOU_WIN", "& INFO alice 4 2 7000 2 0", "& PLAYERS 1"}));
}

TEST(ProtocolTurnTimeout, PlayersWhoSayNothingAreTreatedAsDone) {
    gs::CoreOptions options;
    options.turn_timeout_s = 1;
    ServerUnderTest server("127.0.30.5", options);
    auto alice = LogIn(server, "alice");
    auto bob = LogIn(server, "bob");
    alice->Send(".create\nstart\n");
    EXPECT_EQ(alice->ReadLines(2), (Lines{"alice has created the game #1", "& START"}));
    bob->SendLine(".who");  // the lobby stays served while the turn runs
    EXPECT_EQ(bob->ReadLines(2),
              (Lines{"game 1 is running, turn 1, 1 player", "1 games are played"}));
    EXPECT_EQ(alice->ReadLine(), "& ENDTURN");
    EXPECT_EQ(alice->ReadLine(), "& ENDTURN");  // and the next turn times out too
}

TEST(ProtocolTurnTiming, EveryTurnEndedByAnOrderIsTimedOnce) {
    gs::CoreOptions options;
    options.max_turns = 3;
    options.turn_timeout_s = 0;
    ServerUnderTest server("127.0.30.6", options, 1024, true);
    auto alice = LogIn(server, "alice");
    auto bob = LogIn(server, "bob");
    alice->SendLine(".create");
    alice->ReadLine();
    bob->SendLine(".join 1");
    alice->ReadLine();  // "@+ JOIN bob"
    alice->SendLine("start");
    alice->ReadUntil("& START");
    bob->ReadUntil("& START");  // so that bob's orders reach a running game
    for (int turn = 1; turn <= 2; ++turn) {
        alice->SendLine("turn");
        bob->SendLine("turn");
        EXPECT_EQ(alice->ReadUntil("& ENDTURN").back(), "& ENDTURN") << turn;
        EXPECT_EQ(bob->ReadUntil("& ENDTURN").back(), "& ENDTURN") << turn;
    }
    EXPECT_EQ(server.StopAndTurnTimes().Count(), 2u);  // once per turn, not once per player
}

}  // namespace
}  // namespace gs_test
