// The lobby over real sockets: names, .who, .create/.join/start, line framing, --max-clients.
#include <gtest/gtest.h>

#include "protocol_harness.h"

namespace gs_test {
namespace {

using Lines = std::vector<std::string>;

class ProtocolLobby : public ::testing::Test {
protected:
    ServerUnderTest server_{"127.0.30.1"};
};

TEST_F(ProtocolLobby, CreateJoinAndStartReachEveryMember) {
    auto alice = LogIn(server_, "alice");
    auto bob = LogIn(server_, "bob");
    alice->SendLine(".create");
    EXPECT_EQ(alice->ReadLine(), "alice has created the game #1");
    bob->SendLine(".who");
    EXPECT_EQ(bob->ReadLines(2),
              (Lines{"game 1 (alice, 1 player) is waiting  #1", "0 games are played"}));
    bob->SendLine(".join 1");
    EXPECT_EQ(bob->ReadLine(), "ok: you joined game #1");
    EXPECT_EQ(alice->ReadLine(), "@+ JOIN bob");
    bob->SendLine(".botstart");
    EXPECT_EQ(alice->ReadLine(), "botstart bob");
    alice->SendLine("start");
    EXPECT_EQ(alice->ReadLine(), "& START");
    EXPECT_EQ(bob->ReadUntil("& START").back(), "& START");
    bob->SendLine(".who");
    EXPECT_EQ(bob->ReadLines(2),
              (Lines{"game 1 is running, turn 1, 2 players", "1 games are played"}));
}

TEST_F(ProtocolLobby, FramingDropsCrSkipsBlankLinesAndJoinsSplitWrites) {
    LineClient client(server_.host(), server_.port());
    client.Send("al");
    client.Send("ice\r\n\n\r\n");
    EXPECT_EQ(client.ReadLine(), "ok: welcome, alice");
    client.Send(".w");
    client.Send("ho\r\n");
    EXPECT_EQ(client.ReadLine(), "0 games are played");
}

TEST_F(ProtocolLobby, PipelinedLinesAreAnsweredInOrder) {
    LineClient client(server_.host(), server_.port());
    client.Send("alice\n.create\n.who\n.leave\n.who\n");
    EXPECT_EQ(client.ReadLines(6),
              (Lines{"ok: welcome, alice", "alice has created the game #1",
                     "game 1 (alice, 1 player) is waiting  #1", "0 games are played",
                     "ok: you left game #1", "0 games are played"}));
}

TEST_F(ProtocolLobby, QuitIsAnsweredBeforeTheConnectionCloses) {
    auto alice = LogIn(server_, "alice");
    alice->SendLine(".quit");
    EXPECT_EQ(alice->ReadUntilClosed(), (Lines{"ok: bye"}));
}

TEST_F(ProtocolLobby, HalfClosedClientStillGetsItsAnswers) {
    LineClient client(server_.host(), server_.port());
    client.Send("alice\n.who\n");
    client.ShutdownWrite();
    EXPECT_EQ(client.ReadUntilClosed(), (Lines{"ok: welcome, alice", "0 games are played"}));
}

TEST_F(ProtocolLobby, NameIsFreedWhenItsClientDisconnects) {
    {
        auto first = LogIn(server_, "alice");
        first->SendLine(".quit");
        first->WaitClosed();
    }
    auto second = LogIn(server_, "alice");
}

TEST(ProtocolMaxClients, FurtherConnectionIsRefusedUntilASlotFrees) {
    ServerUnderTest server("127.0.30.2", {}, 2);
    auto alice = LogIn(server, "alice");
    auto bob = LogIn(server, "bob");
    LineClient refused(server.host(), server.port());
    EXPECT_EQ(refused.ReadUntilClosed(), (Lines{"! error: server full"}));

    bob->SendLine(".quit");
    ASSERT_TRUE(bob->WaitClosed());
    auto carol = LogIn(server, "carol");
    alice->SendLine(".who");
    EXPECT_EQ(alice->ReadLine(), "0 games are played");
}

}  // namespace
}  // namespace gs_test
