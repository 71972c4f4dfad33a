// The server's human log on standard error: every line starts with its UTC time, and every
// connection that ends says why in one fixed word or phrase that grep and awk can match.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

namespace gs {

// Why a connection ended, as the log says it.
enum class DisconnectReason {
    kQuit,             // the client sent ".quit"
    kClosedByPeer,     // the client hung up, or its connection failed
    kLineTooLong,      // a line passed kMaxLineBytes
    kOutputBacklog,    // its unwritten output passed kMaxOutputBytes: it stopped reading
    kNameTimeout,      // it sent no name in time
    kPerAddressLimit,  // its address already holds as many connections as allowed
    kServerFull,       // the server already serves as many clients as allowed
    kBadName,          // its name was refused
    kClosedByServer,   // the server closed it after an error line, for no reason above
    kServerStopping,   // the server is shutting down
    kBanned,           // its address is banned by the operator
    kKicked,           // the operator removed it
};
constexpr std::size_t kDisconnectReasons = static_cast<std::size_t>(DisconnectReason::kKicked) + 1;

// The reason's words in the log ("closed by peer").
const char* ReasonWords(DisconnectReason reason);
// The reason as a metrics label ("closed_by_peer").
std::string ReasonLabel(DisconnectReason reason);

// The time as RFC 3339 in UTC with milliseconds: "2026-12-09T20:01:02.345Z".
std::string Rfc3339Utc(std::chrono::system_clock::time_point time);

// How a client is named in the log: "client 4 (alice, 10.0.0.4:51022)", the name left out
// while the client has none.
std::string ClientLabel(std::uint64_t id, const std::string& name, const std::string& address);

// The log line of a connection that ended: "client 4 (alice, 10.0.0.4:51022) disconnected: quit".
std::string DisconnectedLine(std::uint64_t id, const std::string& name, const std::string& address,
                             DisconnectReason reason);

// A stream buffer that writes each line to `out` with the time and a space in front of it. The
// time is taken when the line's first byte is written, from `now` (the system clock by default).
// Each line goes out in one piece, so that an unbuffered stderr costs one write a line.
class TimestampedLines : public std::streambuf {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    explicit TimestampedLines(std::streambuf* out, Clock now = std::chrono::system_clock::now);

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    void WritePending();

    std::streambuf* out_;
    Clock now_;
    std::string pending_;  // the line being written, its time in front
    bool at_line_start_ = true;
};

}  // namespace gs
