// In-process server and raw line clients for the protocol tests.
#include "protocol_harness.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

namespace gs_test {
namespace {

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

gs::NetConfig ConfigFor(const std::string& host, int max_clients, bool time_turns,
                        int max_per_address) {
    gs::NetConfig config;
    config.host = host;
    config.port = 0;  // any free port: tests never collide
    config.max_clients = max_clients;
    config.time_turns = time_turns;
    config.max_per_address = max_per_address;
    return config;
}

}  // namespace

std::size_t KernelSendBufferMax() {
    std::ifstream limits("/proc/sys/net/ipv4/tcp_wmem");
    std::size_t low = 0, initial = 0, most = 4 << 20;
    limits >> low >> initial >> most;
    return most;
}

ServerUnderTest::ServerUnderTest(const std::string& host, gs::CoreOptions core, int max_clients,
                                 bool time_turns, int max_per_address,
                                 std::ostream* events)
    : host_(host), net_(ConfigFor(host, max_clients, time_turns, max_per_address), events) {
    std::string error;
    if (!net_.Listen(error)) {
        ADD_FAILURE() << error;
        return;
    }
    core_ = std::make_unique<gs::ServerCore>(core, net_, nullptr, events);
    loop_ = std::thread([this] { net_.Run(*core_); });
}

ServerUnderTest::~ServerUnderTest() { StopAndTurnTimes(); }

const gs::LatencyHistogram& ServerUnderTest::StopAndTurnTimes() {
    net_.RequestStop();
    if (loop_.joinable()) loop_.join();
    return net_.TurnTimes();
}

LineClient::LineClient(const std::string& host, int port, int receive_buffer_bytes) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receive_buffer_bytes > 0) {
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer_bytes,
                     sizeof receive_buffer_bytes);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ADD_FAILURE() << "cannot connect to " << host << ":" << port << ": "
                      << std::strerror(errno);
    }
}

LineClient::~LineClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineClient::Send(const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

LineClient::Fill LineClient::FillBuffer() {
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, kTimeoutMs) <= 0) return Fill::kTimeout;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return Fill::kClosed;
    buffer_.append(chunk, static_cast<std::size_t>(n));
    bytes_read_ += static_cast<std::size_t>(n);
    return Fill::kData;
}

std::string LineClient::ReadLine() {
    for (;;) {
        if (const std::size_t lf = buffer_.find('\n'); lf != std::string::npos) {
            std::string line = buffer_.substr(0, lf);
            buffer_.erase(0, lf + 1);
            return line;
        }
        const Fill fill = FillBuffer();
        if (fill == Fill::kTimeout) {
            ADD_FAILURE() << "no line within " << kTimeoutMs << " ms";
            return "<none>";
        }
        if (fill == Fill::kClosed) {
            ADD_FAILURE() << "connection closed while a line was expected";
            return "<none>";
        }
    }
}

std::vector<std::string> LineClient::ReadLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(ReadLine());
    return lines;
}

std::vector<std::string> LineClient::ReadUntil(const std::string& prefix) {
    std::vector<std::string> lines;
    do {
        lines.push_back(ReadLine());
    } while (lines.back().rfind(prefix, 0) != 0 && lines.back() != "<none>");
    return lines;
}

std::vector<std::string> LineClient::ReadUntilClosed() {
    const std::int64_t deadline = NowMs() + kTimeoutMs;
    Fill fill = Fill::kData;
    while (fill == Fill::kData && NowMs() < deadline) fill = FillBuffer();
    if (fill != Fill::kClosed) ADD_FAILURE() << "the server did not close the connection";
    std::vector<std::string> lines;
    for (std::size_t lf; (lf = buffer_.find('\n')) != std::string::npos;) {
        lines.push_back(buffer_.substr(0, lf));
        buffer_.erase(0, lf + 1);
    }
    if (!buffer_.empty()) lines.push_back(buffer_);  // an unterminated tail shows up in failures
    buffer_.clear();
    return lines;
}

bool LineClient::WaitClosed() {
    const std::int64_t deadline = NowMs() + kTimeoutMs;
    for (;;) {
        buffer_.clear();
        const Fill fill = FillBuffer();
        if (fill == Fill::kClosed) return true;
        if (fill == Fill::kTimeout || NowMs() >= deadline) return false;
    }
}

void LineClient::ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

std::unique_ptr<LineClient> LogIn(const ServerUnderTest& server, const std::string& name) {
    auto client = std::make_unique<LineClient>(server.host(), server.port());
    client->SendLine(name);
    EXPECT_EQ(client->ReadLine(), "ok: welcome, " + name);
    return client;
}

}  // namespace gs_test
