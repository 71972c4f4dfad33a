// The lobby: connected clients, their names, waiting games and running games, and the
// routing of every client line to a lobby command, a game request or chat.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "server/core.h"
#include "server/game.h"
#include "server/json_game_log.h"
#include "server/server_stats.h"

namespace gs {

// Everything the server knows about clients and games.
class Lobby {
public:
    Lobby(const CoreOptions& options, Transport& transport, std::ostream* log,
          std::ostream* events);

    void Connect(ClientId id);
    void Line(ClientId id, const std::string& line, std::int64_t now_ms);
    void Disconnect(ClientId id, std::int64_t now_ms);
    void Timer(std::int64_t now_ms);
    std::int64_t NextDeadline() const;
    void ReadGauges(ServerStats& stats) const;  // waiting and running games

private:
    // A connection and where it stands.
    struct Client {
        std::string name;            // empty until the client has sent a valid one
        bool closing = false;        // Close was asked for: nothing more is sent or handled
        int table = 0;               // waiting game it belongs to, 0 for none
        std::shared_ptr<Game> game;  // running game it plays in, or the last game it played
    };

    // A game waiting for its players; members[0] owns it.
    struct Table {
        std::vector<ClientId> members;
    };

    // A lobby command: its word, how many words follow it, the error when the count is wrong,
    // and what it does.
    struct Command {
        const char* word;
        std::size_t arguments;
        const char* wrong_count;
        void (*run)(Lobby& lobby, ClientId id, Client& client,
                    const std::vector<std::string>& words, std::int64_t now_ms);
    };
    static const Command* FindCommand(const std::string& word);

    bool Reachable(ClientId id) const;  // connected and not closing: lines may still go to it
    void Send(ClientId id, const std::string& line);
    void SendTurnEnd(ClientId id, const std::string& line);
    void CloseClient(ClientId id, const std::string& last_line, std::int64_t now_ms);
    void TakeName(ClientId id, Client& client, const std::string& line, std::int64_t now_ms);
    void RunCommand(ClientId id, Client& client, const std::vector<std::string>& words,
                    std::int64_t now_ms);
    void Who(ClientId id);
    void Create(ClientId id, Client& client);
    void Join(ClientId id, Client& client, const std::vector<std::string>& words);
    void AskStart(ClientId id, Client& client);
    void StartGame(ClientId id, Client& client, std::int64_t now_ms);
    void Leave(ClientId id, Client& client, std::int64_t now_ms, bool quietly);
    void LeaveTable(ClientId id, Client& client);
    void GameRequest(ClientId id, Client& client, const Request& request, std::int64_t now_ms);
    void Chat(ClientId id, const Client& client, const std::string& line);
    void ForgetFinished(const std::shared_ptr<Game>& game);
    bool Full(const Table& table) const;
    bool InGame(ClientId id, const Client& client) const;
    std::string InGameError(const Client& client) const;
    const std::string& NameOf(ClientId id) const;

    CoreOptions options_;
    Transport& transport_;
    GameLog log_;
    std::ostream* events_;
    std::map<ClientId, Client> clients_;
    std::set<std::string> names_;                   // names in use
    std::map<int, Table> tables_;                   // waiting games by number, oldest first
    std::map<int, std::shared_ptr<Game>> running_;  // running games by number
    int next_game_ = 1;
};

}  // namespace gs
