// The gameserver's metrics page as its users meet it: promtool accepts it, a real Prometheus
// scrapes it while a game is played, and bad HTTP requests get an error while the game goes on.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "background_program.h"
#include "protocol/robot_protocol.h"
#include "run_program.h"
#include "scratch_dir.h"
#include "server/http_metrics.h"

namespace {

using namespace std::chrono_literals;
using protocol::kMarkerBankrupt;
using protocol::kMarkerEndTurn;
using protocol::kMarkerStart;

constexpr char kHost[] = "127.0.67.1";            // the server's game port and metrics page
constexpr char kPrometheusHost[] = "127.0.67.2";  // the Prometheus started by a test
constexpr int kIoTimeoutMs = 5000;                // one read or connect; more fails the test
constexpr auto kScrapeWait = 20s;                 // for Prometheus to start, scrape and answer

// The full path of an installed program, or "" when it is not on PATH.
std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

int ConnectTo(const std::string& host, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads what the peer sends until it closes (or the time runs out).
std::string ReadToEnd(int fd) {
    std::string all;
    char chunk[4096];
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, kIoTimeoutMs) > 0) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        all.append(chunk, static_cast<std::size_t>(n));
    }
    return all;
}

// Sends raw bytes as one HTTP request and returns the whole response ("" when nobody listens).
std::string HttpExchange(const std::string& host, int port, const std::string& request) {
    const int fd = ConnectTo(host, port);
    if (fd < 0) return "";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string response = ReadToEnd(fd);
    ::close(fd);
    return response;
}

std::string Get(const std::string& host, int port, const std::string& target) {
    // Without "Connection: close" a Prometheus keeps the connection open for the next request.
    return HttpExchange(
        host, port,
        "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
}

std::string BodyOf(const std::string& response) {
    const std::size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? "" : response.substr(end + 4);
}

int PortAfterLastColon(const std::string& line) {
    return std::atoi(line.c_str() + line.rfind(':') + 1);
}

// A free port on the address, for a program that must be told its port.
int FreePort(const std::string& host) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
    socklen_t length = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// A gameserver with its metrics page, and one player in a one-player game of many turns.
class MetricsPage : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<BackgroundProgram>(
            GAMESERVER_BINARY,
            std::vector<std::string>{"--host", kHost, "--port", "0", "--metrics",
                                     std::string(kHost) + ":0", "--max-turns", "1000000",
                                     "--state-dir", scratch_.path()},
            scratch_.path() + "/server.out");
        const std::string listening = server_->AwaitErrLine("listening on ", 10s);
        const std::string metrics = server_->AwaitErrLine("metrics at http://", 10s);
        ASSERT_FALSE(metrics.empty()) << server_->Err();
        game_port_ = std::atoi(listening.c_str() + listening.find(':') + 1);
        metrics_port_ = PortAfterLastColon(metrics.substr(0, metrics.rfind('/')));
        player_ = ConnectTo(kHost, game_port_);
        ASSERT_GE(player_, 0);
        ASSERT_TRUE(Say("alice\n.create\nstart\n", kMarkerStart));
    }
    void TearDown() override {
        if (player_ >= 0) ::close(player_);
    }

    // Sends text to the game and reads up to a line equal to `until`, or one that begins with
    // `or_prefix` (when given), which is then stored in `*stopped_at`.
    bool Say(const std::string& text, const std::string& until, const std::string& or_prefix = "",
             std::string* stopped_at = nullptr) {
        ::send(player_, text.data(), text.size(), MSG_NOSIGNAL);
        char byte;
        std::string line;
        pollfd ready{player_, POLLIN, 0};
        while (::poll(&ready, 1, kIoTimeoutMs) > 0 && ::recv(player_, &byte, 1, 0) == 1) {
            if (byte != '\n') {
                line += byte;
            } else if (line == until) {
                return true;
            } else if (!or_prefix.empty() && line.rfind(or_prefix, 0) == 0) {
                if (stopped_at) *stopped_at = line;
                return true;
            } else {
                line.clear();
            }
        }
        return false;
    }
    // Plays one turn. A lone player's upkeep makes it bankrupt within a few turns, which ends
    // its game; then it starts a fresh one, so that every call resolves exactly one turn.
    bool PlayTurn() {
        std::string ended;
        if (!Say("turn\n", kMarkerEndTurn, kMarkerBankrupt, &ended)) return false;
        return ended.empty() || Say(".create\nstart\n", kMarkerStart);
    }
    std::string Metrics() { return Get(kHost, metrics_port_, "/metrics"); }

    ScratchDir scratch_{"metrics_page"};
    std::unique_ptr<BackgroundProgram> server_;
    int game_port_ = 0;
    int metrics_port_ = 0;
    int player_ = -1;
};

