// gameserver: runs trading games for robots and people over TCP. Reads its options, opens the
// log, listens, and serves clients in one event loop until it is drained (SIGTERM, or "drain" on
// the admin socket) or stopped at once (SIGINT, or a second SIGTERM); SIGHUP reopens the log
// file. "gameserver admin CMD" instead sends one command to a running server's admin socket.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "server/admin.h"
#include "server/admin_client.h"
#include "server/bans.h"
#include "server/core.h"
#include "server/event_log.h"
#include "server/net.h"
#include "server/log_file.h"
#include "server/options.h"
#include "server/state_dir.h"

#ifndef GAMESERVER_VERSION
#define GAMESERVER_VERSION "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;     // the server could not start
constexpr int kExitUsage = 2;       // bad command line
constexpr int kExitDataLost = 3;    // log lines or results could not be written, to the end
constexpr rlim_t kSpareFiles = 64;  // descriptors beyond one per client: listener, log, epoll, ...

gs::NetServer* g_server = nullptr;  // the loop the stop signals wake up
volatile sig_atomic_t g_terms = 0;  // SIGTERMs received

volatile sig_atomic_t g_reopen_logs = 0;  // set by SIGHUP, done by the event loop

// The first SIGTERM drains; a second one, or SIGINT, stops at once.
extern "C" void OnStopSignal(int signal) {
    if (g_server == nullptr) return;
    if (signal == SIGTERM && g_terms++ == 0) {
        g_server->RequestDrain();
    } else {
        g_server->RequestStop();
    }
}

extern "C" void OnReopenSignal(int) {
    g_reopen_logs = 1;
    if (g_server != nullptr) g_server->Wake();
}

void InstallSignals() {
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    struct sigaction reopen {};
    reopen.sa_handler = OnReopenSignal;
    sigemptyset(&reopen.sa_mask);
    reopen.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &reopen, nullptr);
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

// At exit: says what never reached the disk; true when anything did not.
bool ReportDataLost(const gs::LogFile& log, gs::StateDir& state) {
    bool lost = false;
    if (log.LostLines() > 0) {
        std::cerr << "gameserver: " << log.LostLines()
                  << " log lines could not be written to the log file" << std::endl;
        lost = true;
    }
    if (!state.Commit()) {
        std::cerr << "gameserver: results of finished games could not be written" << std::endl;
        lost = true;
    }
    return lost;
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
    if (argc >= 2 && std::string(argv[1]) == gs::kAdminSubcommand)
        return gs::RunAdminClient(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
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
    // Human log lines carry their time; error messages before the server runs do not.
    gs::TimestampedLines timestamped(std::cerr.rdbuf());
    std::ostream log_stream(&timestamped);
    std::ostream* events = options.quiet ? nullptr : &log_stream;
    if (!options.seed_given) options.core.seed = SeedFromClock();

    RaiseFileLimit(options.net.max_clients, events);
    gs::NetServer server(options.net, events);
    if (!server.Listen(error)) {
        std::cerr << "gameserver: " << error << "\n";
        return kExitFailure;
    }
    // Opened only once the address is ours, so that a server that cannot start leaves its
    // state alone.
    gs::StateDir state(events);
    if (!state.Open(options.state_dir, error)) {
        std::cerr << "gameserver: " << error << "\n";
        return kExitFailure;
    }
    gs::LogFile log(&std::cerr);
    if (!options.log_path.empty() && !log.Open(options.log_path, error)) {
        std::cerr << "gameserver: " << error << "\n";
        return kExitFailure;
    }
    gs::BanList bans(options.state_dir + "/" + gs::kBansFileName);
    if (!bans.Load(error)) {
        std::cerr << "gameserver: " << error << "\n";
        return kExitFailure;
    }
    gs::ServerCore core(options.core, server, log.Stream(), events, &state);
    server.SetBeforeWrite([&state, &log] {
        if (g_reopen_logs) {
            g_reopen_logs = 0;
            log.Reopen();
        }
        log.Maintain(gs::MonotonicMs());
        state.Commit();
    });
    gs::AdminServer admin(server, core, bans, events);
    if (!admin.Open(options.admin_socket, error)) {
        // Only a socket asked for by name is a must: servers started side by side in one folder
        // share the default one, and the first of them serves it.
        if (options.admin_socket_given) {
            std::cerr << "gameserver: " << error << "\n";
            return kExitFailure;
        }
        if (events) *events << "warning: no admin socket: " << error << std::endl;
    }
    server.SetGate([&admin](const std::string& address) { return admin.Refusal(address); });
    g_server = &server;
    InstallSignals();

    server.SetFigures([&log](gs::ServerStats& figures) {
        figures.log_lines_lost = log.TotalLostLines();
    });
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
    // The server outlives the state and the log (it was made first); its hooks must not.
    server.SetBeforeWrite(nullptr);
    server.SetFigures(nullptr);
    log.Close();
    if (options.net.time_turns) PrintTurnStats(server.TurnTimes());
    return ReportDataLost(log, state) ? kExitDataLost : kExitOk;
}
