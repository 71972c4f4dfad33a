// The admin socket: listening, reading command lines, the command table and each command.
#include "server/admin.h"

#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <ostream>

#include "server/names.h"
#include "server/request.h"
#include "server/rules.h"
#include "server/server_text.h"

namespace gs {
namespace {

constexpr mode_t kSocketMode = 0600;            // only the server's own user may command it
constexpr std::int64_t kSecondsPerMinute = 60;  // seconds
constexpr char kBanned[] = "! error: your address is banned";
constexpr char kNoticePrefix[] = "! notice from the operator: ";

std::int64_t UnixNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::string IsoTime(std::int64_t unix_s) {
    const std::time_t t = static_cast<std::time_t>(unix_s);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

AdminReply Failed(const std::string& error) { return {error, {}}; }

bool IsIpv4(const std::string& text) {
    in_addr addr{};
    return inet_pton(AF_INET, text.c_str(), &addr) == 1;
}

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

// The socket's address; false when the path does not fit.
bool SocketAddress(const std::string& path, sockaddr_un& addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when a server accepts connections on the socket file at path.
bool SomeoneListens(const sockaddr_un& addr) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool listening =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(probe);
    return listening;
}

}  // namespace

// A command: its word, its usage, how many words may follow it, and what it does (given the
// words, and the rest of the line after the command word for commands that take free text).
struct AdminServer::Command {
    const char* word;
    const char* usage;
    std::size_t min_args;
    std::size_t max_args;
    AdminReply (*run)(AdminServer& admin, const std::vector<std::string>& words,
                      const std::string& rest);
};

const std::vector<AdminServer::Command>& AdminServer::Commands() {
    using Words = std::vector<std::string>;
    static constexpr std::size_t kAnyCount = static_cast<std::size_t>(-1);
    static const std::vector<Command> table = {
        {"stats", "stats: the server's figures", 0, 0,
         [](AdminServer& a, const Words&, const std::string&) { return a.Stats(); }},
        {"clients", "clients: the connected clients", 0, 0,
         [](AdminServer& a, const Words&, const std::string&) { return a.ListClients(); }},
        {"games", "games: the waiting and running games", 0, 0,
         [](AdminServer& a, const Words&, const std::string&) { return a.ListGames(); }},
        {"kick", "kick NAME: closes the client of that name", 1, 1,
         [](AdminServer& a, const Words& w, const std::string&) { return a.Kick(w); }},
        {"ban", "ban ADDRESS [MINUTES]: closes and refuses an IPv4 address (no MINUTES: no end)",
         1, 2, [](AdminServer& a, const Words& w, const std::string&) { return a.Ban(w); }},
        {"unban", "unban ADDRESS: lifts a ban", 1, 1,
         [](AdminServer& a, const Words& w, const std::string&) { return a.Unban(w); }},
        {"end", "end GAME: ends a running game with no winner", 1, 1,
         [](AdminServer& a, const Words& w, const std::string&) { return a.End(w); }},
        {"say", "say TEXT: a notice to every client", 1, kAnyCount,
         [](AdminServer& a, const Words&, const std::string& rest) { return a.Say(rest); }},
        {"drain", "drain: stops the server once the running games end (as SIGTERM)", 0, 0,
         [](AdminServer& a, const Words&, const std::string&) { return a.Drain(); }},
        {"help", "help: this list", 0, 0,
         [](AdminServer& a, const Words&, const std::string&) { return a.Help(); }},
    };
    return table;
}

AdminServer::AdminServer(NetServer& net, ServerCore& core, BanList& bans, std::ostream* events)
    : net_(net), core_(core), bans_(bans), events_(events), started_ms_(MonotonicMs()) {}

AdminServer::~AdminServer() {
    while (!connections_.empty()) CloseConnection(connections_.begin()->first);
    if (listen_fd_ >= 0) {
        net_.Unwatch(listen_fd_, listen_tag_);
        ::close(listen_fd_);
        ::unlink(path_.c_str());
    }
}

bool AdminServer::Open(const std::string& path, std::string& error) {
    sockaddr_un addr;
    if (!SocketAddress(path, addr)) {
        error = "admin socket path too long (at most " + std::to_string(sizeof addr.sun_path - 1) +
                " bytes): " + path;
        return false;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) return error = path + " exists and is not a socket", false;
        if (SomeoneListens(addr))
            return error = "another server listens on the admin socket " + path, false;
        ::unlink(path.c_str());  // left by a server that is gone
    }
    listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) return error = std::string("socket: ") + std::strerror(errno), false;
    // The mask makes the file 0600 from its creation; the chmod holds whatever the mask was.
    const mode_t old_mask = ::umask(0177);
    const bool bound = ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::umask(old_mask);
    if (!bound || ::chmod(path.c_str(), kSocketMode) != 0 || ::listen(listen_fd_, SOMAXCONN) != 0) {
        error = "cannot listen on the admin socket " + path + ": " + std::strerror(errno);
        ::close(listen_fd_);
        listen_fd_ = -1;
        return false;
    }
    path_ = path;
    listen_tag_ = net_.Watch(listen_fd_, EPOLLIN, [this](std::uint32_t) { Accept(); });
    LogEvent(events_, "admin socket " + path);
    return true;
}

