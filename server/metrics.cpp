// Renders ServerStats as Prometheus text: one table row per plain metric, then the counters with
// a reason label and the turn time histogram.
#include "server/metrics.h"

#include <cstdio>
#include <cstdint>

namespace gs {
namespace {

constexpr char kPrefix[] = "gameserver_";
constexpr double kUsPerSecond = 1e6;

// A metric with one unlabelled sample.
struct PlainMetric {
    const char* name;  // without the prefix
    const char* type;
    const char* help;
    std::uint64_t (*value)(const ServerStats&);
};

std::uint64_t Gauge(std::int64_t value) { return value < 0 ? 0 : static_cast<std::uint64_t>(value); }

const PlainMetric kPlainMetrics[] = {
    {"connected_clients", "gauge", "Clients connected now.",
     [](const ServerStats& s) { return Gauge(s.connected_clients); }},
    {"waiting_games", "gauge", "Games created and not yet started.",
     [](const ServerStats& s) { return Gauge(s.waiting_games); }},
    {"running_games", "gauge", "Games being played now.",
     [](const ServerStats& s) { return Gauge(s.running_games); }},
    {"turns_total", "counter", "Turns resolved in all games.",
     [](const ServerStats& s) { return s.turns_resolved; }},
    {"lines_received_total", "counter", "Complete lines read from clients.",
     [](const ServerStats& s) { return s.lines_in; }},
    {"lines_sent_total", "counter", "Lines queued for clients.",
     [](const ServerStats& s) { return s.lines_out; }},
    {"received_bytes_total", "counter", "Bytes read from clients.",
     [](const ServerStats& s) { return s.bytes_in; }},
    {"sent_bytes_total", "counter", "Bytes written to clients.",
     [](const ServerStats& s) { return s.bytes_out; }},
    {"chat_lines_dropped_total", "counter", "Chat lines dropped by the chat rate limit.",
     [](const ServerStats& s) { return s.chat_lines_dropped; }},
    {"log_lines_lost_total", "counter", "Log lines lost because a log write failed.",
     [](const ServerStats& s) { return s.log_lines_lost; }},
};

void Header(std::string& out, const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + kPrefix + name + " " + help + "\n";
    out += std::string("# TYPE ") + kPrefix + name + " " + type + "\n";
}

void Sample(std::string& out, const std::string& name_and_labels, const std::string& value) {
    out += kPrefix + name_and_labels + " " + value + "\n";
}

// Seconds as Prometheus reads them: the shortest text that keeps the value.
std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", seconds);
    return text;
}

void ByReason(std::string& out, const char* name, const char* help,
              const std::array<std::uint64_t, kDisconnectReasons>& counts) {
    Header(out, name, "counter", help);
    for (std::size_t i = 0; i < kDisconnectReasons; ++i) {
        const std::string label = ReasonLabel(static_cast<DisconnectReason>(i));
        Sample(out, std::string(name) + "{reason=\"" + label + "\"}", std::to_string(counts[i]));
    }
}

void TurnHistogram(std::string& out, const TurnTimeBuckets& times) {
    const std::string name = "turn_resolution_seconds";
    Header(out, name.c_str(), "histogram",
           "Time from reading the order that ends a turn to writing the turn's last end line.");
    const auto& bounds = TurnTimeBuckets::kBoundsUs;
    for (std::size_t i = 0; i <= bounds.size(); ++i) {
        const std::string le =
            i < bounds.size() ? Seconds(static_cast<double>(bounds[i]) / kUsPerSecond) : "+Inf";
        Sample(out, name + "_bucket{le=\"" + le + "\"}", std::to_string(times.CumulativeCount(i)));
    }
    Sample(out, name + "_sum", Seconds(static_cast<double>(times.SumUs()) / kUsPerSecond));
    Sample(out, name + "_count", std::to_string(times.Count()));
}

}  // namespace

std::string RenderMetrics(const ServerStats& stats) {
    std::string out;
    for (const PlainMetric& metric : kPlainMetrics) {
        Header(out, metric.name, metric.type, metric.help);
        Sample(out, metric.name, std::to_string(metric.value(stats)));
    }
    ByReason(out, "refusals_total", "Connections refused right after accepting them, by reason.",
             stats.refusals);
    ByReason(out, "disconnections_total", "Connections ended, by first cause.",
             stats.disconnections);
    TurnHistogram(out, stats.turn_times);
    return out;
}

}  // namespace gs
