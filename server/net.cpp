// The event loop: accepts clients, reads and frames their lines, writes the core's answers,
// enforces the size limits, and closes clients only between callbacks.
#include "server/net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <optional>
#include <ostream>

#include "protocol/game_log.h"
#include "server/server_text.h"
#include "server/metrics.h"

namespace gs {
namespace {

constexpr std::uint64_t kListenTag = 0;         // epoll tag of the listening socket
constexpr std::uint64_t kWakeTag = UINT64_MAX;  // epoll tag of the wake-up pipe
constexpr int kMaxEventsPerWait = 32;           // epoll events per wait: short passes, quick turns
constexpr char kLineTooLong[] = "! error: line too long";
constexpr char kServerFull[] = "! error: server full";
constexpr char kStopping[] = "! error: the server is stopping";
constexpr char kWakeStop = 's';   // wake-up byte: stop now
constexpr char kWakeDrain = 'd';  // wake-up byte: begin a drain
constexpr char kWakePass = 'w';   // wake-up byte: only run a pass

std::string PeerAddress(const sockaddr_in& addr) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return text;
}

std::string PeerName(const sockaddr_in& addr) {
    return PeerAddress(addr) + ":" + std::to_string(ntohs(addr.sin_port));
}

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

std::int64_t MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t MonotonicUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// One connection and where it stands in its life: open, closing (writing its last lines,
// then waiting for the peer to hang up), dead (to be freed at the end of the pass).
struct NetServer::Client {
    ClientId id = 0;
    int fd = -1;
    std::string peer;  // address:port, for the log
    std::string name;  // once the core has accepted one, for the log
    std::optional<DisconnectReason> reason;  // why it is closing or gone: the first cause
    std::string ip;    // peer IPv4 address, for the operator
    std::int64_t since_unix_s = 0;
    std::uint64_t bytes_in = 0;
    std::uint64_t bytes_out = 0;
    InputBuffer in;
    OutputBuffer out;
    bool known = false;  // the core has heard of it and not yet of its end
    bool disconnect_queued = false;
    bool accepts_output = true;  // the core's lines are still queued for it
    bool closing = false;        // no further input is handled; close once output is written
    bool write_shut = false;     // our side of the stream has been shut down
    bool peer_eof = false;       // the peer has stopped sending
    bool dead = false;
    bool counted = false;       // holds a place in per_address_ under `address` until Forget
    std::uint32_t address = 0;  // the peer's IPv4 address, in network byte order
    bool input_queued = false;
    bool output_queued = false;
    bool registered = false;    // the socket is in the epoll set
    bool refused = false;       // turned away at accept: a refusal, not a disconnection
    std::uint32_t watched = 0;  // epoll events currently asked for
    std::int64_t close_deadline = 0;
    std::int64_t last_read_us = 0;  // when input last came; kept only when turns are timed
    // Where each queued turn-end line ends in the output stream, and the line that ended its turn.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> turn_marks;
};

NetServer::NetServer(const NetConfig& config, std::ostream* events)
    : config_(config), events_(events), timing_(config.time_turns || config.metrics_port >= 0) {}

NetServer::~NetServer() {
    CloseAll();
    for (int fd : {listen_fd_, epoll_fd_, wake_pipe_[0], wake_pipe_[1], spare_fd_}) {
        if (fd >= 0) ::close(fd);
    }
}

bool NetServer::Listen(std::string& error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(config_.port));
    if (inet_pton(AF_INET, config_.host.c_str(), &addr.sin_addr) != 1) {
        error = "not a numeric IPv4 address: " + config_.host;
        return false;
    }
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) return error = SystemError("socket"), false;
    int one = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const std::string where = config_.host + ":" + std::to_string(config_.port);
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        return error = SystemError("cannot listen on " + where), false;
    }
    if (::listen(listen_fd_, SOMAXCONN) != 0)
        return error = SystemError("listen on " + where), false;
    socklen_t length = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    bound_port_ = ntohs(addr.sin_port);

    epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll_fd_ < 0) return error = SystemError("epoll_create1"), false;
    if (::pipe2(wake_pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
        return error = SystemError("pipe2"), false;
    epoll_event listen_event{EPOLLIN, {}};
    listen_event.data.u64 = kListenTag;
    epoll_event wake_event{EPOLLIN, {}};
    wake_event.data.u64 = kWakeTag;
    if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listen_fd_, &listen_event) != 0 ||
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_pipe_[0], &wake_event) != 0) {
        return error = SystemError("epoll_ctl"), false;
    }
    spare_fd_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (config_.metrics_port >= 0) {
        metrics_ = std::make_unique<MetricsEndpoint>([this] { return RenderMetrics(); });
        if (!metrics_->Listen(config_.metrics_host, config_.metrics_port, epoll_fd_, error))
            return false;
    }
    return true;
}

