// Lobby commands, routing of lines, and the life of waiting games.
//
// How a line is routed once the client has a name:
// - a first word beginning with "." is a lobby command; an unknown one is an error, not chat,
//   so that a mistyped command is not broadcast;
// - "start", and the game requests ("market", "info", "buy", ...), go to the client's game;
// - anything else is chat, for the members of the same waiting game, the players still in the
//   same running game, or everyone in the lobby. Bytes outside printable ASCII become '?';
//   a relayed line ("NAME: text") that then contains a robot marker is not sent, and its
//   sender gets an error.
// A player who goes out of a running game (bankrupt, or by ".leave") is back in the lobby at
// once, but "info" and "market" keep answering from that game until it creates or joins another.
#include "server/lobby.h"

#include <algorithm>
#include <ostream>

#include "server/names.h"
#include "server/request.h"
#include "protocol/robot_protocol.h"
#include "server/rules.h"
#include "server/server_text.h"

namespace gs {
namespace {

constexpr char kJoinUsage[] = "! error: usage: .join N (N: the number of a waiting game)";

std::string Players(std::size_t count) {
    return Num(static_cast<std::int64_t>(count)) + (count == 1 ? " player" : " players");
}

}  // namespace

Lobby::Lobby(const CoreOptions& options, Transport& transport, std::ostream* log,
             std::ostream* events)
    : options_(options), transport_(transport), log_(log), events_(events) {
    options_.max_players = std::clamp(options_.max_players, 1, protocol::kMaxPlayersPerGame);
    options_.max_turns = std::max(options_.max_turns, 1);
    options_.turn_timeout_s = std::max(options_.turn_timeout_s, 0);
}

void Lobby::Connect(ClientId id) { clients_.emplace(id, Client{}); }

void Lobby::Line(ClientId id, const std::string& line, std::int64_t now_ms) {
    auto it = clients_.find(id);
    if (it == clients_.end() || it->second.closing) return;
    Client& client = it->second;
    if (client.name.empty()) {
        TakeName(id, client, line, now_ms);
        return;
    }
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return;
    if (words[0][0] == '.') {
        RunCommand(id, client, words, now_ms);
    } else if (words[0] == "start") {
        if (words.size() != 1) {
            Send(id, "! error: usage: start");
        } else {
            StartGame(id, client, now_ms);
        }
    } else if (const Request request = ParseRequest(line); request.kind != RequestKind::kNone) {
        GameRequest(id, client, request, now_ms);
    } else {
        Chat(id, client, line);
    }
}

void Lobby::Disconnect(ClientId id, std::int64_t now_ms) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    if (!it->second.closing) {
        it->second.closing = true;
        Leave(id, it->second, now_ms, true);
    }
    names_.erase(it->second.name);
    clients_.erase(it);
}

void Lobby::Timer(std::int64_t now_ms) {
    std::vector<std::shared_ptr<Game>> games;
    for (const auto& entry : running_) games.push_back(entry.second);
    for (const std::shared_ptr<Game>& game : games) {
        game->OnTimer(now_ms);
        ForgetFinished(game);
    }
}

std::int64_t Lobby::NextDeadline() const {
    std::int64_t next = -1;
    for (const auto& entry : running_) {
        const std::int64_t deadline = entry.second->deadline_ms();
        if (deadline >= 0 && (next < 0 || deadline < next)) next = deadline;
    }
    return next;
}

void Lobby::ReadGauges(ServerStats& stats) const {
    stats.waiting_games = static_cast<std::int64_t>(tables_.size());
    stats.running_games = 0;
    for (const auto& entry : running_) stats.running_games += entry.second->finished() ? 0 : 1;
}

bool Lobby::Reachable(ClientId id) const {
    auto it = clients_.find(id);
    return it != clients_.end() && !it->second.closing;
}

void Lobby::Send(ClientId id, const std::string& line) {
    if (Reachable(id)) transport_.Send(id, line);
}

void Lobby::SendTurnEnd(ClientId id, const std::string& line) {
    if (Reachable(id)) transport_.SendTurnEnd(id, line);
}

void Lobby::CloseClient(ClientId id, const std::string& last_line, std::int64_t now_ms) {
    Send(id, last_line);
    transport_.Close(id);
    Client& client = clients_[id];
    client.closing = true;
    Leave(id, client, now_ms, true);
}

void Lobby::TakeName(ClientId id, Client& client, const std::string& line, std::int64_t now_ms) {
    if (line == ".quit") {
        CloseClient(id, "ok: bye", now_ms);
        return;
    }
    std::string error = NameError(line);
    if (error.empty() && names_.count(line) > 0) error = "this name is taken";
    if (!error.empty()) {
        LogEvent(events_, "client " + Num(static_cast<std::int64_t>(id)) + ": name \"" + PrintableChat(line) +
              "\" refused: " + error);
        CloseClient(id, "! error: " + error, now_ms);
        return;
    }
    client.name = line;
    names_.insert(line);
    Send(id, "ok: welcome, " + line);
}