std::string AdminServer::Refusal(const std::string& address) const {
    return bans_.Banned(address, UnixNow()) ? kBanned : "";
}

void AdminServer::Accept() {
    for (;;) {
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (static_cast<int>(connections_.size()) >= kMaxAdminConnections) {
            const std::string busy = Format(Failed("too many admin connections"));
            (void)!::send(fd, busy.data(), busy.size(), MSG_NOSIGNAL);
            ::close(fd);
            continue;
        }
        Connection& connection = connections_[fd];
        connection.fd = fd;
        connection.tag = net_.Watch(fd, EPOLLIN, [this, fd](std::uint32_t events) {
            OnEvent(fd, events);
        });
    }
}

void AdminServer::OnEvent(int fd, std::uint32_t events) {
    auto it = connections_.find(fd);
    if (it == connections_.end()) return;
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) Read(it->second);
    it = connections_.find(fd);
    if (it != connections_.end()) Write(it->second);
}

void AdminServer::Read(Connection& connection) {
    char buffer[kReadChunkBytes];
    const ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
    if (n == 0) connection.peer_eof = true;
    if (n < 0 && errno != EAGAIN && errno != EINTR) connection.peer_eof = true;
    if (n > 0) connection.in.Append(buffer, static_cast<std::size_t>(n));
    std::string line;
    for (;;) {
        const InputBuffer::Next next = connection.in.TakeLine(line);
        if (next == InputBuffer::Next::kNeedMore) break;
        if (next == InputBuffer::Next::kTooLong) {
            const std::string reply = Format(Failed("line too long"));
            connection.out.PushLine(reply.substr(0, reply.size() - 1));
            connection.peer_eof = true;  // nothing after an overlong line can be framed
            break;
        }
        const std::string reply = Format(Execute(line));
        connection.out.PushLine(reply.substr(0, reply.size() - 1));  // PushLine adds the LF
    }
}

