// The game server's lobby and games behind a line-in, line-out interface.
// The network layer feeds it lines and time; it never sees a socket.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

namespace gs {

using ClientId = std::uint64_t;
struct ServerStats;

// What the game logic asks of the network layer. It never sees a socket.
class Transport {
public:
    virtual ~Transport() = default;
    // One line, without its LF (the transport adds it).
    virtual void Send(ClientId id, const std::string& line) = 0;
    // The line that ends a turn for the client, the last the game sends it in that turn. Sent like
    // any other line; a transport that times turns takes it as where the turn's answer ends.
    virtual void SendTurnEnd(ClientId id, const std::string& line) { Send(id, line); }
    // Close the client once everything queued for it has been written.
    virtual void Close(ClientId id) = 0;
};

// Settings of the lobby and of every game it runs.
struct CoreOptions {
    std::uint64_t seed = 0;
    int max_turns = 100;
    int turn_timeout_s = 60;  // 0: no limit
    int max_players = 16;     // creator included, at most protocol::kMaxPlayersPerGame
    ServerStats* stats = nullptr;  // figures the games add to (turns resolved), or none
};

class Lobby;

// Lobby and games: lines in, lines out.
class ServerCore {
public:
    // log: JSON Lines stream or nullptr; events: human log lines (stderr) or nullptr when quiet.
    ServerCore(const CoreOptions& options, Transport& transport, std::ostream* log,
               std::ostream* events);
    ~ServerCore();
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    void OnConnect(ClientId id, std::int64_t now_ms);
    // One complete line; the LF and a CR right before it are already removed; never empty.
    void OnLine(ClientId id, const std::string& line, std::int64_t now_ms);
    // Called exactly once for every connected client when its connection ends for any reason,
    // also after the core's own Close(id). Never Send to a client after Close(id) or OnDisconnect.
    void OnDisconnect(ClientId id, std::int64_t now_ms);
    void OnTimer(std::int64_t now_ms);  // resolves turns whose timeout has passed
    std::int64_t NextDeadline() const;  // monotonic ms of the next turn timeout, or -1
    // Sets the gauges of waiting and running games.
    void ReadGauges(ServerStats& stats) const;

private:
    std::unique_ptr<Lobby> lobby_;
};

}  // namespace gs
