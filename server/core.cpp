// ServerCore: hands the network layer's events to the lobby.
#include "server/core.h"

#include "server/lobby.h"
#include "server/server_stats.h"

namespace gs {

ServerCore::ServerCore(const CoreOptions& options, Transport& transport, std::ostream* log,
                       std::ostream* events, GameRecords* records)
    : lobby_(std::make_unique<Lobby>(options, transport, log, events, records)) {}

ServerCore::~ServerCore() = default;

void ServerCore::OnConnect(ClientId id, std::int64_t now_ms) { lobby_->Connect(id, now_ms); }

void ServerCore::OnLine(ClientId id, const std::string& line, std::int64_t now_ms) {
    lobby_->Line(id, line, now_ms);
}

void ServerCore::OnDisconnect(ClientId id, std::int64_t now_ms) { lobby_->Disconnect(id, now_ms); }

void ServerCore::OnTimer(std::int64_t now_ms) { lobby_->Timer(now_ms); }

std::int64_t ServerCore::NextDeadline() const { return lobby_->NextDeadline(); }

std::uint64_t ServerCore::ChatLinesDropped() const { return lobby_->ChatLinesDropped(); }
void ServerCore::BeginDrain(std::int64_t now_ms) { lobby_->BeginDrain(now_ms); }
bool ServerCore::Draining() const { return lobby_->Draining(); }
bool ServerCore::Drained() const { return lobby_->Drained(); }
void ServerCore::EndAllGames(const std::string& reason) { lobby_->EndAllGames(reason); }
bool ServerCore::EndGame(int number) { return lobby_->EndGame(number); }
bool ServerCore::Kick(const std::string& name, std::int64_t now_ms) {
    return lobby_->Kick(name, now_ms);
}
void ServerCore::Remove(ClientId id, const std::string& last_line, std::int64_t now_ms,
                        DisconnectReason reason) {
    lobby_->Remove(id, last_line, now_ms, reason);
}
void ServerCore::Notice(const std::string& line) { lobby_->Notice(line); }
LobbyStats ServerCore::Stats() const { return lobby_->Stats(); }
std::vector<ClientView> ServerCore::Clients() const { return lobby_->Clients(); }
std::vector<GameView> ServerCore::Games() const { return lobby_->Games(); }

}  // namespace gs