TEST_F(MetricsPage, PromtoolAcceptsThePageWhileAGameRuns) {
    const std::string promtool = FindProgram("promtool");
    if (promtool.empty()) GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    ASSERT_TRUE(PlayTurn());
    ASSERT_TRUE(PlayTurn());
    const std::string response = Metrics();
    ASSERT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
    EXPECT_NE(response.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
    const std::string body = BodyOf(response);
    for (const char* sample :
         {"gameserver_turns_total 2\n", "gameserver_running_games 1\n",
          "gameserver_connected_clients 1\n", "gameserver_turn_resolution_seconds_count 2\n"}) {
        EXPECT_NE(body.find(sample), std::string::npos) << sample;
    }
    const ProgramResult check = RunProgram(promtool, {"check", "metrics"}, body);
    EXPECT_TRUE(check.exited && check.status == 0) << check.out << check.err;
}

struct BadRequest {
    std::string bytes;
    std::string status_line;
};

// True when the peer closes the connection within the time, whatever it sent before.
bool ClosedByPeer(int fd, int timeout_ms) {
    char chunk[4096];
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, timeout_ms) > 0) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return true;
    }
    return false;
}

TEST_F(MetricsPage, BadRequestsGetAnErrorAndTheGameGoesOn) {
    // A scraper that connects and says nothing must not hold anything up.
    const int silent = ConnectTo(kHost, metrics_port_);
    ASSERT_GE(silent, 0);
    const std::string binary("\x16\x03\x01\x00\xff\x01\x00\x00\xfb\x03\x03\x00\x80\xfe", 14);
    const BadRequest cases[] = {
        {"BOGUS\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /metrics HTTP/9.9\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /admin HTTP/1.1\r\n\r\n", "HTTP/1.1 404 "},
        {"DELETE /metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 405 "},
        {"GET /metrics HTTP/1.1\r\nX: " + std::string(10000, 'x'), "HTTP/1.1 431 "},
        {binary + std::string(64, '\0') + "\r\n\r\n", "HTTP/1.1 400 "},
        {binary + std::string(gs::kMaxHttpRequestBytes, '\xff'), "HTTP/1.1 431 "},
        {"alice\n.create\n\n", "HTTP/1.1 400 "},  // the game's protocol on the metrics port
    };
    for (const BadRequest& c : cases) {
        const std::string response = HttpExchange(kHost, metrics_port_, c.bytes);
        EXPECT_EQ(response.rfind(c.status_line, 0), 0u)
            << c.bytes.substr(0, 40) << ": " << response;
        EXPECT_TRUE(PlayTurn()) << c.bytes.substr(0, 40) << server_->Err();
    }
    const std::string body = BodyOf(Metrics());
    EXPECT_NE(body.find("gameserver_turns_total 8\n"), std::string::npos) << body;
    EXPECT_NE(body.find("gameserver_waiting_games 0\n"), std::string::npos) << body;
    EXPECT_NE(body.find("gameserver_connected_clients 1\n"), std::string::npos) << body;
    // The game port speaks only the game's protocol: an HTTP request there gets no figures.
    const int game = ConnectTo(kHost, game_port_);
    const std::string request = "GET /metrics HTTP/1.1\r\n\r\n";
    ::send(game, request.data(), request.size(), MSG_NOSIGNAL);
    ::shutdown(game, SHUT_WR);
    EXPECT_EQ(ReadToEnd(game).find("gameserver_"), std::string::npos);
    ::close(game);
    // The silent scraper is cut off at its deadline rather than held for ever.
    EXPECT_TRUE(ClosedByPeer(silent, static_cast<int>(gs::kHttpDeadlineMs) + kIoTimeoutMs));
    ::close(silent);
}

