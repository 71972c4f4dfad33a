// The metrics page: a tiny HTTP/1.x server for GET /metrics that lives inside the game server's
// event loop. Every connection is bounded in bytes and in time, so a slow or hostile scraper
// cannot hold up the games or grow memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace gs {

constexpr std::size_t kMaxHttpRequestBytes = 8 * 1024;  // bytes of request head; more gets 431
constexpr std::int64_t kHttpDeadlineMs = 5000;  // ms a scraper has to send its request and read
constexpr int kMaxHttpConnections = 16;         // metrics connections at once; more are closed
constexpr std::uint64_t kMetricsTagBase = std::uint64_t{1} << 62;  // epoll tags of the page

// The answer to one request head: the whole HTTP response, ready to write.
struct HttpAnswer {
    int status = 0;
    std::string bytes;
};

// Answers a complete request head (request line and headers) or one that passed
// kMaxHttpRequestBytes (too_long); render makes the metrics text only when it is asked for.
HttpAnswer AnswerHttpRequest(const std::string& head, bool too_long,
                             const std::function<std::string()>& render);

// Serves the metrics page on its own listening socket, registered in the caller's epoll set
// with tags from kMetricsTagBase on, so that one epoll_wait serves games and scrapers alike.
class MetricsEndpoint {
public:
    explicit MetricsEndpoint(std::function<std::string()> render);
    ~MetricsEndpoint();
    MetricsEndpoint(const MetricsEndpoint&) = delete;
    MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

    // Binds host:port (port 0: any free port) and adds the socket to epoll_fd.
    bool Listen(const std::string& host, int port, int epoll_fd, std::string& error);
    int Port() const { return bound_port_; }
    static bool Owns(std::uint64_t tag) { return (tag >> 62) == (kMetricsTagBase >> 62); }
    void OnEvent(std::uint64_t tag, std::uint32_t events, std::int64_t now_ms);
    // Closes the connections whose time is up.
    void ExpireDeadlines(std::int64_t now_ms);
    std::int64_t NextDeadline() const;  // monotonic ms, or -1 when no connection is open

private:
    // One scraper's connection: its request as it comes, then the answer as it goes.
    struct Connection {
        int fd = -1;
        std::string head;
        std::string answer;
        std::size_t written = 0;
        bool answering = false;
        std::int64_t deadline_ms = 0;
    };

    void Accept(std::int64_t now_ms);
    void Read(std::uint64_t tag, Connection& connection);
    void Write(std::uint64_t tag, Connection& connection);
    void Watch(std::uint64_t tag, const Connection& connection, std::uint32_t events, int op);
    void Finish(std::uint64_t tag);

    std::function<std::string()> render_;
    int listen_fd_ = -1;
    int epoll_fd_ = -1;
    int bound_port_ = 0;
    std::uint64_t next_tag_ = kMetricsTagBase + 1;
    std::map<std::uint64_t, Connection> connections_;  // by epoll tag
};

}  // namespace gs
