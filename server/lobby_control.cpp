// The lobby's side of stopping the server and of the operator's controls: the drain, ending
// games with no winner, removing clients, notices, and the views the admin socket lists.
//
// A game ended by the server tells its players with the line a player out of a game gets,
// "# You are a bankrupt, the game is over (...)": a robot waiting for the end of its turn
// takes it as its game being over for it and leaves, instead of waiting for a turn that never ends.
#include <algorithm>

#include "protocol/game_log.h"
#include "protocol/robot_protocol.h"
#include "server/lobby.h"
#include "server/rules.h"
#include "server/server_text.h"

namespace gs {
namespace {

namespace game_end = protocol::game_log::game_end;

constexpr char kNoNewGames[] = "! error: the server is stopping: no new games";
constexpr char kKicked[] = "! error: you were removed by the operator";

// Why a game ended with no winner, as its players read it.
std::string EndedWhy(const std::string& reason) {
    if (reason == game_end::kOperator) return "ended by the operator";
    if (reason == game_end::kDrainTimeout) return "ended as the server stops";
    return "ended as the server stopped";
}

std::string DrainNotice(int seconds) {
    return "! notice: the server stops after the running games end, at the latest in " +
           Num(seconds) + " seconds";
}

}  // namespace

void Lobby::BeginDrain(std::int64_t now_ms) {
    if (Draining()) return;
    drain_deadline_ms_ = now_ms + static_cast<std::int64_t>(options_.drain_timeout_s) * kMsPerSecond;
    LogEvent(events_, "draining: " + Num(static_cast<std::int64_t>(running_.size())) +
                          " running games may go on for " + Num(options_.drain_timeout_s) + " s");
    if (options_.drain_timeout_s == 0) return;  // the games end at once: they are told so then
    for (const auto& [number, game] : running_) {
        for (ClientId id : game->PlayingClients()) Send(id, DrainNotice(options_.drain_timeout_s));
    }
}

void Lobby::EndAllGames(const std::string& reason) {
    std::vector<std::shared_ptr<Game>> games;
    for (const auto& entry : running_) games.push_back(entry.second);
    for (const std::shared_ptr<Game>& game : games) EndRunning(game, reason, EndedWhy(reason));
}

bool Lobby::EndGame(int number) {
    auto it = running_.find(number);
    if (it == running_.end()) return false;
    const std::shared_ptr<Game> game = it->second;
    EndRunning(game, game_end::kOperator, EndedWhy(game_end::kOperator));
    return true;
}

void Lobby::EndRunning(const std::shared_ptr<Game>& game, const std::string& reason,
                       const std::string& why) {
    LogEvent(events_, "game " + Num(game->number()) + " " + why);
    game->Abort(reason, std::string(protocol::kMarkerBankrupt) + " the game is over (" + why +
                            ", no winner)");
    ForgetFinished(game);
}

bool Lobby::Kick(const std::string& name, std::int64_t now_ms) {
    for (const auto& [id, client] : clients_) {
        if (client.name == name && !client.closing) {
            LogEvent(events_, "client " + Num(static_cast<std::int64_t>(id)) + " (" + name +
                                  ") removed by the operator");
            Remove(id, kKicked, now_ms, DisconnectReason::kKicked);
            return true;
        }
    }
    return false;
}

void Lobby::Remove(ClientId id, const std::string& last_line, std::int64_t now_ms,
                   DisconnectReason reason) {
    if (Reachable(id)) CloseClient(id, last_line, now_ms, reason);
}

void Lobby::Notice(const std::string& line) {
    for (const auto& [id, client] : clients_) Send(id, line);
}

LobbyStats Lobby::Stats() const {
    LobbyStats stats;
    stats.clients = static_cast<std::int64_t>(clients_.size());
    stats.named = static_cast<std::int64_t>(names_.size());
    stats.waiting_games = static_cast<std::int64_t>(tables_.size());
    stats.running_games = static_cast<std::int64_t>(running_.size());
    stats.finished_games = games_finished_;
    stats.turns_resolved = turns_finished_games_;
    for (const auto& entry : running_) stats.turns_resolved += entry.second->turns_resolved();
    stats.draining = Draining();
    return stats;
}

std::vector<ClientView> Lobby::Clients() const {
    std::vector<ClientView> views;
    for (const auto& [id, client] : clients_) {
        if (client.closing) continue;
        int game = client.table;
        if (game == 0 && client.game && client.game->IsPlaying(id)) game = client.game->number();
        views.push_back({id, client.name, game});
    }
    return views;
}

std::vector<GameView> Lobby::Games() const {
    std::vector<GameView> views;
    for (const auto& [number, table] : tables_) {
        GameView view{number, false, 0, {}};
        for (ClientId member : table.members) view.players.push_back(NameOf(member));
        views.push_back(std::move(view));
    }
    for (const auto& [number, game] : running_) {
        GameView view{number, true, game->turn(), {}};
        for (ClientId player : game->PlayingClients()) view.players.push_back(NameOf(player));
        views.push_back(std::move(view));
    }
    std::sort(views.begin(), views.end(),
              [](const GameView& a, const GameView& b) { return a.number < b.number; });
    return views;
}

std::string Lobby::DrainRefusal() const { return Draining() ? kNoNewGames : ""; }

}  // namespace gs