namespace {
void WakeWith(int fd, char byte) {
    const int saved = errno;  // this runs in signal handlers too
    if (fd >= 0) (void)!::write(fd, &byte, 1);
    errno = saved;
}
}  // namespace

void NetServer::RequestStop() { WakeWith(wake_pipe_[1], kWakeStop); }

void NetServer::RequestDrain() { WakeWith(wake_pipe_[1], kWakeDrain); }

void NetServer::Wake() { WakeWith(wake_pipe_[1], kWakePass); }

// Reads the wake-up bytes: a stop wins over a drain asked for in the same pass.
void NetServer::OnWake() {
    char bytes[64];
    ssize_t n;
    while ((n = ::read(wake_pipe_[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (bytes[i] == kWakeStop) stop_ = true;
            if (bytes[i] == kWakeDrain && !stop_) core_->BeginDrain(now_);
        }
    }
}

std::uint64_t NetServer::Watch(int fd, std::uint32_t events, Watcher on_event) {
    if (next_watch_tag_ == 0) next_watch_tag_ = kWakeTag - 1;
    const std::uint64_t tag = next_watch_tag_--;
    epoll_event event{events, {}};
    event.data.u64 = tag;
    if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &event) != 0) return 0;
    watchers_[tag] = std::move(on_event);
    return tag;
}

void NetServer::Rewatch(int fd, std::uint64_t tag, std::uint32_t events) {
    epoll_event event{events, {}};
    event.data.u64 = tag;
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, fd, &event);
}

void NetServer::Unwatch(int fd, std::uint64_t tag) {
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, fd, nullptr);
    watchers_.erase(tag);
}

std::vector<ConnectionView> NetServer::Connections() const {
    std::vector<ConnectionView> views;
    for (const auto& [id, client] : clients_) {
        if (!client->known) continue;
        views.push_back({id, client->ip, client->peer, client->since_unix_s,
                         client->bytes_in, client->bytes_out});
    }
    return views;
}

void NetServer::Run(ServerCore& core) {
    core_ = &core;
    stop_ = false;
    now_ = MonotonicMs();
    while (!stop_) {
        Settle();
        if (!WaitAndDispatch()) break;
        // Hang-ups first: a robot that hangs up and reconnects at once must find its name free
        // when its new connection's first line arrives in the same pass.
        DeliverDisconnects();
        HandleQueuedInput();
        RunTimers();
        if (core_->Drained()) stop_ = true;
    }
    // Games cut short by the stop still get their end record and a last line to their players.
    core_->EndAllGames(protocol::game_log::game_end::kServerStopped);
    Settle();
    CloseAll();
    core_ = nullptr;
}

// Between passes: puts on disk what must be there first (before_write_), tells the core of every
// client that has gone, writes what is queued (which may drop more clients, and their departure
// may queue more lines), then frees the dead.
void NetServer::Settle() {
    if (before_write_) before_write_();
    do {
        DeliverDisconnects();
        FlushAll();
    } while (!to_disconnect_.empty());
    FreeDead();
}

