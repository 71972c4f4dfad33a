// The metrics page's HTTP: one request per connection, answered and closed ("Connection: close"),
// which is all a Prometheus scraper needs and keeps every connection short and bounded.
#include "server/http_metrics.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "server/metrics.h"

namespace gs {
namespace {

constexpr std::size_t kHttpReadChunkBytes = 4096;  // bytes taken from a scraper per read
constexpr char kMetricsPath[] = "/metrics";
constexpr int kMaxDrainReads = 4;  // reads of unread input before a close; a flood is not waited on

// The status codes the page answers with, and their reason phrases.
struct HttpStatus {
    int code;
    const char* reason;
};
constexpr HttpStatus kStatuses[] = {
    {200, "OK"},
    {400, "Bad Request"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {431, "Request Header Fields Too Large"},
};

const char* ReasonOf(int code) {
    for (const HttpStatus& status : kStatuses) {
        if (status.code == code) return status.reason;
    }
    return "Error";
}

HttpAnswer Respond(int code, const std::string& content_type, const std::string& body,
                   bool with_body, const std::string& extra_headers = "") {
    HttpAnswer answer;
    answer.status = code;
    answer.bytes = "HTTP/1.1 " + std::to_string(code) + " " + ReasonOf(code) + "\r\n" +
                   "Content-Type: " + content_type + "\r\n" +
                   "Content-Length: " + std::to_string(body.size()) + "\r\n" +
                   "Connection: close\r\n" + extra_headers + "\r\n";
    if (with_body) answer.bytes += body;
    return answer;
}

HttpAnswer Refuse(int code, const std::string& extra_headers = "") {
    return Respond(code, "text/plain; charset=utf-8", std::string(ReasonOf(code)) + "\n", true,
                   extra_headers);
}

std::vector<std::string> SplitOnSpaces(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t space = line.find(' ', start);
        const std::size_t end = space == std::string::npos ? line.size() : space;
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Where the request head ends (after its blank line), or npos while it is incomplete.
std::size_t HeadEnd(const std::string& head) {
    const std::size_t crlf = head.find("\r\n\r\n");
    const std::size_t lf = head.find("\n\n");
    if (crlf == std::string::npos && lf == std::string::npos) return std::string::npos;
    return crlf < lf ? crlf + 4 : lf + 2;
}

}  // namespace

HttpAnswer AnswerHttpRequest(const std::string& head, bool too_long,
                             const std::function<std::string()>& render) {
    if (too_long) return Refuse(431);
    std::string line = head.substr(0, head.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> words = SplitOnSpaces(line);
    if (words.size() != 3 || words[0].empty() || words[1].empty() ||
        (words[2] != "HTTP/1.1" && words[2] != "HTTP/1.0")) {
        return Refuse(400);
    }
    const std::string& method = words[0];
    if (method != "GET" && method != "HEAD") return Refuse(405, "Allow: GET, HEAD\r\n");
    if (words[1].substr(0, words[1].find('?')) != kMetricsPath) return Refuse(404);
    return Respond(200, kMetricsContentType, render(), method == "GET");
}

MetricsEndpoint::MetricsEndpoint(std::function<std::string()> render)
    : render_(std::move(render)) {}

MetricsEndpoint::~MetricsEndpoint() {
    for (auto& [tag, connection] : connections_) ::close(connection.fd);
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

bool MetricsEndpoint::Listen(const std::string& host, int port, int epoll_fd, std::string& error) {
    const std::string where = "metrics address " + host + ":" + std::to_string(port);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        return error = "not a numeric IPv4 address: " + host, false;
    }
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    if (listen_fd_ < 0 ||
        ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd_, SOMAXCONN) != 0) {
        return error = "cannot listen on " + where + ": " + std::strerror(errno), false;
    }
    socklen_t length = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    bound_port_ = ntohs(addr.sin_port);
    epoll_fd_ = epoll_fd;
    epoll_event event{EPOLLIN, {}};
    event.data.u64 = kMetricsTagBase;
    if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listen_fd_, &event) != 0) {
        return error = "epoll_ctl: " + std::string(std::strerror(errno)), false;
    }
    return true;
}

void MetricsEndpoint::OnEvent(std::uint64_t tag, std::uint32_t events, std::int64_t now_ms) {
    if (tag == kMetricsTagBase) return Accept(now_ms);
    auto it = connections_.find(tag);
    if (it == connections_.end()) return;
    Connection& connection = it->second;
    if (!connection.answering && (events & EPOLLIN)) {
        Read(tag, connection);
    } else if (connection.answering && (events & EPOLLOUT)) {
        Write(tag, connection);
    } else if (events & (EPOLLERR | EPOLLHUP)) {
        Finish(tag);
    }
}

void MetricsEndpoint::Accept(std::int64_t now_ms) {
    for (int i = 0; i < kMaxHttpConnections; ++i) {
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;  // EAGAIN: all taken; anything else: the next event retries
        if (connections_.size() >= static_cast<std::size_t>(kMaxHttpConnections)) {
            ::close(fd);  // a scraper retries at its next interval
            continue;
        }
        const std::uint64_t tag = next_tag_++;
        Connection& connection = connections_[tag];
        connection.fd = fd;
        connection.deadline_ms = now_ms + kHttpDeadlineMs;
        Watch(tag, connection, EPOLLIN, EPOLL_CTL_ADD);
    }
}

void MetricsEndpoint::Read(std::uint64_t tag, Connection& connection) {
    char buffer[kHttpReadChunkBytes];
    const ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) return Finish(tag);  // gone before its request was whole
    const std::size_t room = kMaxHttpRequestBytes + 1 - connection.head.size();
    connection.head.append(buffer, std::min(static_cast<std::size_t>(n), room));
    const std::size_t end = HeadEnd(connection.head);
    const bool too_long = end == std::string::npos && connection.head.size() > kMaxHttpRequestBytes;
    if (end == std::string::npos && !too_long) return;
    connection.answer = AnswerHttpRequest(connection.head, too_long, render_).bytes;
    connection.head.clear();
    connection.answering = true;
    Watch(tag, connection, EPOLLOUT, EPOLL_CTL_MOD);
    Write(tag, connection);
}

