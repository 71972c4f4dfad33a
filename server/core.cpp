// ServerCore: hands the network layer's events to the lobby.
#include "server/core.h"

#include "server/lobby.h"
#include "server/server_stats.h"

namespace gs {

ServerCore::ServerCore(const CoreOptions& options, Transport& transport, std::ostream* log,
                       std::ostream* events)
    : lobby_(std::make_unique<Lobby>(options, transport, log, events)) {}

ServerCore::~ServerCore() = default;

void ServerCore::OnConnect(ClientId id, std::int64_t /*now_ms*/) { lobby_->Connect(id); }

void ServerCore::OnLine(ClientId id, const std::string& line, std::int64_t now_ms) {
    lobby_->Line(id, line, now_ms);
}

void ServerCore::OnDisconnect(ClientId id, std::int64_t now_ms) { lobby_->Disconnect(id, now_ms); }

void ServerCore::OnTimer(std::int64_t now_ms) { lobby_->Timer(now_ms); }

std::int64_t ServerCore::NextDeadline() const { return lobby_->NextDeadline(); }

void ServerCore::ReadGauges(ServerStats& stats) const { lobby_->ReadGauges(stats); }

}  // namespace gs