bool NetServer::WaitAndDispatch() {
    epoll_event events[kMaxEventsPerWait];
    const int count = ::epoll_wait(epoll_fd_, events, kMaxEventsPerWait, PollTimeout());
    if (count < 0 && errno != EINTR) {
        LogEvent(events_, SystemError("epoll_wait"));
        return false;
    }
    now_ = MonotonicMs();
    for (int i = 0; i < count; ++i) {
        const std::uint64_t tag = events[i].data.u64;
        if (tag == kWakeTag) {
            OnWake();
        } else if (tag == kListenTag) {
            Accept();
        } else if (metrics_ && MetricsEndpoint::Owns(tag)) {
            metrics_->OnEvent(tag, events[i].events, now_);
        } else if (auto it = clients_.find(tag); it != clients_.end()) {
            OnSocketEvent(*it->second, events[i].events);
        } else if (auto watcher = watchers_.find(tag); watcher != watchers_.end()) {
            const Watcher on_event = watcher->second;  // it may unwatch itself
            on_event(events[i].events);
        }
    }
    return true;
}

void NetServer::HandleQueuedInput() {
    std::vector<ClientId> ready;
    ready.swap(with_input_);
    for (ClientId id : ready) {
        if (auto it = clients_.find(id); it != clients_.end()) {
            Client& client = *it->second;
            client.input_queued = false;
            HandleLines(client, kMaxLinesPerPass);
            if (!client.dead) WatchEvents(client, Interest(client));  // reads again once drained
        }
    }
}

void NetServer::RunTimers() {
    const std::int64_t deadline = core_->NextDeadline();
    if (deadline >= 0 && now_ >= deadline) core_->OnTimer(now_);
    CheckDeadlines();
    if (metrics_) metrics_->ExpireDeadlines(now_);
}

void NetServer::Send(ClientId id, const std::string& line) { Queue(id, line, false); }

void NetServer::SendTurnEnd(ClientId id, const std::string& line) { Queue(id, line, true); }

// Queues a line of the core's for the client; a turn-end line sent while the core handles a
// client's line is marked, so that writing it can time the turn.
void NetServer::Queue(ClientId id, const std::string& line, bool ends_turn) {
    auto it = clients_.find(id);
    if (it == clients_.end() || !it->second->accepts_output) return;
    Client& client = *it->second;
    client.out.PushLine(line);
    ++stats_.lines_out;
    if (ends_turn && line_read_us_ >= 0) MarkTurnEnd(client);
    if (client.out.OverLimit()) {
        // It has stopped reading; keeping its backlog would only grow memory.
        Drop(client, DisconnectReason::kOutputBacklog);
    } else if (!client.output_queued) {
        client.output_queued = true;
        with_output_.push_back(id);
    }
}

void NetServer::Close(ClientId id) { CloseFor(id, DisconnectReason::kClosedByServer); }

void NetServer::CloseFor(ClientId id, DisconnectReason reason) {
    if (auto it = clients_.find(id); it != clients_.end()) BeginClosing(*it->second, reason);
}

void NetServer::Named(ClientId id, const std::string& name) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    it->second->name = name;
    LogEvent(events_, "client " + std::to_string(id) + " is " + name);
}

std::string NetServer::RenderMetrics() {
    const LobbyStats lobby = core_->Stats();
    stats_.connected_clients = connected_;
    stats_.waiting_games = lobby.waiting_games;
    stats_.running_games = lobby.running_games;
    stats_.turns_resolved = static_cast<std::uint64_t>(lobby.turns_resolved);
    stats_.chat_lines_dropped = core_->ChatLinesDropped();
    if (add_figures_) add_figures_(stats_);
    return gs::RenderMetrics(stats_);
}

void NetServer::Accept() {
    for (int i = 0; i < kMaxAcceptsPerPass; ++i) {
        sockaddr_in addr{};
        socklen_t length = sizeof addr;
        const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &length,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            const std::string gate_refusal = gate_ ? gate_(PeerAddress(addr)) : "";
            if (core_->Draining()) {
                Refuse(fd, PeerName(addr), kStopping, DisconnectReason::kServerStopping);
            } else if (!gate_refusal.empty()) {
                Refuse(fd, PeerName(addr), gate_refusal, DisconnectReason::kBanned);
            } else if (connected_ >= config_.max_clients) {
                Refuse(fd, PeerName(addr), kServerFull, DisconnectReason::kServerFull);
            } else if (AddressFull(addr.sin_addr.s_addr)) {
                Refuse(fd, PeerName(addr),
                       "! error: too many connections from your address (at most " +
                           std::to_string(config_.max_per_address) + ")",
                       DisconnectReason::kPerAddressLimit);
            } else {
                AddClient(fd, addr);
            }
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if ((errno == EMFILE || errno == ENFILE) && spare_fd_ >= 0) {
            // Out of descriptors: free the spare one to tell a single waiting client why.
            ::close(spare_fd_);
            const int refused =
                ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (refused >= 0) {
                stats_.CountRefusal(DisconnectReason::kServerFull);
                const std::string line = std::string(kServerFull) + "\n";
                (void)!::send(refused, line.data(), line.size(), MSG_NOSIGNAL);
                ::close(refused);
            }
            spare_fd_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        }
        return;
    }
}

