// The line client of tests/support/line_client.h.
#include "line_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

LineClient::LineClient(const std::string& server, int port, const std::string& source,
                       std::chrono::milliseconds wait)
    : wait_(wait) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &addr.sin_addr);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, server.c_str(), &addr.sin_addr);
    EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0)
        << std::strerror(errno);
}

LineClient::~LineClient() { ::close(fd_); }

bool LineClient::Say(const std::string& line) {
    const std::string text = line + "\n";
    return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

std::string LineClient::Next() {
    std::size_t lf;
    while ((lf = buffer_.find('\n')) == std::string::npos) {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(wait_.count())) <= 0) return "<timeout>";
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) return "<closed>";
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    const std::string line = buffer_.substr(0, lf);
    buffer_.erase(0, lf + 1);
    return line;
}

std::string LineClient::Await(const std::string& prefix) {
    for (;;) {
        const std::string line = Next();
        if (line.rfind(prefix, 0) == 0 || line[0] == '<') return line;
    }
}
