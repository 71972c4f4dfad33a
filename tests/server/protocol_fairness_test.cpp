// The lobby's timeouts and the per-address limit through real sockets and the event loop.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "protocol_harness.h"

namespace gs_test {
namespace {

using Lines = std::vector<std::string>;

gs::CoreOptions ShortTimeouts() {
    gs::CoreOptions options;
    options.start_timeout_s = 1;
    options.name_timeout_s = 1;
    return options;
}

TEST(ProtocolFairness, SilentConnectionIsToldWhyItIsClosed) {
    ServerUnderTest server("127.0.62.1", ShortTimeouts());
    LineClient silent(server.host(), server.port());
    EXPECT_EQ(silent.ReadUntilClosed(), Lines{"! error: no name sent within 1 s"});
}

TEST(ProtocolFairness, WaitingGameIsStartedForASilentCreator) {
    ServerUnderTest server("127.0.62.2", ShortTimeouts());
    auto ann = LogIn(server, "ann");
    auto bob = LogIn(server, "bob");
    ann->SendLine(".create");
    EXPECT_EQ(ann->ReadLine(), "ann has created the game #1");
    bob->SendLine(".join 1");
    EXPECT_EQ(bob->ReadLine(), "ok: you joined game #1");
    EXPECT_EQ(ann->ReadLines(3), (Lines{"@+ JOIN bob", "botstart bob", "& START"}));
    EXPECT_EQ(bob->ReadLine(), "& START");
}

TEST(ProtocolFairness, ConnectionsPerAddressAreCapped) {
    ServerUnderTest server("127.0.62.3", {}, 1024, false, 2);
    auto ann = LogIn(server, "ann");
    auto bob = LogIn(server, "bob");
    LineClient refused(server.host(), server.port());
    EXPECT_EQ(refused.ReadUntilClosed(),
              Lines{"! error: too many connections from your address (at most 2)"});
    bob->SendLine(".quit");
    ASSERT_TRUE(bob->WaitClosed());
    LogIn(server, "cid");
}

TEST(ProtocolFairness, ZeroMeansNoLimitPerAddress) {
    const int past_default = gs::NetConfig{}.max_per_address + 1;
    ServerUnderTest server("127.0.62.4", {}, 1024, false, 0);
    std::vector<std::unique_ptr<LineClient>> clients;
    for (int i = 0; i < past_default; ++i)
        clients.push_back(std::make_unique<LineClient>(server.host(), server.port()));
    clients.back()->SendLine("last");
    EXPECT_EQ(clients.back()->ReadLine(), "ok: welcome, last");
}

}  // namespace
}  // namespace gs_test