bool NetServer::AddressFull(std::uint32_t address) const {
    if (config_.max_per_address <= 0) return false;
    auto it = per_address_.find(address);
    return it != per_address_.end() && it->second >= config_.max_per_address;
}

void NetServer::AddClient(int fd, const sockaddr_in& addr) {
    const std::string peer = PeerName(addr);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one,
                 sizeof one);  // answers are already batched per pass
    auto client = std::make_unique<Client>();
    client->id = next_id_++;
    client->fd = fd;
    client->ip = PeerAddress(addr);
    client->peer = peer;
    client->since_unix_s = static_cast<std::int64_t>(std::time(nullptr));
    client->known = true;
    client->counted = true;
    client->address = addr.sin_addr.s_addr;
    ++per_address_[client->address];
    Client& added = *client;
    clients_.emplace(added.id, std::move(client));
    WatchEvents(added, EPOLLIN);
    ++connected_;
    LogEvent(events_, "client " + std::to_string(added.id) + " connected from " + peer);
    core_->OnConnect(added.id, now_);
}

void NetServer::Refuse(int fd, const std::string& peer, const std::string& line,
                       DisconnectReason why) {
    auto client = std::make_unique<Client>();
    client->id = next_id_++;
    client->fd = fd;
    client->peer = peer;
    Client& refused = *client;
    clients_.emplace(refused.id, std::move(client));
    WatchEvents(refused, EPOLLIN);
    refused.refused = true;  // counted as a refusal, not as a disconnection
    stats_.CountRefusal(why);
    refused.out.PushLine(line);
    BeginClosing(refused, why);
    LogEvent(events_, ClientLabel(refused.id, "", peer) + " refused: " + ReasonWords(why));
}

void NetServer::OnSocketEvent(Client& client, std::uint32_t events) {
    if (client.dead) return;
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
        if (client.peer_eof) {
            Flush(client);  // only writing is left; a failed write ends it
        } else {
            ReadFrom(client);
        }
    }
    if ((events & EPOLLOUT) && !client.dead) Flush(client);
}

// Reading pauses while the unhandled input is over its limit: the lines already read are
// handled first, and TCP holds the sender back meanwhile.
bool NetServer::ReadingPaused(const Client& client) {
    return !client.closing && client.in.OverLimit();
}

std::uint32_t NetServer::Interest(const Client& client) {
    std::uint32_t events = 0;
    if (!client.peer_eof && !ReadingPaused(client)) events |= EPOLLIN;
    if (client.out.Pending() > 0) events |= EPOLLOUT;
    return events;
}

void NetServer::ReadFrom(Client& client) {
    if (ReadingPaused(client)) return;  // a hang-up is noticed once reading resumes
    char buffer[kReadChunkBytes];
    const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            Drop(client, DisconnectReason::kClosedByPeer);
        return;
    }
    if (n == 0) {
        client.peer_eof = true;
        if (!client.closing) {
            // The peer may only have shut down its sending side: answer what it sent, then close.
            HandleLines(client, -1);
            BeginClosing(client, DisconnectReason::kClosedByPeer);
        }
        Flush(client);
        return;
    }
    stats_.bytes_in += static_cast<std::uint64_t>(n);
    if (client.closing) return;  // input after the last answer is read and discarded
    if (timing_) client.last_read_us = MonotonicUs();
    client.bytes_in += static_cast<std::uint64_t>(n);
    client.in.Append(buffer, static_cast<std::size_t>(n));
    if (!client.input_queued) {
        client.input_queued = true;
        with_input_.push_back(client.id);
    }
    if (ReadingPaused(client)) WatchEvents(client, Interest(client));
}

