// gameserver: runs trading games for robots and people over TCP. Reads its options, opens the
// log, listens, and serves clients in one event loop until SIGINT or SIGTERM.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "server/core.h"
#include "server/net.h"
#include "server/log_file.h"
#include "server/options.h"

#ifndef GAMESERVER_VERSION
#define GAMESERVER_VERSION "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;     // the server could not start
constexpr int kExitUsage = 2;       // bad command line
constexpr rlim_t kSpareFiles = 64;  // descriptors beyond one per client: listener, log, epoll, ...

gs::NetServer* g_server = nullptr;  // the loop the stop signals wake up

extern "C" void OnStopSignal(int) {
    if (g_server != nullptr) g_server->RequestStop();
}

void InstallSignals() {
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);  // a vanished client must not kill the server
}

// Raises the soft open-file limit so that --max-clients connections fit, if the hard limit allows.
void RaiseFileLimit(int max_clients, std::ostream* events) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = static_cast<rlim_t>(max_clients) + kSpareFiles;
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < wanted && events) {
        *events << "warning: open-file limit " << limit.rlim_cur << " is below --max-clients "
                << max_clients << "; clients past it are refused" << std::endl;
    }
}

std::uint64_t SeedFromClock() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    std::seed_seq mix{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                      std::random_device{}()};
    std::uint32_t words[2];
    mix.generate(words, words + 2);
    return (static_cast<std::uint64_t>(words[0]) << 32) | words[1];
}

double Ms(std::int64_t us) { return static_cast<double>(us) / 1000.0; }

// One line on standard error, read by server_loadtest.
void PrintTurnStats(const gs::LatencyHistogram& times) {
    std::fprintf(stderr,
                 "turn resolution in the server (last order read -> last end of turn written): "
                 "%llu turns, ms: median %.3f, p90 %.3f, p99 %.3f, max %.3f\n",
                 static_cast<unsigned long long>(times.Count()), Ms(times.Percentile(0.5)),
                 Ms(times.Percentile(0.9)), Ms(times.Percentile(0.99)), Ms(times.Max()));
}

}  // namespace

int main(int argc, char** argv) {
    gs::ServerOptions options;
    std::string error;
    switch (gs::ParseOptions(std::vector<std::string>(argv, argv + argc), options, error)) {
        case gs::OptionsAction::kHelp:
            gs::PrintUsage(std::cout);
            return kExitOk;
        case gs::OptionsAction::kVersion:
            std::cout << "gameserver " << GAMESERVER_VERSION << "\n";
            return kExitOk;
        case gs::OptionsAction::kError:
            std::cerr << "gameserver: " << error << "\n"
                      << "try 'gameserver --help' for the options\n";
            return kExitUsage;
        case gs::OptionsAction::kRun:
            break;
    }
    std::ostream* events = options.quiet ? nullptr : &std::cerr;
    if (!options.seed_given) options.core.seed = SeedFromClock();

    RaiseFileLimit(options.net.max_clients, events);
    gs::NetServer server(options.net, events);
    if (!server.Listen(error)) {
        std::cerr << "gameserver: " << error << "\n";
        return kExitFailure;
    }
    // Opened only once the address is ours, so that a server that cannot start leaves an
    // earlier log in place.
    gs::LogFile log;
    if (!options.log_path.empty() && !log.Open(options.log_path, error)) {
        std::cerr << "gameserver: " << error << "\n";
        return kExitFailure;
    }
    g_server = &server;
    InstallSignals();

    options.core.stats = &server.Stats();
    gs::ServerCore core(options.core, server, log.Stream(), events);

    if (events) {
        *events << "listening on " << options.net.host << ":" << server.Port() << ", seed "
                << options.core.seed << std::endl;
        if (server.MetricsPort() >= 0) {
            *events << "metrics at http://" << options.net.metrics_host << ":"
                    << server.MetricsPort() << "/metrics" << std::endl;
        }
    }
    server.Run(core);
    g_server = nullptr;
    log.Close();
    if (options.net.time_turns) PrintTurnStats(server.TurnTimes());
    return kExitOk;
}
