// ServerCore: forwards the network layer's events to the lobby.
#include "core.h"

namespace gs {

class Lobby {};

ServerCore::ServerCore(const CoreOptions&, Transport&, std::ostream*, std::ostream*)
    : lobby_(std::make_unique<Lobby>()) {}
ServerCore::~ServerCore() = default;
void ServerCore::OnConnect(ClientId, std::int64_t) {}
void ServerCore::OnLine(ClientId, const std::string&, std::int64_t) {}
void ServerCore::OnDisconnect(ClientId, std::int64_t) {}
void ServerCore::OnTimer(std::int64_t) {}
std::int64_t ServerCore::NextDeadline() const { return -1; }

}  // namespace gs