const Lobby::Command* Lobby::FindCommand(const std::string& word) {
    using Words = std::vector<std::string>;
    static constexpr char kNoArguments[] = "! error: this command takes no arguments";
    static const Command kCommands[] = {
        {".who", 0, kNoArguments,
         [](Lobby& lobby, ClientId id, Client&, const Words&, std::int64_t) { lobby.Who(id); }},
        {".create", 0, kNoArguments,
         [](Lobby& lobby, ClientId id, Client& client, const Words&, std::int64_t) {
             lobby.Create(id, client);
         }},
        {".join", 1, kJoinUsage,
         [](Lobby& lobby, ClientId id, Client& client, const Words& words, std::int64_t) {
             lobby.Join(id, client, words);
         }},
        {".botstart", 0, kNoArguments,
         [](Lobby& lobby, ClientId id, Client& client, const Words&, std::int64_t) {
             lobby.AskStart(id, client);
         }},
        {".leave", 0, kNoArguments,
         [](Lobby& lobby, ClientId id, Client& client, const Words&, std::int64_t now_ms) {
             lobby.Leave(id, client, now_ms, false);
         }},
        {".quit", 0, kNoArguments,
         [](Lobby& lobby, ClientId id, Client&, const Words&, std::int64_t now_ms) {
             lobby.CloseClient(id, "ok: bye", now_ms);
         }},
    };
    for (const Command& command : kCommands) {
        if (word == command.word) return &command;
    }
    return nullptr;
}

void Lobby::RunCommand(ClientId id, Client& client, const std::vector<std::string>& words,
                       std::int64_t now_ms) {
    const Command* command = FindCommand(words[0]);
    if (command == nullptr) {
        Send(id, "! error: unknown command");
    } else if (words.size() != 1 + command->arguments) {
        Send(id, command->wrong_count);
    } else {
        command->run(*this, id, client, words, now_ms);
    }
}

void Lobby::Who(ClientId id) {
    for (const auto& [number, table] : tables_) {
        const std::string head = "game " + Num(number) + " (" + NameOf(table.members.front()) +
                                 ", " + Players(table.members.size()) + ")";
        // A full game is listed without the waiting marker: a robot joins the first game so
        // marked, and one that tried a full game would wait for its start forever.
        Send(id, Full(table) ? head + " is full"
                             : head + " is " + protocol::kMarkerWaitingGame + Num(number));
    }
    for (const auto& [number, game] : running_) {
        Send(id, "game " + Num(number) + " is running, turn " + Num(game->turn()) + ", " +
                     Players(static_cast<std::size_t>(game->PlayersIn())));
    }
    Send(id, Num(static_cast<std::int64_t>(running_.size())) + " " + protocol::kMarkerGamesPlayed);
}

void Lobby::Create(ClientId id, Client& client) {
    if (InGame(id, client)) {
        Send(id, InGameError(client));
        return;
    }
    const int number = next_game_++;
    tables_[number].members.push_back(id);
    client.table = number;
    Send(id, client.name + protocol::kMarkerCreated + Num(number));
    LogEvent(events_, "game " + Num(number) + " created by " + client.name);
}

void Lobby::Join(ClientId id, Client& client, const std::vector<std::string>& words) {
    std::int64_t number = 0;
    if (words.size() != 2 || !ParseNumber(words[1], number)) {
        Send(id, kJoinUsage);
        return;
    }
    if (InGame(id, client)) {
        Send(id, InGameError(client));
        return;
    }
    auto it = tables_.find(static_cast<int>(number));
    if (it == tables_.end()) {
        const bool running = running_.count(static_cast<int>(number)) > 0;
        Send(id, running ? "! error: game #" + Num(number) + " is already running"
                         : "! error: no such game");
        return;
    }
    Table& table = it->second;
    if (Full(table)) {
        Send(id, "! error: game #" + Num(number) + " is full");
        return;
    }
    for (ClientId member : table.members) Send(member, protocol::kMarkerJoin + client.name);
    table.members.push_back(id);
    client.table = static_cast<int>(number);
    Send(id, "ok: you joined game #" + Num(number));
    LogEvent(events_, "game " + Num(number) + ": " + client.name + " joined");
}

void Lobby::AskStart(ClientId id, Client& client) {
    if (client.table == 0) {
        Send(id, "! error: you are not in a waiting game");
        return;
    }
    const ClientId owner = tables_[client.table].members.front();
    if (owner == id) {
        Send(id, "! error: the game is yours: send start to begin it");
        return;
    }
    Send(owner, std::string(protocol::kMarkerBotstart) + " " + client.name);
    Send(id, "ok: asked " + NameOf(owner) + " to start the game");
}

