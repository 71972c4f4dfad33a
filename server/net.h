// The game server's network layer: one thread, one epoll loop, non-blocking sockets.
// It turns bytes into lines for the game logic and the game logic's lines back into bytes.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/core.h"
#include "server/http_metrics.h"
#include "server/latency_histogram.h"
#include "server/net_buffers.h"
#include "server/server_stats.h"
#include "protocol/robot_protocol.h"

struct sockaddr_in;

namespace gs {

constexpr int kMaxLinesPerPass = 64;  // lines of one client handled per loop pass; the rest wait
constexpr std::size_t kReadChunkBytes = 16 * 1024;  // bytes taken from one socket per read
constexpr std::int64_t kCloseGraceMs = 5000;        // ms a closing client has to read and hang up
constexpr int kMaxAcceptsPerPass = 256;             // connections accepted per loop pass

// Where and how many clients the network layer serves.
struct NetConfig {
    std::string host = "127.0.0.1";
    int port = protocol::kRobotPort;  // 0: any free port (the one chosen is printed)
    int max_clients = 1024;           // connections served at once
    int max_per_address = 64;         // connections from one IPv4 address; 0: no limit
    bool time_turns = false;  // keep the server-side turn resolution times (TurnTimes)
    std::string metrics_host = "127.0.0.1";  // where the metrics page listens
    int metrics_port = -1;                   // -1: no metrics page; 0: any free port
};

// A connected client as the operator sees it from the network side.
struct ConnectionView {
    ClientId id = 0;
    std::string address;  // the peer's IPv4 address, without its port
    std::string peer;     // address:port
    std::int64_t since_unix_s = 0;
    std::uint64_t bytes_in = 0;
    std::uint64_t bytes_out = 0;
};

// Monotonic milliseconds: the clock of turn timeouts.
std::int64_t MonotonicMs();
// Monotonic microseconds: the clock of turn timing.
std::int64_t MonotonicUs();

// Accepts clients, frames their input into lines for a ServerCore, and writes its lines back.
class NetServer final : public Transport {
public:
    // events: stream for the human log lines, or nullptr when quiet.
    NetServer(const NetConfig& config, std::ostream* events);
    ~NetServer() override;
    NetServer(const NetServer&) = delete;
    NetServer& operator=(const NetServer&) = delete;

    // Binds and listens; false with a reason on failure.
    bool Listen(std::string& error);
    int Port() const { return bound_port_; }  // the port actually bound, after Listen
    // Serves clients until RequestStop; returns with every socket closed.
    void Run(ServerCore& core);
    // Makes Run return soon, ending the running games. Safe from a signal handler and from
    // another thread.
    void RequestStop();
    // Makes Run begin a drain (ServerCore::BeginDrain); Run returns once it is drained.
    // Safe from a signal handler.
    void RequestDrain();

    // Decides at accept time whether a new connection is served: the line it is refused with,
    // or "" to serve it. Given the peer's IPv4 address.
    using Gate = std::function<std::string(const std::string& address)>;
    void SetGate(Gate gate) { gate_ = std::move(gate); }
    // Another descriptor served by the loop: on_event gets its epoll events. Returns its tag.
    using Watcher = std::function<void(std::uint32_t events)>;
    std::uint64_t Watch(int fd, std::uint32_t events, Watcher on_event);
    void Rewatch(int fd, std::uint64_t tag, std::uint32_t events);  // asks for other events
    void Unwatch(int fd, std::uint64_t tag);
    std::vector<ConnectionView> Connections() const;
    // Makes the loop run one more pass soon (for work a signal handler left, such as a log
    // reopen). Safe from a signal handler.
    void Wake();
    // Write end of the wake-up pipe, for a signal handler.
    int StopFd() const { return wake_pipe_[1]; }
    // Called once at the start of every loop pass and before any bytes go to a client: what
    // must be on disk before a client hears of it is written there.
    void SetBeforeWrite(std::function<void()> hook) { before_write_ = std::move(hook); }

