// The human log's times, disconnect reasons and client labels.
#include "server/event_log.h"

#include <cstdio>
#include <ctime>

namespace gs {
namespace {

struct ReasonRow {
    DisconnectReason reason;
    const char* words;
};

// One row per reason; the log and the documentation use these words.
constexpr ReasonRow kReasons[] = {
    {DisconnectReason::kQuit, "quit"},
    {DisconnectReason::kClosedByPeer, "closed by peer"},
    {DisconnectReason::kLineTooLong, "line too long"},
    {DisconnectReason::kOutputBacklog, "output backlog"},
    {DisconnectReason::kNameTimeout, "name timeout"},
    {DisconnectReason::kPerAddressLimit, "per-address limit"},
    {DisconnectReason::kServerFull, "server full"},
    {DisconnectReason::kBadName, "bad name"},
    {DisconnectReason::kClosedByServer, "closed by server"},
    {DisconnectReason::kServerStopping, "server stopping"},
    {DisconnectReason::kBanned, "banned"},
    {DisconnectReason::kKicked, "kicked by the operator"},
};

}  // namespace

const char* ReasonWords(DisconnectReason reason) {
    for (const ReasonRow& row : kReasons) {
        if (row.reason == reason) return row.words;
    }
    return "unknown";
}

std::string ReasonLabel(DisconnectReason reason) {
    std::string label = ReasonWords(reason);
    for (char& c : label) {
        if (c == ' ' || c == '-') c = '_';
    }
    return label;
}

std::string Rfc3339Utc(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03dZ", static_cast<int>(ms % 1000));
    return std::string(text, length) + millis;
}

std::string ClientLabel(std::uint64_t id, const std::string& name, const std::string& address) {
    return "client " + std::to_string(id) + " (" + (name.empty() ? "" : name + ", ") + address +
           ")";
}

std::string DisconnectedLine(std::uint64_t id, const std::string& name, const std::string& address,
                             DisconnectReason reason) {
    return ClientLabel(id, name, address) + " disconnected: " + ReasonWords(reason);
}

TimestampedLines::TimestampedLines(std::streambuf* out, Clock now)
    : out_(out), now_(std::move(now)) {}

TimestampedLines::int_type TimestampedLines::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (at_line_start_) {
        pending_ += Rfc3339Utc(now_()) + " ";
        at_line_start_ = false;
    }
    const char byte = traits_type::to_char_type(c);
    pending_ += byte;
    if (byte == '\n') {
        at_line_start_ = true;
        WritePending();
    }
    return c;
}

int TimestampedLines::sync() {
    WritePending();
    return out_->pubsync();
}

void TimestampedLines::WritePending() {
    out_->sputn(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
}

}  // namespace gs