void Lobby::StartGame(ClientId id, Client& client, std::int64_t now_ms) {
    if (client.table == 0) {
        Send(id, InGame(id, client) ? "! error: your game is already running"
                                    : "! error: you are not in a game (.create or .join N first)");
        return;
    }
    const int number = client.table;
    const Table table = tables_[number];
    if (table.members.front() != id) {
        Send(id, "! error: only " + NameOf(table.members.front()) +
                     ", who created the game, can start it");
        return;
    }
    std::vector<Seat> seats;
    for (ClientId member : table.members) seats.push_back({member, NameOf(member)});
    auto game = std::make_shared<Game>(
        number, std::move(seats), options_,
        [this](ClientId to, const std::string& line) { Send(to, line); },
        [this](ClientId to, const std::string& line) { SendTurnEnd(to, line); }, log_, events_);
    tables_.erase(number);
    for (ClientId member : table.members) {
        Client& each = clients_[member];
        each.table = 0;
        each.game = game;
    }
    running_[number] = game;
    game->Start(now_ms);
    ForgetFinished(game);
}

void Lobby::Leave(ClientId id, Client& client, std::int64_t now_ms, bool quietly) {
    if (client.table != 0) {
        const int number = client.table;
        LeaveTable(id, client);
        if (!quietly) Send(id, "ok: you left game #" + Num(number));
    } else if (client.game && client.game->IsPlaying(id)) {
        const std::shared_ptr<Game> game = client.game;
        if (!quietly)
            Send(id, "ok: you left game #" + Num(game->number()) +
                         "; you are out at the end of this turn");
        game->Detach(id, now_ms);
        ForgetFinished(game);
    } else if (!quietly) {
        Send(id, "! error: you are not in a game");
    }
}

void Lobby::LeaveTable(ClientId id, Client& client) {
    const int number = client.table;
    client.table = 0;
    Table& table = tables_[number];
    const bool was_owner = table.members.front() == id;
    table.members.erase(std::remove(table.members.begin(), table.members.end(), id),
                        table.members.end());
    if (table.members.empty()) {
        tables_.erase(number);
        return;
    }
    for (ClientId member : table.members) Send(member, client.name + " left game #" + Num(number));
    // The earliest remaining member inherits the game, so the others are not left waiting for
    // nobody.
    if (was_owner)
        Send(table.members.front(),
             "ok: game #" + Num(number) + " is yours now: send start to begin it");
}

void Lobby::GameRequest(ClientId id, Client& client, const Request& request, std::int64_t now_ms) {
    if (client.table != 0) {
        Send(id, "! error: game #" + Num(client.table) + " has not started yet");
    } else if (client.game) {
        const std::shared_ptr<Game> game = client.game;
        game->Handle(id, request, now_ms);
        ForgetFinished(game);
    } else {
        Send(id, "! error: you are not in a game (.create or .join N first)");
    }
}

void Lobby::Chat(ClientId id, const Client& client, const std::string& line) {
    // The line as it will be written is checked, not the text alone: the relayed "NAME: " can
    // complete a marker ("x: has created the game #7" holds " has created the game #").
    // Refused rather than rewritten: a changed message would say something its sender did not.
    const std::string message = client.name + ": " + PrintableChat(line);
    if (ContainsRobotMarker(message)) {
        Send(id, "! error: chat not sent: it contains text reserved for robots");
        return;
    }
    std::vector<ClientId> audience;
    if (client.table != 0) {
        audience = tables_[client.table].members;
    } else if (client.game && client.game->IsPlaying(id)) {
        audience = client.game->PlayingClients();
    } else {
        for (const auto& [other, each] : clients_) {
            if (!each.name.empty() && !InGame(other, each)) audience.push_back(other);
        }
    }
    for (ClientId other : audience) {
        if (other != id) Send(other, message);
    }
}

void Lobby::ForgetFinished(const std::shared_ptr<Game>& game) {
    // Its players keep the game for "info" and "market"; the lobby only stops listing it.
    if (game->finished()) running_.erase(game->number());
}

bool Lobby::Full(const Table& table) const {
    return table.members.size() >= static_cast<std::size_t>(options_.max_players);
}

bool Lobby::InGame(ClientId id, const Client& client) const {
    return client.table != 0 || (client.game && client.game->IsPlaying(id));
}

std::string Lobby::InGameError(const Client& client) const {
    const int number = client.table != 0 ? client.table : client.game->number();
    return "! error: you are already in game #" + Num(number) + " (.leave first)";
}

const std::string& Lobby::NameOf(ClientId id) const {
    static const std::string kNobody;
    auto it = clients_.find(id);
    return it == clients_.end() ? kNobody : it->second.name;
}

}  // namespace gs
