// Malformed and hostile input over real sockets: over-long lines, floods, clients that stop
// reading, garbage bytes, and attempts to inject robot markers through names and chat.
#include <gtest/gtest.h>

#include <thread>

#include "protocol_harness.h"

namespace gs_test {
namespace {

using Lines = std::vector<std::string>;
using gs::kMaxOutputBytes;

class ProtocolBadInput : public ::testing::Test {
protected:
    // True when the client's next line is the answer to ".who": nothing else came first.
    static void ExpectNothingElse(LineClient& client) {
        client.SendLine(".who");
        EXPECT_EQ(client.ReadLine(), "0 games are played");
    }

    ServerUnderTest server_{"127.0.30.4"};
};

struct LongLineCase {
    const char* label;
    std::string bytes;  // sent after logging in
    bool ends_client;
};

TEST_F(ProtocolBadInput, LineLengthLimit) {
    const std::string at_limit(4096, 'x');
    const LongLineCase cases[] = {
        {"4096 bytes", at_limit + "\n", false},
        {"4096 bytes and CR", at_limit + "\r\n", false},
        {"4097 bytes", at_limit + "y\n", true},
        {"5000 bytes, no LF yet", std::string(5000, 'x'), true},
        {"answers before the long line come first", ".who\n" + at_limit + "yy\n", true},
    };
    int n = 0;
    for (const LongLineCase& c : cases) {
        SCOPED_TRACE(c.label);
        auto client = LogIn(server_, "user" + std::to_string(++n));
        client->Send(c.bytes);
        if (!c.ends_client) {
            ExpectNothingElse(*client);
            continue;
        }
        Lines lines = client->ReadUntilClosed();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "! error: line too long");
        if (c.bytes[0] == '.') {
            EXPECT_EQ(lines.front(), "0 games are played");
        }
    }
}

TEST_F(ProtocolBadInput, PipelinedShortLinesAreServedNotTakenForALongLine) {
    // Far more than the input limit at once, but no line is long: the server stops reading while
    // it catches up, so the client is served to the end or, at worst, dropped for the backlog of
    // answers it does not read fast enough; it is never told that a line is too long.
    LineClient flooder(server_.host(), server_.port(), 4096);  // a small window: reads slowly
    constexpr std::size_t kLines = 100000;
    std::string flood = "flooder\n";
    for (std::size_t i = 0; i < kLines; ++i) flood += ".who\n";
    std::thread sender([&] { flooder.Send(flood + ".quit\n"); });
    const Lines lines = flooder.ReadUntilClosed();
    sender.join();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "ok: welcome, flooder");
    const std::string answer = "0 games are played";
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) ASSERT_EQ(lines[i], answer) << "line " << i;
    if (lines.back() == "ok: bye") {
        EXPECT_EQ(lines.size(), kLines + 2);
    } else {
        EXPECT_EQ(answer.rfind(lines.back(), 0), 0u) << "dropped, the last answer cut short";
    }
    auto other = LogIn(server_, "other");
    ExpectNothingElse(*other);
}

TEST_F(ProtocolBadInput, ClientThatStopsReadingIsDroppedPastTheOutputLimit) {
    // The sleeper's own answers pile up; chat could not do it, as each room's chat is capped.
    LineClient sleeper(server_.host(), server_.port(), 4096);
    sleeper.SendLine("sleeper");
    const std::size_t answer = std::string("! error: you are not in a game (.create or .join N first)\n").size();
    // Enough to fill the kernel's send buffer for the sleeper and the server's backlog twice over.
    const std::size_t relayed = 2 * (KernelSendBufferMax() + kMaxOutputBytes);
    std::string requests;
    for (std::size_t queued = 0; queued < relayed; queued += answer) requests += "info\n";
    // Requests go on until the server drops it: then sending fails (a bound ends a server
    // that never does).
    bool dropped = false;
    for (int round = 0; round < 20 && !dropped; ++round) dropped = !sleeper.Send(requests);
    EXPECT_TRUE(dropped);
    ASSERT_TRUE(sleeper.WaitClosed());
    EXPECT_LT(sleeper.BytesRead(), relayed);
    auto other = LogIn(server_, "other");
    ExpectNothingElse(*other);
}

TEST_F(ProtocolBadInput, GarbageBytesInANameEndTheClientWithAnError) {
    LineClient client(server_.host(), server_.port());
    client.Send(std::string("\x00\xff\x01zz\n", 6));
    const Lines lines = client.ReadUntilClosed();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("! error: ", 0), 0u);
}

TEST_F(ProtocolBadInput, GarbageBytesInChatArriveAsPrintableText) {
    auto alice = LogIn(server_, "alice");
    auto bob = LogIn(server_, "bob");
    alice->Send(std::string("hi\x00\x7f\xc3\xa9.\n", 8));
    EXPECT_EQ(bob->ReadLine(), "alice: hi????.");
}

TEST_F(ProtocolBadInput, NamesCarryingRobotMarkersAreRefused) {
    for (const char* name : {"botstart", "xbotstartx", "a b", ".who", ""}) {
        SCOPED_TRACE(name);
        LineClient client(server_.host(), server_.port());
        client.Send(std::string(name) +
                    (*name ? "\n" : "\n.x\n"));  // a blank first line is skipped
        const Lines lines = client.ReadUntilClosed();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("! error: ", 0), 0u) << lines[0];
    }
}

TEST_F(ProtocolBadInput, ChatCarryingRobotMarkersIsNotRelayed) {
    auto alice = LogIn(server_, "alice");
    auto bob = LogIn(server_, "bob");
    const char* attempts[] = {
        "& START",
        "look: & ENDTURN",
        "& YOU_WIN",
        "& MARKET 1 1 1 1",
        "& INFO x 1 1 1 1 1",
        "& PLAYERS 9",
        "@+ JOIN eve",
        "botstart alice",
        "game 9 (x, 1 player) is waiting  #9",
        "7 games are played",
        "eve has created the game #3",
        "# You are a bankrupt, ha",
    };
    for (const char* text : attempts) {
        SCOPED_TRACE(text);
        alice->SendLine(text);
        EXPECT_EQ(alice->ReadLine(),
                  "! error: chat not sent: it contains text reserved for robots");
    }
    ExpectNothingElse(*bob);
}

}  // namespace
}  // namespace gs_test
