// The server's figures as a Prometheus text exposition (format version 0.0.4).
#pragma once

#include <string>

#include "server/server_stats.h"

namespace gs {

constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// Every metric with its HELP and TYPE lines, one sample per line, ending with a line feed.
std::string RenderMetrics(const ServerStats& stats);

}  // namespace gs
