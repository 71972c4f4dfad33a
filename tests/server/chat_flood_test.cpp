// Chat floods over real sockets: what a lobby flood makes the server write, and that a flood in
// a game neither drops the other player nor holds up anyone's orders and turn markers.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "protocol/robot_protocol.h"
#include "protocol_harness.h"

namespace gs_test {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kLongChat(4000, 'f');  // near the longest line, the costliest to relay

std::string ChatLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += kLongChat + "\n";
    return lines;
}

bool AnyStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

TEST(ChatFlood, LobbyFloodWithManyListenersWritesLittle) {
    constexpr int kListeners = 200;
    constexpr auto kFlood = std::chrono::seconds(12);
    constexpr std::size_t kMostBytes = 10 * 1000 * 1000;
    ServerUnderTest server("127.0.63.1", {}, 1024, false, 0);  // 200 listeners on one address
    std::vector<std::unique_ptr<LineClient>> listeners;
    for (int i = 0; i < kListeners; ++i)
        listeners.push_back(LogIn(server, "l" + std::to_string(i)));
    auto flooder = LogIn(server, "flooder");

    const Clock::time_point end = Clock::now() + kFlood;
    std::thread flood([&] {
        const std::string burst = ChatLines(64);
        while (Clock::now() < end && flooder->Send(burst)) {
        }
    });
    std::vector<std::size_t> received(kListeners, 0);
    std::vector<pollfd> fds;
    for (const auto& listener : listeners) fds.push_back({listener->fd(), POLLIN, 0});
    while (Clock::now() < end) {
        if (::poll(fds.data(), fds.size(), 100) <= 0) continue;
        char chunk[65536];
        for (int i = 0; i < kListeners; ++i) {
            if (fds[i].revents == 0) continue;
            const ssize_t n = ::recv(fds[i].fd, chunk, sizeof chunk, MSG_DONTWAIT);
            ASSERT_GT(n, 0) << "listener " << i << " was dropped";
            received[i] += static_cast<std::size_t>(n);
        }
    }
    flood.join();
    std::size_t total = 0;
    for (int i = 0; i < kListeners; ++i) {
        EXPECT_GT(received[i], 0u) << "listener " << i << " heard nothing";
        total += received[i];
    }
    EXPECT_LT(total, kMostBytes);
}

TEST(ChatFlood, GameFloodDropsNobodyAndHoldsUpNoOrder) {
    gs::CoreOptions options;
    options.max_turns = 3;
    options.turn_timeout_s = 0;
    ServerUnderTest server("127.0.63.2", options);
    auto ann = LogIn(server, "ann");
    auto bob = std::make_unique<LineClient>(server.host(), server.port(), 4096);  // reads slowly
    bob->SendLine("bob");
    ASSERT_EQ(bob->ReadLine(), "ok: welcome, bob");
    ann->SendLine(".create");
    ann->ReadLine();
    bob->SendLine(".join 1");
    ASSERT_EQ(bob->ReadLine(), "ok: you joined game #1");
    ann->SendLine("start");
    ASSERT_EQ(ann->ReadUntil("& START").back(), "& START");
    ASSERT_EQ(bob->ReadUntil("& START").back(), "& START");

    // Ann floods, her orders in the middle; bob starts reading only once her first order is
    // answered, when her flood before it could have filled the kernel's buffers and his backlog.
    const std::string flood = ChatLines(
        static_cast<int>((KernelSendBufferMax() + gs::kMaxOutputBytes) / kLongChat.size()) + 1);
    std::promise<void> first_answer;
    std::thread flooder([&] {
        for (int turn = 1; turn <= 3; ++turn) {
            const std::string orders = turn == 1 ? "market\nprod 1\n" : "market\n";
            ann->Send(flood + orders + ChatLines(100) + "turn\n");
            const auto lines = ann->ReadUntil("& MARKET");
            EXPECT_TRUE(AnyStartsWith(lines, "& MARKET ")) << "turn " << turn;
            if (turn == 1) first_answer.set_value();
            const std::string end = turn < 3 ? "& ENDTURN" : protocol::kMarkerBankrupt;
            EXPECT_TRUE(AnyStartsWith(ann->ReadUntil(end), end)) << "turn " << turn;
        }
    });
    first_answer.get_future().wait();
    for (int turn = 1; turn <= 3; ++turn) {
        bob->SendLine("market");
        EXPECT_TRUE(AnyStartsWith(bob->ReadUntil("& MARKET"), "& MARKET ")) << "turn " << turn;
        bob->SendLine("turn");
        EXPECT_EQ(bob->ReadUntil("& ENDTURN").back(), "& ENDTURN") << "turn " << turn;
    }
    flooder.join();
    bob->SendLine("info");
    EXPECT_EQ(bob->ReadUntil("& YOU_WIN").back(), "& YOU_WIN");  // ann's product cost her the game
}

}  // namespace
}  // namespace gs_test
