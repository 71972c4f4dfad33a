// Loopback address ranges and the probe that tells whether a server could listen there.
#include "match/game/address.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace match {
namespace {

std::optional<std::uint32_t> ParseLoopback(const std::string& text) {
    in_addr addr{};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return std::nullopt;
    std::uint32_t host = ntohl(addr.s_addr);
    if ((host >> 24) != 127) return std::nullopt;
    return host;
}

}  // namespace

HostRange DefaultHostRange() { return HostRange{0x7F4D0001u, 0x7F4DFFFEu}; }  // 127.77.0.1-127.77.255.254

std::optional<HostRange> ParseHostRange(const std::string& text, std::string* error) {
    size_t dash = text.find('-');
    std::string from = text.substr(0, dash);
    std::string to = dash == std::string::npos ? from : text.substr(dash + 1);
    std::optional<std::uint32_t> first = ParseLoopback(from);
    std::optional<std::uint32_t> last = ParseLoopback(to);
    if (!first || !last) {
        if (error) *error = "'" + text + "' is not a loopback address or range (like 127.77.0.1-127.77.0.200)";
        return std::nullopt;
    }
    if (*first > *last) {
        if (error) *error = "in '" + text + "' the first address comes after the last";
        return std::nullopt;
    }
    return HostRange{*first, *last};
}

std::string FormatAddress(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool PortIsFree(std::uint32_t address, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // Same as a server would do, so connections in TIME_WAIT from an earlier game do not count as busy.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(address);
    bool free = bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    close(fd);
    return free;
}

AddressPool::AddressPool(HostRange range, std::uint32_t start_hint)
    : range_(range), next_(start_hint % (std::uint64_t{range.last} - range.first + 1)) {}

std::optional<std::uint32_t> AddressPool::Acquire() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint64_t size = std::uint64_t{range_.last} - range_.first + 1;
    for (std::uint64_t i = 0; i < size; ++i) {
        std::uint32_t candidate = static_cast<std::uint32_t>(range_.first + (next_ + i) % size);
        if (taken_.count(candidate) || !PortIsFree(candidate, kRobotPort)) continue;
        next_ = (next_ + i + 1) % size;
        taken_.insert(candidate);
        return candidate;
    }
    return std::nullopt;
}

void AddressPool::Release(std::uint32_t address) {
    std::lock_guard<std::mutex> lock(mutex_);
    taken_.erase(address);
}

}  // namespace match