    void Send(ClientId id, const std::string& line) override;
    void SendTurnEnd(ClientId id, const std::string& line) override;
    void Close(ClientId id) override;
    void CloseFor(ClientId id, DisconnectReason reason) override;
    void Named(ClientId id, const std::string& name) override;

    // With config.time_turns: for each turn ended by a client's line, the time from reading
    // that line to writing the last of the turn's turn-end lines (the read of the client's
    // latest input).
    const LatencyHistogram& TurnTimes() const { return turn_times_; }
    // Figures the network layer does not keep itself (lost log lines), added to the metrics
    // page just before it is rendered.
    void SetFigures(std::function<void(ServerStats&)> add) { add_figures_ = std::move(add); }
    int MetricsPort() const { return metrics_ ? metrics_->Port() : -1; }

private:
    struct Client;
    // A turn whose turn-end lines are queued but not all written yet.
    struct PendingTurn {
        std::int64_t read_us = 0;  // when the line that ended it was read
        int unwritten = 0;         // turn-end lines still in output buffers
    };

    void Queue(ClientId id, const std::string& line, bool ends_turn);
    void Settle();
    bool WaitAndDispatch();
    void HandleQueuedInput();
    void RunTimers();
    void Accept();
    void AddClient(int fd, const sockaddr_in& addr);
    void Refuse(int fd, const std::string& peer, const std::string& line, DisconnectReason why);
    bool AddressFull(std::uint32_t address) const;
    void OnWake();
    std::string RenderMetrics();
    void OnSocketEvent(Client& client, std::uint32_t events);
    static bool ReadingPaused(const Client& client);
    static std::uint32_t Interest(const Client& client);  // epoll events the client needs now
    void ReadFrom(Client& client);
    void HandleLines(Client& client, int budget);
    void MarkTurnEnd(Client& client);
    void SettleTurnMarks(Client& client, bool all);
    void FlushAll();
    void Flush(Client& client);
    void BeginClosing(Client& client, DisconnectReason reason);
    void Drop(Client& client, DisconnectReason reason);
    void Forget(Client& client);
    void DeliverDisconnects();
    void CheckDeadlines();
    void FreeDead();
    void WatchEvents(Client& client, std::uint32_t events);
    int PollTimeout() const;
    void CloseAll();

    NetConfig config_;
    std::ostream* events_;
    ServerCore* core_ = nullptr;
    std::int64_t now_ = 0;
    int listen_fd_ = -1;
    int epoll_fd_ = -1;
    int wake_pipe_[2] = {-1, -1};
    int spare_fd_ = -1;  // kept open to accept and refuse a client when file descriptors run out
    int bound_port_ = 0;
    bool stop_ = false;
    ClientId next_id_ = 1;
    int connected_ = 0;  // clients the core knows
    std::unordered_map<ClientId, std::unique_ptr<Client>> clients_;
    std::unordered_map<std::uint32_t, int> per_address_;  // open connections by IPv4 address
    std::vector<ClientId> with_input_;   // clients holding complete lines not yet handled
    std::vector<ClientId> with_output_;  // clients with output to write before the next wait
    std::vector<ClientId> closing_;      // clients past BeginClosing, watched for their grace time
    std::vector<ClientId> to_disconnect_;  // clients whose end the core has still to hear of
    std::vector<ClientId> dead_;           // clients to free at the end of this pass
    std::int64_t line_read_us_ = -1;  // read time of the line the core is handling, else -1
    std::uint64_t line_serial_ = 0;   // counts the lines handed to the core
    std::unordered_map<std::uint64_t, PendingTurn> pending_turns_;  // by line serial
    LatencyHistogram turn_times_;
    Gate gate_;
    std::unordered_map<std::uint64_t, Watcher> watchers_;  // by tag, counting down from kWakeTag
    std::uint64_t next_watch_tag_ = 0;
    std::function<void()> before_write_;
    bool timing_ = false;  // turns are timed: for --turn-stats or the metrics page
    ServerStats stats_;
    std::function<void(ServerStats&)> add_figures_;
    std::unique_ptr<MetricsEndpoint> metrics_;  // the metrics page, when asked for
};

}  // namespace gs