TEST_F(MetricsPage, ScrapersPastTheCapAreTurnedAwayAndTheGameGoesOn) {
    std::vector<int> held;
    for (int i = 0; i < gs::kMaxHttpConnections; ++i)
        held.push_back(ConnectTo(kHost, metrics_port_));
    ASSERT_TRUE(PlayTurn());
    // Connections are accepted in the order they came, so the held ones take every place.
    EXPECT_EQ(Metrics(), "") << "a scraper past the cap was answered";
    EXPECT_TRUE(PlayTurn());
    for (int fd : held) ::close(fd);
    // The page notices the closes in its next pass; a scraper may come a moment too early.
    std::string page;
    for (int attempt = 0; attempt < 50 && page.empty(); ++attempt) {
        page = Metrics();
        if (page.empty()) std::this_thread::sleep_for(20ms);
    }
    EXPECT_NE(page.find("gameserver_turns_total 2\n"), std::string::npos) << page;
}

// The first sample's value in a Prometheus query answer, or -1.
double FirstValue(const std::string& answer) {
    const std::size_t at = answer.find("\"value\":[");
    if (at == std::string::npos) return -1;
    const std::size_t quote = answer.find(",\"", at);
    return quote == std::string::npos ? -1 : std::atof(answer.c_str() + quote + 2);
}

// Asks Prometheus for the turns counter until it answers `expected` or the time runs out.
// Returns the last value seen (-1: no answer yet) and leaves the last answer in `answer`.
double AwaitTurnsInPrometheus(int port, double expected, std::string& answer) {
    const auto deadline = std::chrono::steady_clock::now() + kScrapeWait;
    for (;;) {
        answer = BodyOf(Get(kPrometheusHost, port, "/api/v1/query?query=gameserver_turns_total"));
        const double turns = FirstValue(answer);
        if (turns == expected || std::chrono::steady_clock::now() >= deadline) return turns;
        std::this_thread::sleep_for(200ms);  // the next scrape is at most 1 s away
    }
}

TEST_F(MetricsPage, PrometheusScrapesTheTurnsCounter) {
    const std::string prometheus = FindProgram("prometheus");
    if (prometheus.empty())
        GTEST_SKIP() << "prometheus is not installed (Debian package prometheus)";
    for (int turn = 0; turn < 3; ++turn) ASSERT_TRUE(PlayTurn());
    ASSERT_TRUE(scratch_.Put("prometheus.yml",
                             "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                             "scrape_configs:\n  - job_name: gameserver\n    static_configs:\n"
                             "      - targets: ['" +
                                 std::string(kHost) + ":" + std::to_string(metrics_port_) +
                                 "']\n"));
    const int port = FreePort(kPrometheusHost);
    BackgroundProgram scraper(
        prometheus,
        {"--config.file=" + scratch_.path() + "/prometheus.yml",
         "--storage.tsdb.path=" + scratch_.path() + "/data",
         "--web.listen-address=" + std::string(kPrometheusHost) + ":" + std::to_string(port)},
        scratch_.path() + "/prometheus.out");
    std::string answer;
    EXPECT_EQ(AwaitTurnsInPrometheus(port, 3, answer), 3)
        << "last answer: " << answer << "\nprometheus said:\n"
        << (scraper.WaitExit(1ms), scraper.Err());
    // Games go on while Prometheus scrapes, and its next scrapes see the new turns.
    for (int turn = 0; turn < 2; ++turn) ASSERT_TRUE(PlayTurn());
    EXPECT_EQ(AwaitTurnsInPrometheus(port, 5, answer), 5)
        << "last answer: " << answer << "\nprometheus said:\n"
        << (scraper.WaitExit(1ms), scraper.Err());
}

}  // namespace
