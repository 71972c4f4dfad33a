// The metrics page's text and its HTTP answers, without a socket.
#include <gtest/gtest.h>

#include <string>

#include "server/http_metrics.h"
#include "server/metrics.h"

namespace gs {
namespace {

TEST(Metrics, RendersCountersReasonsAndCumulativeBuckets) {
    ServerStats stats;
    stats.connected_clients = 4;
    stats.turns_resolved = 7;
    stats.bytes_out = 123456789012;
    stats.CountDisconnection(DisconnectReason::kOutputBacklog);
    stats.CountDisconnection(DisconnectReason::kOutputBacklog);
    stats.CountRefusal(DisconnectReason::kPerAddressLimit);
    stats.turn_times.Add(100);       // on a bound: counted in that bucket
    stats.turn_times.Add(300);
    stats.turn_times.Add(20000000);  // past the last bound: only in +Inf
    const std::string text = RenderMetrics(stats);
    const char* expected[] = {
        "# TYPE gameserver_connected_clients gauge\ngameserver_connected_clients 4\n",
        "# TYPE gameserver_turns_total counter\ngameserver_turns_total 7\n",
        "gameserver_sent_bytes_total 123456789012\n",
        "gameserver_disconnections_total{reason=\"output_backlog\"} 2\n",
        "gameserver_disconnections_total{reason=\"closed_by_peer\"} 0\n",
        "gameserver_refusals_total{reason=\"per_address_limit\"} 1\n",
        "# TYPE gameserver_turn_resolution_seconds histogram\n",
        "gameserver_turn_resolution_seconds_bucket{le=\"0.0001\"} 1\n"
        "gameserver_turn_resolution_seconds_bucket{le=\"0.00025\"} 1\n"
        "gameserver_turn_resolution_seconds_bucket{le=\"0.0005\"} 2\n",
        "gameserver_turn_resolution_seconds_bucket{le=\"10\"} 2\n"
        "gameserver_turn_resolution_seconds_bucket{le=\"+Inf\"} 3\n"
        "gameserver_turn_resolution_seconds_sum 20.0004\n"
        "gameserver_turn_resolution_seconds_count 3\n",
    };
    for (const char* part : expected) EXPECT_NE(text.find(part), std::string::npos) << part;
}

struct HttpCase {
    std::string head;
    bool too_long;
    int status;
    bool body;  // the metrics text follows the head
};

TEST(MetricsHttp, AnswersOnlyGetOfTheMetricsPath) {
    const HttpCase cases[] = {
        {"GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", false, 200, true},
        {"GET /metrics?debug=1 HTTP/1.0\n\n", false, 200, true},
        {"HEAD /metrics HTTP/1.1\r\n\r\n", false, 200, false},
        {"POST /metrics HTTP/1.1\r\n\r\n", false, 405, false},
        {"GET / HTTP/1.1\r\n\r\n", false, 404, false},
        {"GET /metricsx HTTP/1.1\r\n\r\n", false, 404, false},
        {"GET /metrics\r\n\r\n", false, 400, false},
        {"GET  /metrics HTTP/1.1\r\n\r\n", false, 400, false},
        {"GET /metrics HTTP/2.0\r\n\r\n", false, 400, false},
        {"\r\n\r\n", false, 400, false},
        {std::string(kMaxHttpRequestBytes + 1, 'x'), true, 431, false},
    };
    for (const HttpCase& c : cases) {
        const HttpAnswer answer = AnswerHttpRequest(c.head, c.too_long, [] { return "BODY\n"; });
        EXPECT_EQ(answer.status, c.status) << c.head;
        EXPECT_EQ(answer.bytes.rfind("HTTP/1.1 " + std::to_string(c.status) + " ", 0), 0u);
        EXPECT_NE(answer.bytes.find("Connection: close\r\n"), std::string::npos);
        const bool has_body = answer.bytes.size() > 5 &&
                              answer.bytes.compare(answer.bytes.size() - 5, 5, "BODY\n") == 0;
        EXPECT_EQ(has_body, c.body) << c.head;
    }
}

}  // namespace
}  // namespace gs