void AdminServer::Write(Connection& connection) {
    while (connection.out.Pending() > 0) {
        const ssize_t n =
            ::send(connection.fd, connection.out.Data(), connection.out.Pending(), MSG_NOSIGNAL);
        if (n > 0) {
            connection.out.Consume(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
        CloseConnection(connection.fd);
        return;
    }
    if (connection.out.Pending() == 0 && connection.peer_eof) {
        CloseConnection(connection.fd);
        return;
    }
    const bool writing = connection.out.Pending() > 0;
    if (writing != connection.writing) {
        connection.writing = writing;
        net_.Rewatch(connection.fd, connection.tag, writing ? EPOLLIN | EPOLLOUT : EPOLLIN);
    }
}

void AdminServer::CloseConnection(int fd) {
    auto it = connections_.find(fd);
    if (it == connections_.end()) return;
    net_.Unwatch(fd, it->second.tag);
    ::close(fd);
    connections_.erase(it);
}

AdminReply AdminServer::Execute(const std::string& line) {
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return Failed("empty command (try help)");
    for (const Command& command : Commands()) {
        if (words[0] != command.word) continue;
        const std::size_t args = words.size() - 1;
        if (args < command.min_args || args > command.max_args)
            return Failed("usage: " + std::string(command.usage));
        const std::size_t start = line.find(words[0]) + words[0].size();
        const std::size_t text = line.find_first_not_of(" \t", start);
        return command.run(*this, words, text == std::string::npos ? "" : line.substr(text));
    }
    return Failed("unknown command '" + PrintableChat(words[0]) + "' (try help)");
}

std::string AdminServer::Format(const AdminReply& reply) {
    std::string text = reply.error.empty() ? kAdminOk : kAdminErrorPrefix + reply.error;
    text += "\n";
    for (const std::string& line : reply.lines) {
        if (!line.empty() && line[0] == '.') text += ".";
        text += line + "\n";
    }
    return text + kAdminReplyEnd + "\n";
}

AdminReply AdminServer::Stats() {
    const LobbyStats stats = core_.Stats();
    const auto row = [](const char* key, std::int64_t value) {
        return std::string(key) + " " + Num(value);
    };
    return {"",
            {row("uptime_s", (MonotonicMs() - started_ms_) / kMsPerSecond),
             row("clients", stats.clients), row("named_clients", stats.named),
             row("waiting_games", stats.waiting_games), row("running_games", stats.running_games),
             row("finished_games", stats.finished_games),
             row("turns_resolved", stats.turns_resolved),
             row("bans", static_cast<std::int64_t>(bans_.Count(UnixNow()))),
             std::string("draining ") + (stats.draining ? "yes" : "no")}};
}

AdminReply AdminServer::ListClients() {
    std::map<ClientId, ClientView> lobby;
    for (const ClientView& view : core_.Clients()) lobby[view.id] = view;
    AdminReply reply{"", {"id name address game since bytes_in bytes_out"}};
    for (const ConnectionView& connection : net_.Connections()) {
        auto it = lobby.find(connection.id);
        if (it == lobby.end()) continue;  // closing: no longer the lobby's
        const ClientView& view = it->second;
        reply.lines.push_back(Num(static_cast<std::int64_t>(connection.id)) + " " +
                              OrDash(view.name) + " " + connection.peer + " " +
                              (view.game ? Num(view.game) : "-") + " " +
                              IsoTime(connection.since_unix_s) + " " +
                              Num(static_cast<std::int64_t>(connection.bytes_in)) + " " +
                              Num(static_cast<std::int64_t>(connection.bytes_out)));
    }
    return reply;
}

AdminReply AdminServer::ListGames() {
    AdminReply reply{"", {"game state turn players"}};
    for (const GameView& game : core_.Games()) {
        std::string players;
        for (const std::string& name : game.players) players += (players.empty() ? "" : ",") + name;
        reply.lines.push_back(Num(game.number) + (game.running ? " running " : " waiting ") +
                              (game.running ? Num(game.turn) : "-") + " " + OrDash(players));
    }
    return reply;
}

AdminReply AdminServer::Kick(const std::vector<std::string>& words) {
    if (!core_.Kick(words[1], MonotonicMs()))
        return Failed("no client named '" + PrintableChat(words[1]) + "'");
    return {"", {"kicked " + words[1]}};
}

AdminReply AdminServer::Ban(const std::vector<std::string>& words) {
    const std::string& address = words[1];
    if (!IsIpv4(address)) return Failed("not a numeric IPv4 address: " + PrintableChat(address));
    std::int64_t minutes = 0;
    if (words.size() == 3 &&
        (!ParseNumber(words[2], minutes) || minutes < 1 || minutes > kMaxBanMinutes)) {
        return Failed("MINUTES must be a number from 1 to " + Num(kMaxBanMinutes));
    }
    const std::int64_t now = UnixNow();
    const std::int64_t until = minutes > 0 ? now + minutes * kSecondsPerMinute : kBanForever;
    std::string error;
    const bool saved = bans_.Ban(address, until, now, error);
    int closed = 0;
    for (const ConnectionView& connection : net_.Connections()) {
        if (connection.address != address) continue;
        core_.Remove(connection.id, kBanned, MonotonicMs(), DisconnectReason::kBanned);
        ++closed;
    }
    LogEvent(events_, "address " + address + " banned");
    if (!saved) return Failed("banned until the server stops, but not kept: " + error);
    return {"",
            {"banned " + address + (until == kBanForever ? " with no end" : " until " + IsoTime(until)) +
             ", " + Num(closed) + " connections closed"}};
}

AdminReply AdminServer::Unban(const std::vector<std::string>& words) {
    std::string error;
    if (!bans_.Unban(words[1], UnixNow(), error)) {
        return Failed(error.empty() ? "no ban on " + PrintableChat(words[1])
                                    : "lifted until the server stops, but not kept: " + error);
    }
    return {"", {"unbanned " + words[1]}};
}

AdminReply AdminServer::End(const std::vector<std::string>& words) {
    std::int64_t number = 0;
    if (!ParseNumber(words[1], number) || number > INT32_MAX || !core_.EndGame(static_cast<int>(number)))
        return Failed("no running game " + PrintableChat(words[1]));
    return {"", {"ended game " + Num(number)}};
}

AdminReply AdminServer::Say(const std::string& text) {
    // Checked as written, like chat: the prefix and the text together must not form a marker.
    const std::string line = kNoticePrefix + PrintableChat(text);
    if (ContainsRobotMarker(line)) return Failed("not sent: the text contains text reserved for robots");
    core_.Notice(line);
    return {"", {"sent to " + Num(core_.Stats().clients) + " clients"}};
}

AdminReply AdminServer::Drain() {
    core_.BeginDrain(MonotonicMs());
    return {"", {"draining: " + Num(core_.Stats().running_games) + " running games"}};
}

AdminReply AdminServer::Help() {
    AdminReply reply;
    for (const Command& command : Commands()) reply.lines.push_back(command.usage);
    return reply;
}

}  // namespace gs