void MetricsEndpoint::Write(std::uint64_t tag, Connection& connection) {
    while (connection.written < connection.answer.size()) {
        const ssize_t n = ::send(connection.fd, connection.answer.data() + connection.written,
                                 connection.answer.size() - connection.written, MSG_NOSIGNAL);
        if (n > 0) {
            connection.written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // EPOLLOUT brings us back
        } else {
            return Finish(tag);
        }
    }
    ::shutdown(connection.fd, SHUT_WR);
    Finish(tag);
}

void MetricsEndpoint::Watch(std::uint64_t tag, const Connection& connection, std::uint32_t events,
                            int op) {
    epoll_event event{events, {}};
    event.data.u64 = tag;
    ::epoll_ctl(epoll_fd_, op, connection.fd, &event);
}

// Closes the connection. Unread input is drained first: closing over it would reset the
// connection and could destroy the answer still in flight.
void MetricsEndpoint::Finish(std::uint64_t tag) {
    auto it = connections_.find(tag);
    if (it == connections_.end()) return;
    char buffer[kHttpReadChunkBytes];
    for (int i = 0; i < kMaxDrainReads && ::recv(it->second.fd, buffer, sizeof buffer, 0) > 0; ++i) {
    }
    ::close(it->second.fd);  // also leaves the epoll set
    connections_.erase(it);
}

void MetricsEndpoint::ExpireDeadlines(std::int64_t now_ms) {
    std::vector<std::uint64_t> expired;
    for (const auto& [tag, connection] : connections_) {
        if (now_ms >= connection.deadline_ms) expired.push_back(tag);
    }
    for (std::uint64_t tag : expired) Finish(tag);
}

std::int64_t MetricsEndpoint::NextDeadline() const {
    std::int64_t next = -1;
    for (const auto& [tag, connection] : connections_) {
        if (next < 0 || connection.deadline_ms < next) next = connection.deadline_ms;
    }
    return next;
}

}  // namespace gs