// Hands up to budget complete lines to the core (all of them when budget < 0).
void NetServer::HandleLines(Client& client, int budget) {
    std::string line;
    for (int handled = 0; budget < 0 || handled < budget; ++handled) {
        if (client.closing || client.dead) return;
        switch (client.in.TakeLine(line)) {
            case InputBuffer::Next::kLine:
                ++stats_.lines_in;
                if (timing_) {
                    line_read_us_ = client.last_read_us;
                    ++line_serial_;
                }
                core_->OnLine(client.id, line, now_);
                line_read_us_ = -1;
                break;
            case InputBuffer::Next::kNeedMore:
                return;
            case InputBuffer::Next::kTooLong:
                client.out.PushLine(kLineTooLong);
                BeginClosing(client, DisconnectReason::kLineTooLong);
                return;
        }
    }
    if (!client.input_queued && !client.closing && !client.dead) {
        client.input_queued = true;  // more lines may wait: they get their turn in the next pass
        with_input_.push_back(client.id);
    }
}

void NetServer::MarkTurnEnd(Client& client) {
    client.turn_marks.emplace_back(client.out.PushedBytes(), line_serial_);
    PendingTurn& turn = pending_turns_[line_serial_];
    turn.read_us = line_read_us_;
    ++turn.unwritten;
}

// Counts the turn-end lines now written (all of them when the client is gone); the last one of a
// turn times it.
void NetServer::SettleTurnMarks(Client& client, bool all) {
    std::size_t settled = 0;
    for (const auto& [end, serial] : client.turn_marks) {
        if (!all && end > client.out.WrittenBytes()) break;
        ++settled;
        auto it = pending_turns_.find(serial);
        if (it == pending_turns_.end() || --it->second.unwritten > 0) continue;
        const std::int64_t us = MonotonicUs() - it->second.read_us;
        turn_times_.Add(us);
        stats_.turn_times.Add(us);
        pending_turns_.erase(it);
    }
    client.turn_marks.erase(client.turn_marks.begin(),
                            client.turn_marks.begin() + static_cast<std::ptrdiff_t>(settled));
}

void NetServer::FlushAll() {
    std::vector<ClientId> pending;
    pending.swap(with_output_);
    for (ClientId id : pending) {
        if (auto it = clients_.find(id); it != clients_.end()) {
            it->second->output_queued = false;
            Flush(*it->second);
        }
    }
}

void NetServer::Flush(Client& client) {
    if (client.dead) return;
    if (before_write_ && client.out.Pending() > 0) before_write_();
    while (client.out.Pending() > 0) {
        const ssize_t n = ::send(client.fd, client.out.Data(), client.out.Pending(), MSG_NOSIGNAL);
        if (n > 0) {
            client.out.Consume(static_cast<std::size_t>(n));
            client.bytes_out += static_cast<std::uint64_t>(n);
            stats_.bytes_out += static_cast<std::uint64_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            Drop(client, DisconnectReason::kClosedByPeer);
            return;
        }
    }
    if (!client.turn_marks.empty()) SettleTurnMarks(client, false);
    if (client.out.Pending() > 0) {
        WatchEvents(client, Interest(client));
        return;
    }
    if (client.closing) {
        if (client.peer_eof) {
            Drop(client, DisconnectReason::kClosedByPeer);  // all written, the peer is done
            return;
        }
        if (!client.write_shut) {
            // Closing right away with unread input would reset the connection and could destroy
            // the last line in flight; so send FIN and wait for the peer to hang up.
            ::shutdown(client.fd, SHUT_WR);
            client.write_shut = true;
        }
    }
    WatchEvents(client, Interest(client));
}

void NetServer::BeginClosing(Client& client, DisconnectReason reason) {
    if (client.closing || client.dead) return;
    if (!client.reason) client.reason = reason;
    client.closing = true;
    client.accepts_output = false;
    client.close_deadline = now_ + kCloseGraceMs;
    closing_.push_back(client.id);
    Forget(client);
    if (!client.output_queued) {
        client.output_queued = true;
        with_output_.push_back(client.id);
    }
}

