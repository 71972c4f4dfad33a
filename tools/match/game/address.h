// Picks loopback addresses whose robot port is free, so each game gets a private server.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "protocol/robot_protocol.h"

namespace match {

constexpr int kRobotPort = protocol::kRobotPort;  // the robot always connects to this TCP port

// An inclusive range of IPv4 addresses in 127.0.0.0/8, in host byte order.
struct HostRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// The range used when the command line names none.
HostRange DefaultHostRange();

// Parses "A.B.C.D" or "A.B.C.D-E.F.G.H"; both ends must be loopback and in order.
std::optional<HostRange> ParseHostRange(const std::string& text, std::string* error = nullptr);

std::string FormatAddress(std::uint32_t address);

// True when nothing listens on `address`:`port` (a probe socket could bind there).
bool PortIsFree(std::uint32_t address, int port);

// Hands out addresses of a range whose robot port is free; an address stays taken until released,
// so games of one match running side by side never share one.
class AddressPool {
public:
    explicit AddressPool(HostRange range, std::uint32_t start_hint = 0);
    // A free address, or nullopt when every address of the range is busy.
    std::optional<std::uint32_t> Acquire();
    void Release(std::uint32_t address);

private:
    HostRange range_;
    std::uint64_t next_;  // offset into the range where the next search starts
    std::mutex mutex_;
    std::set<std::uint32_t> taken_;
};

}  // namespace match
