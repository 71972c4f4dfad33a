// The game server's lobby and games behind a line-in, line-out interface.
// The network layer feeds it lines and time; it never sees a socket.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "server/chat_limit.h"
#include "server/event_log.h"

namespace gs {

using ClientId = std::uint64_t;

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
    // Close, saying why for the log.
    virtual void CloseFor(ClientId id, DisconnectReason /*reason*/) { Close(id); }
    // The client is known by this name from now on (for the log).
    virtual void Named(ClientId /*id*/, const std::string& /*name*/) {}
};

// Settings of the lobby and of every game it runs.
struct CoreOptions {
    std::uint64_t seed = 0;
    int max_turns = 100;
    int turn_timeout_s = 60;  // 0: no limit
    int max_players = 16;     // creator included, at most protocol::kMaxPlayersPerGame
    int chat_burst = kDefaultChatBurst;            // chat lines a client may send at once
    int chat_per_second = kDefaultChatPerSecond;   // and a second after that
    bool chat_log = true;  // chat lines go to the human log with their sender
    int start_timeout_s = 60;  // after a waiting game's first join; 0: waiting games never end
    int name_timeout_s = 30;   // a connection must send its name within it; 0: no limit
    int drain_timeout_s = 300;  // seconds the running games of a drain may go on
};

// What the lobby holds, as the operator sees it.
struct LobbyStats {
    std::int64_t clients = 0;  // connected, named or not
    std::int64_t named = 0;
    std::int64_t waiting_games = 0;
    std::int64_t running_games = 0;
    std::int64_t finished_games = 0;
    std::int64_t turns_resolved = 0;
    bool draining = false;
};

// One connected client: its name ("" before it has one) and the game it is in (0: none).
struct ClientView {
    ClientId id = 0;
    std::string name;
    int game = 0;
};

// One waiting or running game: its players (for a running game, those still in).
struct GameView {
    int number = 0;
    bool running = false;
    int turn = 0;
    std::vector<std::string> players;
};

class Lobby;
class GameRecords;

// Lobby and games: lines in, lines out.
class ServerCore {
public:
    // log: JSON Lines stream or nullptr; events: human log lines (stderr) or nullptr when quiet;
    // records: durable game numbers and results, or nullptr to number games from 1 and keep none.
    ServerCore(const CoreOptions& options, Transport& transport, std::ostream* log,
               std::ostream* events, GameRecords* records = nullptr);
    ~ServerCore();
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    void OnConnect(ClientId id, std::int64_t now_ms);
    // One complete line; the LF and a CR right before it are already removed; never empty.
    void OnLine(ClientId id, const std::string& line, std::int64_t now_ms);
    // Called exactly once for every connected client when its connection ends for any reason,
    // also after the core's own Close(id). Never Send to a client after Close(id) or OnDisconnect.
    void OnDisconnect(ClientId id, std::int64_t now_ms);
    void OnTimer(std::int64_t now_ms);  // turn, start and name timeouts that have passed
    std::int64_t NextDeadline() const;  // monotonic ms of the next timeout, or -1
    std::uint64_t ChatLinesDropped() const;  // chat lines not relayed for their rate, so far

    // Stopping: a drain refuses new games, tells the players of the running ones that the server
    // stops after them, and at options.drain_timeout_s ends those still running (OnTimer).
    void BeginDrain(std::int64_t now_ms);
    bool Draining() const;
    bool Drained() const;  // draining and no game is running: the server may exit
    // Ends every running game with no winner; reason is a protocol::game_log::game_end word.
    void EndAllGames(const std::string& reason);

    // The operator's controls: false when there is no such game or client.
    bool EndGame(int number);
    bool Kick(const std::string& name, std::int64_t now_ms);
    // Sends last_line to the client and closes it.
    void Remove(ClientId id, const std::string& last_line, std::int64_t now_ms,
                DisconnectReason reason);
    // One line to every connected client; the caller keeps robot markers out of it.
    void Notice(const std::string& line);
    LobbyStats Stats() const;
    std::vector<ClientView> Clients() const;
    std::vector<GameView> Games() const;

private:
    std::unique_ptr<Lobby> lobby_;
};

}  // namespace gs
