// Fuzz target "server": the bytes are lines from up to four clients. The game core runs behind
// a transport that records what it sends; after every line the target checks that no robot
// marker reached a client outside its own message and that the game log keeps the rules.
//
// Each line's first byte steers: bits 0-1 pick the client, bits 2-3 how far the clock moves
// first (0, 1, 10 or 70 seconds; a turn times out after 5), bit 7 disconnects the client
// instead. A disconnected or closed client's next line comes from a new connection. The rest
// of the line is what the client sends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "server/core.h"
#include "server_checks.h"

namespace {

constexpr std::size_t kMaxInputBytes = 64 * 1024;  // bytes; longer inputs are skipped
constexpr int kClients = 4;
constexpr std::int64_t kAdvanceMs[] = {0, 1000, 10000, 70000};
constexpr int kTurnTimeoutS = 5;  // seconds
constexpr int kMaxTurns = 8;      // short games, so that inputs reach their ends
constexpr std::uint8_t kDisconnectBit = 0x80;

[[noreturn]] void Fail(const std::string& what, const std::string& detail) {
    std::fprintf(stderr, "server target: %s: %s\n", what.c_str(), detail.c_str());
    std::abort();
}

// Checks every line as the core sends it, and that none goes to a client after its Close.
class CheckingTransport : public gs::Transport {
public:
    void Send(gs::ClientId id, const std::string& line) override {
        if (closed_.count(id) != 0) Fail("line sent after Close", line);
        if (line.find('\n') != std::string::npos) Fail("line break inside a sent line", line);
        const std::string marker = fuzz::MisusedMarker(line);
        if (!marker.empty()) Fail("robot marker \"" + marker + "\" sent outside its message", line);
    }
    void Close(gs::ClientId id) override { closed_.insert(id); }
    bool Closed(gs::ClientId id) const { return closed_.count(id) != 0; }

private:
    std::set<gs::ClientId> closed_;
};

// Feeds the log's complete lines to the ledger as they appear.
class LogFollower {
public:
    std::ostream* stream() { return &log_; }
    void Check() {
        const std::string text = log_.str();
        std::size_t end;
        while ((end = text.find('\n', read_)) != std::string::npos) {
            const std::string problem = ledger_.Feed(text.substr(read_, end - read_));
            if (!problem.empty()) Fail("game log breaks the rules", problem);
            read_ = end + 1;
        }
    }

private:
    std::ostringstream log_;
    std::size_t read_ = 0;
    fuzz::LedgerCheck ledger_;
};

std::vector<std::string> SplitLines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back() += static_cast<char>(data[i]);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInputBytes) return 0;
    CheckingTransport transport;
    LogFollower log;
    gs::CoreOptions options;
    options.seed = 1;
    options.max_turns = kMaxTurns;
    options.turn_timeout_s = kTurnTimeoutS;
    gs::ServerCore core(options, transport, log.stream(), nullptr);

    std::int64_t now_ms = 0;
    gs::ClientId ids[kClients];
    gs::ClientId next_id = 1;
    for (gs::ClientId& id : ids) {
        id = next_id++;
        core.OnConnect(id, now_ms);
    }
    for (std::string& line : SplitLines(data, size)) {
        if (line.empty()) continue;
        const auto steer = static_cast<std::uint8_t>(line[0]);
        gs::ClientId& id = ids[steer % kClients];
        now_ms += kAdvanceMs[(steer >> 2) & 3];
        core.OnTimer(now_ms);
        // A closed client's connection ends; the line comes from a new one in its place.
        if ((steer & kDisconnectBit) || transport.Closed(id)) {
            core.OnDisconnect(id, now_ms);
            id = next_id++;
            core.OnConnect(id, now_ms);
        }
        if (!(steer & kDisconnectBit)) {
            // As the network layer hands lines over: without a CR before the LF, never empty.
            std::string text = line.substr(1);
            if (!text.empty() && text.back() == '\r') text.pop_back();
            if (!text.empty()) core.OnLine(id, text, now_ms);
        }
        log.Check();
    }
    for (gs::ClientId id : ids) core.OnDisconnect(id, now_ms);
    log.Check();
    return 0;
}