void NetServer::Drop(Client& client, DisconnectReason reason) {
    if (client.dead) return;
    if (!client.reason) client.reason = reason;
    client.dead = true;
    client.accepts_output = false;
    client.out.Clear();
    SettleTurnMarks(client, true);
    Forget(client);
    dead_.push_back(client.id);
}

// Schedules the core's OnDisconnect; it is delivered between callbacks, never inside one.
// A closing client no longer counts against its address: its socket lives at most
// kCloseGraceMs longer, and its owner may reconnect at once.
void NetServer::Forget(Client& client) {
    if (client.counted) {
        client.counted = false;
        if (--per_address_[client.address] <= 0) per_address_.erase(client.address);
    }
    if (!client.known || client.disconnect_queued) return;
    client.disconnect_queued = true;
    --connected_;
    to_disconnect_.push_back(client.id);
}

void NetServer::DeliverDisconnects() {
    while (!to_disconnect_.empty()) {
        std::vector<ClientId> gone;
        gone.swap(to_disconnect_);
        for (ClientId id : gone) {
            auto it = clients_.find(id);
            if (it == clients_.end() || !it->second->known) continue;
            Client& client = *it->second;
            client.known = false;
            const DisconnectReason reason = client.reason.value_or(DisconnectReason::kClosedByPeer);
            LogEvent(events_, DisconnectedLine(id, client.name, client.peer, reason));
            if (!client.refused) stats_.CountDisconnection(reason);
            core_->OnDisconnect(id, now_);
        }
    }
}

void NetServer::CheckDeadlines() {
    std::vector<ClientId> still_closing;
    for (ClientId id : closing_) {
        auto it = clients_.find(id);
        if (it == clients_.end() || it->second->dead) continue;
        if (now_ >= it->second->close_deadline) {
            Drop(*it->second, DisconnectReason::kClosedByPeer);  // keeps the reason it closed for
        } else {
            still_closing.push_back(id);
        }
    }
    closing_.swap(still_closing);
}

void NetServer::FreeDead() {
    for (ClientId id : dead_) {
        auto it = clients_.find(id);
        if (it == clients_.end()) continue;
        ::close(it->second->fd);
        clients_.erase(it);
    }
    dead_.clear();
}

void NetServer::WatchEvents(Client& client, std::uint32_t events) {
    if (client.registered && client.watched == events) return;
    epoll_event event{events, {}};
    event.data.u64 = client.id;
    const int op = client.registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    if (::epoll_ctl(epoll_fd_, op, client.fd, &event) == 0) {
        client.registered = true;
        client.watched = events;
    }
}

int NetServer::PollTimeout() const {
    if (!with_input_.empty()) return 0;
    std::int64_t deadline = core_->NextDeadline();
    if (const std::int64_t page = metrics_ ? metrics_->NextDeadline() : -1; page >= 0) {
        deadline = deadline < 0 ? page : std::min(deadline, page);
    }
    for (ClientId id : closing_) {
        if (auto it = clients_.find(id); it != clients_.end() && !it->second->dead) {
            const std::int64_t d = it->second->close_deadline;
            deadline = deadline < 0 ? d : std::min(deadline, d);
        }
    }
    if (deadline < 0) return -1;
    return static_cast<int>(std::clamp<std::int64_t>(deadline - MonotonicMs(), 0, INT_MAX));
}

void NetServer::CloseAll() {
    if (before_write_) before_write_();
    for (auto& [id, client] : clients_) {
        if (client->known && !client->disconnect_queued) {
            LogEvent(events_, DisconnectedLine(id, client->name, client->peer,
                                               DisconnectReason::kServerStopping));
            if (!client->refused) stats_.CountDisconnection(DisconnectReason::kServerStopping);
        }
        // One last non-blocking attempt to hand over queued lines; nothing waits on a slow reader.
        if (client->out.Pending() > 0) {
            (void)!::send(client->fd, client->out.Data(), client->out.Pending(), MSG_NOSIGNAL);
        }
        ::close(client->fd);
    }
    clients_.clear();
    per_address_.clear();
    with_input_.clear();
    with_output_.clear();
    closing_.clear();
    to_disconnect_.clear();
    dead_.clear();
    connected_ = 0;
}

}  // namespace gs
