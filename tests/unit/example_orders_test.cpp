// The example robots played for one turn against a loopback peer: every order they send must
// be one the game server accepts, and every turn must end with "turn".
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "example_script.h"
#include "robot/robot.h"
#include "robot/socket.h"

namespace {

namespace fs = std::filesystem;
using namespace examples;

constexpr int kReadTimeoutMs = 10000;  // generous: sanitizer builds are slow

// A loopback listener that a CSocket connects to, collecting the command lines it sends.
class CommandSink {
public:
    CommandSink() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(addr);
        if (bind(listener, reinterpret_cast<sockaddr*>(&addr), size) != 0 || listen(listener, 1) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
            ADD_FAILURE() << "cannot listen on loopback";
        port = ntohs(addr.sin_port);
    }
    ~CommandSink() {
        if (peer >= 0) close(peer);
        close(listener);
    }
    void Connect(CSocket& socket) {
        socket.ConnectTo("127.0.0.1", port);
        peer = accept(listener, nullptr, nullptr);
    }
    // Everything sent until the other end closes, as lines.
    std::vector<std::string> ReadAll() {
        std::string text;
        char chunk[512];
        pollfd wait{peer, POLLIN, 0};
        while (poll(&wait, 1, kReadTimeoutMs) > 0) {
            ssize_t n = read(peer, chunk, sizeof(chunk));
            if (n <= 0) break;
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return Lines(text);
    }

private:
    int listener = -1;
    int peer = -1;
    int port = 0;
};

// One situation a robot may meet at the start of a turn.
struct Situation {
    const char* name;
    int turn, money, raw, prod, fabrics, auto_plants;
    int market_raw, min_raw_price, market_prod, max_prod_price;
    int rival_prod;  // products of one other player in the game; -1: no other player
};

const Situation kSituations[] = {
    {"first turn", 0, 10000, 4, 2, 2, 0, 4, 550, 4, 5600, 2},
    {"rich, scarce raw", 7, 60000, 9, 6, 3, 2, 2, 900, 6, 7000, 3},
    {"glutted market", 12, 15000, 1, 8, 1, 1, 8, 350, 2, 4300, 20},
    {"almost broke", 3, 2500, 3, 0, 2, 0, 4, 550, 4, 5600, -1},
    {"penniless", 4, 0, 2, 1, 2, 0, 4, 450, 4, 5000, 1},
    {"nothing left", 9, 900, 0, 0, 0, 0, 6, 450, 4, 5000, 5},
};

void Apply(const Situation& s, CData& data) {
    data.turn_number = s.turn;
    data.you.money = s.money;
    data.you.raw = s.raw;
    data.you.prod = s.prod;
    data.you.fabrics = s.fabrics;
    data.you.auto_plants = s.auto_plants;
    data.market.raw = s.market_raw;
    data.market.min_raw_price = s.min_raw_price;
    data.market.prod = s.market_prod;
    data.market.max_prod_price = s.max_prod_price;
    if (s.rival_prod < 0) return;
    data.players_count = 1;
    data.players[0].money = 8000;
    data.players[0].prod = s.rival_prod;
}

// The orders of one turn against the server's rules; returns what is wrong, or "".
std::string BreachOfRules(const Situation& s, const std::vector<std::string>& lines) {
    long long money = s.money;  // upgrades pay at once; later orders see the rest
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string order;
        long long n = 0, p = 0;
        in >> order >> n >> p;
        const bool last = i + 1 == lines.size();
        if (order == "turn" && last) return "";
        if (order == "buy" && (n < 1 || p < s.min_raw_price || n * p > money)) return lines[i];
        if (order == "sell" && (n < 1 || n > s.prod || p < 1 || p > s.max_prod_price)) return lines[i];
        if (order == "prod" && (n < 0 || n > s.raw || n > s.fabrics + 2LL * s.auto_plants || 2000 * n > money))
            return lines[i];
        if (order == "upgrade" && (money < 7000 || s.fabrics < 1)) return lines[i];
        if (order == "upgrade") money -= 7000;
        if (order != "buy" && order != "sell" && order != "prod" && order != "upgrade") return lines[i];
    }
    return "the turn does not end with \"turn\"";
}

TEST(Examples, RobotsGiveOnlyValidOrdersAndEndTheTurn) {
    int robots = 0;
    for (const fs::path& path : ExampleFiles(".robot")) {
        // The guide's example of a braceless script, which never ends a turn on purpose.
        if (path.filename() == "one-statement.robot") continue;
        ++robots;
        for (const Situation& situation : kSituations) {
            SCOPED_TRACE(path.filename().string() + ", " + situation.name);
            CommandSink sink;
            CSocket socket;
            sink.Connect(socket);
            ExampleScript script(path);
            CRobot robot(&script.Data(), &socket);
            script.SetRobot(&robot);
            ASSERT_TRUE(script.Passed()) << script.Output();
            Apply(situation, script.Data());
            const std::string output = script.Run();
            socket.CloseHost();
            const std::vector<std::string> orders = sink.ReadAll();
            EXPECT_EQ(output.find("~Error"), std::string::npos) << output;
            EXPECT_EQ(BreachOfRules(situation, orders), "") << output;
        }
    }
    EXPECT_GE(robots, 10);
}

}  // namespace
