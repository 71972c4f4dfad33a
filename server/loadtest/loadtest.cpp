// server_loadtest: starts a gameserver on a loopback address, fills it with many concurrent
// clients playing many games from one thread, and reports how long turns take to resolve, as
// the clients see it and as the server measures it, and the server's memory. With --duration
// it keeps games going for that long and reports the server's memory at intervals (a soak).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "server/latency_histogram.h"
#include "server/net_buffers.h"
#include "server/usage.h"
#include "protocol/robot_protocol.h"

namespace {

constexpr int kMaxGames = 1000;                       // games one run may hold
constexpr int kMaxTurns = 1000;                       // turns per game
constexpr int kMaxTimeLimitS = 3600;                  // seconds a run (not a soak) may last
constexpr int kMaxEventsPerWait = 512;                // epoll events taken per wait
constexpr std::size_t kReadChunkBytes = 64 * 1024;    // bytes taken from one socket per read
constexpr rlim_t kSpareFiles = 64;                    // descriptors beyond one per client
constexpr std::uint32_t kServerLogTag = UINT32_MAX;   // epoll tag of the server's standard error
constexpr int kMaxDurationS = protocol::kSecondsPerDay;  // seconds a soak may last
constexpr std::int64_t kSoakReportUs = 30 * 1000000;  // microseconds between memory reports
constexpr char kServerStatsLine[] = "turn resolution in the server";  // start of its report

// Orders every player sends each turn: cheap enough that most games survive the run.
constexpr char kTurnOrders[] = "market\ninfo\nsell 2 4300\nbuy 2 900\nprod 2\nturn\n";

std::int64_t NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Discards what the server wrote to standard error, so that it never blocks on a full pipe.
void DrainServerLog(int fd) {
    char buffer[65536];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

// What the run is told on its command line.
struct Settings {
    std::string server;  // gameserver program
    std::string host = "127.0.30.250";
    int games = 250;
    int players = 4;
    int turns = 20;
    int time_limit_s = 120;  // the whole run, setup included
    int duration_s = 0;      // > 0: a soak, new games as old ones end, for this many seconds
};

// Resident memory of a process now, in KiB, from /proc; -1 when unknown.
long ResidentKiB(pid_t pid) {
    std::FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (status == nullptr) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
    }
    std::fclose(status);
    return kib;
}

// One simulated player: a socket, its framing, and where it is in its game.
struct Player {
    enum class Stage { kConnecting, kLobby, kPlaying, kDone };
    int fd = -1;
    int game = 0;  // index of its game in this run
    bool creator = false;
    std::string name;
    Stage stage = Stage::kConnecting;
    gs::InputBuffer in;
    std::string out;
    bool watching_output = true;  // EPOLLOUT is asked for
    int turns_done = 0;
};

// One game of the run: its members and the timing of its current turn.
struct Game {
    std::vector<int> members;  // indexes into the players
    int server_number = 0;     // the server's game number, once created
    int joined = 0;
    std::int64_t last_orders_us = 0;  // when the last orders of the current turn were sent
    int turns_resolved = 0;
};

// The run: one epoll loop over every player's socket.
class LoadTest {
public:
    LoadTest(const Settings& settings, int port, int server_log_fd, pid_t server_pid)
        : settings_(settings),
          port_(port),
          server_log_fd_(server_log_fd),
          server_pid_(server_pid) {}
    bool Run();
    void Report() const;
    std::uint64_t Turns() const { return resolve_.Count(); }

private:
    bool Connect(int index);
    void OnEvent(int index, std::uint32_t events);
    void OnLine(int index, const std::string& line);
    void SendOrders(int index);
    void Queue(int index, const std::string& text);
    void Flush(int index);
    void Finish(int index);
    void Restart(Game& game);
    bool Over() const;
    void ReportMemory();
    void Fail(const std::string& why) {
        if (failure_.empty()) failure_ = why;
    }

    Settings settings_;
    int port_;
    int server_log_fd_;  // the server's standard error, drained as it comes
    pid_t server_pid_;
    int epoll_fd_ = -1;
    std::vector<Player> players_;
    std::vector<Game> games_;
    int finished_ = 0;
    int started_games_ = 0;
    std::string failure_;
    gs::LatencyHistogram resolve_;  // per game and turn: last orders sent to end of turn seen
    std::int64_t begin_us_ = 0, all_started_us_ = 0, end_us_ = 0;
    std::int64_t next_report_us_ = 0;  // a soak's next memory report
    std::uint64_t games_played_ = 0;
    std::uint64_t lines_in_ = 0, bytes_out_ = 0;
};

bool LoadTest::Run() {
    epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
    const int count = settings_.games * settings_.players;
    players_.resize(count);
    games_.resize(settings_.games);
    epoll_event log_event{EPOLLIN, {}};
    log_event.data.u32 = kServerLogTag;
    epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, server_log_fd_, &log_event);
    begin_us_ = NowUs();
    for (int i = 0; i < count; ++i) {
        Player& p = players_[i];
        p.game = i / settings_.players;
        p.creator = i % settings_.players == 0;
        p.name = "load" + std::to_string(p.game) + "_" + std::to_string(i % settings_.players);
        games_[p.game].members.push_back(i);
        if (!Connect(i)) return false;
    }
    const std::int64_t limit_s = settings_.duration_s > 0
                                     ? settings_.duration_s + settings_.time_limit_s
                                     : settings_.time_limit_s;
    const std::int64_t deadline = begin_us_ + limit_s * 1000000LL;
    next_report_us_ = begin_us_ + kSoakReportUs;
    epoll_event events[kMaxEventsPerWait];
    while (!Over() && failure_.empty()) {
        if (settings_.duration_s > 0 && NowUs() >= next_report_us_) ReportMemory();
        const std::int64_t left_ms =
            std::min(deadline - NowUs(), std::max<std::int64_t>(next_report_us_ - NowUs(), 0)) /
            1000;
        if (deadline <= NowUs()) {
            Fail("time limit reached with " + std::to_string(count - finished_) +
                 " players unfinished");
            break;
        }
        const int n =
            epoll_wait(epoll_fd_, events, kMaxEventsPerWait, static_cast<int>(left_ms) + 1);
        for (int i = 0; i < n; ++i) {
            if (events[i].data.u32 == kServerLogTag) {
                DrainServerLog(server_log_fd_);
            } else {
                OnEvent(static_cast<int>(events[i].data.u32), events[i].events);
            }
        }
    }
    end_us_ = NowUs();
    for (Player& p : players_) {
        if (p.fd >= 0) close(p.fd);
    }
    close(epoll_fd_);
    return failure_.empty();
}

bool LoadTest::Connect(int index) {
    Player& p = players_[index];
    p.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (p.fd < 0) return Fail(std::string("socket: ") + std::strerror(errno)), false;
    int one = 1;
    setsockopt(p.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port_));
    inet_pton(AF_INET, settings_.host.c_str(), &addr.sin_addr);
    if (connect(p.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 &&
        errno != EINPROGRESS) {
        return Fail(std::string("connect: ") + std::strerror(errno)), false;
    }
    epoll_event event{EPOLLIN | EPOLLOUT, {}};
    event.data.u32 = static_cast<std::uint32_t>(index);
    epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, p.fd, &event);
    Queue(index, p.name + "\n" + (p.creator ? ".create\n" : ""));
    return true;
}

void LoadTest::OnEvent(int index, std::uint32_t events) {
    Player& p = players_[index];
    if (p.fd < 0) return;
    if (p.stage == Player::Stage::kConnecting && (events & EPOLLOUT)) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) return Fail(p.name + " could not connect: " + std::strerror(error));
        p.stage = Player::Stage::kLobby;
    }
    if (events & EPOLLOUT) Flush(index);
    if (!(events & (EPOLLIN | EPOLLHUP | EPOLLERR))) return;
    char buffer[kReadChunkBytes];
    const ssize_t n = recv(p.fd, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        if (p.stage != Player::Stage::kDone) Fail(p.name + " lost its connection");
        return;
    }
    if (n < 0) return;
    p.in.Append(buffer, static_cast<std::size_t>(n));
    std::string line;
    while (p.fd >= 0 && p.in.TakeLine(line) == gs::InputBuffer::Next::kLine) {
        ++lines_in_;
        OnLine(index, line);
    }
}

void LoadTest::OnLine(int index, const std::string& line) {
    Player& p = players_[index];
    Game& game = games_[p.game];
    // In a soak a winner may hear that its game is over after it is back in the lobby.
    if (line.rfind("! error", 0) == 0 && p.stage == Player::Stage::kLobby &&
        line.find(" is over") == std::string::npos) {
        return Fail(p.name + " got: " + line);
    }
    const std::string created = p.name + protocol::kMarkerCreated;
    if (p.creator && line.rfind(created, 0) == 0) {
        game.server_number = std::atoi(line.c_str() + created.size());
        for (int member : game.members) {
            if (member != index)
                Queue(member, ".join " + std::to_string(game.server_number) + "\n");
        }
    } else if (p.creator && line.rfind(protocol::kMarkerJoin, 0) == 0) {
        if (++game.joined == settings_.players - 1) Queue(index, "start\n");
    } else if (line == protocol::kMarkerStart) {
        p.stage = Player::Stage::kPlaying;
        if (p.creator && ++started_games_ == settings_.games) all_started_us_ = NowUs();
        SendOrders(index);
    } else if (line == protocol::kMarkerYouWin) {
        Finish(index);  // its game is over: the others are out
    } else if (line == protocol::kMarkerEndTurn || line.rfind(protocol::kMarkerBankrupt, 0) == 0) {
        if (p.turns_done == game.turns_resolved) {
            // The first player to hear of the end of the turn times it for the whole game.
            resolve_.Add(NowUs() - game.last_orders_us);
            ++game.turns_resolved;
        }
        ++p.turns_done;
        if (line == protocol::kMarkerEndTurn && p.turns_done < settings_.turns) {
            SendOrders(index);
        } else {
            Finish(index);
        }
    }
}

void LoadTest::SendOrders(int index) {
    games_[players_[index].game].last_orders_us = NowUs();
    Queue(index, kTurnOrders);
}

void LoadTest::Queue(int index, const std::string& text) {
    players_[index].out += text;
    if (players_[index].stage != Player::Stage::kConnecting) Flush(index);
}

void LoadTest::Flush(int index) {
    Player& p = players_[index];
    while (!p.out.empty()) {
        const ssize_t n = send(p.fd, p.out.data(), p.out.size(), MSG_NOSIGNAL);
        if (n <= 0) break;
        bytes_out_ += static_cast<std::uint64_t>(n);
        p.out.erase(0, static_cast<std::size_t>(n));
    }
    if (p.watching_output == !p.out.empty()) return;
    p.watching_output = !p.out.empty();
    const std::uint32_t wanted = p.out.empty() ? 0u : static_cast<std::uint32_t>(EPOLLOUT);
    epoll_event event{EPOLLIN | wanted, {}};
    event.data.u32 = static_cast<std::uint32_t>(index);
    epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, p.fd, &event);
}

// A player that has played its turns, lost, or seen its game end; it stays connected until the
// end of the run so that the load does not drop while other games still play.
void LoadTest::Finish(int index) {
    Player& p = players_[index];
    if (p.stage == Player::Stage::kDone) return;
    p.stage = Player::Stage::kDone;
    ++finished_;
    Game& game = games_[p.game];
    const bool all_done = std::all_of(game.members.begin(), game.members.end(), [this](int m) {
        return players_[m].stage == Player::Stage::kDone;
    });
    if (all_done) {
        ++games_played_;
        if (settings_.duration_s > 0) Restart(game);
    }
}

// A soak's game that has ended is played again by the same clients: the creator makes a new one.
void LoadTest::Restart(Game& game) {
    game.server_number = 0;
    game.joined = 0;
    game.turns_resolved = 0;
    for (int member : game.members) {
        players_[member].stage = Player::Stage::kLobby;
        players_[member].turns_done = 0;
        --finished_;
    }
    Queue(game.members.front(), ".create\n");
}

bool LoadTest::Over() const {
    if (settings_.duration_s > 0) return NowUs() >= begin_us_ + settings_.duration_s * 1000000LL;
    return finished_ == static_cast<int>(players_.size());
}

void LoadTest::ReportMemory() {
    const double elapsed_s = static_cast<double>(NowUs() - begin_us_) / 1e6;
    std::printf("soak %6.0f s: server resident %.1f MiB, %llu turns, %llu games played\n",
                elapsed_s, static_cast<double>(ResidentKiB(server_pid_)) / 1024.0,
                static_cast<unsigned long long>(resolve_.Count()),
                static_cast<unsigned long long>(games_played_));
    std::fflush(stdout);
    next_report_us_ += kSoakReportUs;
}

double Ms(std::int64_t us) { return static_cast<double>(us) / 1000.0; }

void LoadTest::Report() const {
    const std::uint64_t turns = resolve_.Count();
    // A soak's games start over and over: its rate counts from the first turn.
    const std::int64_t from_us = all_started_us_ > 0 ? all_started_us_ : begin_us_;
    const double seconds = static_cast<double>(end_us_ - from_us) / 1e6;
    std::printf("clients: %zu in %d games of %d players, %d turns each\n", players_.size(),
                settings_.games, settings_.players, settings_.turns);
    std::printf("setup (connect, lobby, start): %.1f ms\n",
                static_cast<double>(all_started_us_ - begin_us_) / 1000.0);
    std::printf(
        "turns resolved: %llu in %.3f s (%.0f turns/s, %llu lines received, %llu bytes sent)\n",
        static_cast<unsigned long long>(turns), seconds,
        seconds > 0 ? static_cast<double>(turns) / seconds : 0.0,
        static_cast<unsigned long long>(lines_in_), static_cast<unsigned long long>(bytes_out_));
    std::printf(
        "turn resolution in the clients (last orders sent -> end of turn seen), ms: min %.3f, "
        "median %.3f, p90 %.3f, p99 %.3f, max %.3f\n",
        Ms(resolve_.Percentile(0)), Ms(resolve_.Percentile(0.5)), Ms(resolve_.Percentile(0.9)),
        Ms(resolve_.Percentile(0.99)), Ms(resolve_.Max()));
    if (!failure_.empty()) std::printf("FAILED: %s\n", failure_.c_str());
}

// Allowed CPUs of this process, lowest first.
std::vector<int> AllowedCpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return cpus;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &set)) cpus.push_back(cpu);
    }
    return cpus;
}

void PinTo(int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

// The server under test, started on one CPU; its standard error comes back through a pipe.
struct ServerProcess {
    pid_t pid = -1;
    int err_fd = -1;
    int port = 0;
    std::string state_dir;  // a fresh one, removed at the end: the run leaves no files behind
};

bool StartServer(const Settings& settings, int cpu, ServerProcess& server, std::string& error) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return error = "pipe2 failed", false;
    const int clients = settings.games * settings.players;
    std::string state_dir = "/tmp/server_loadtest_XXXXXX";
    if (mkdtemp(state_dir.data()) == nullptr) return error = "cannot make a state folder", false;
    server.state_dir = state_dir;
    std::vector<std::string> args = {settings.server,
                                     "--host",
                                     settings.host,
                                     "--port",
                                     "0",
                                     "--max-clients",
                                     std::to_string(clients + 16),
                                     "--max-players",
                                     std::to_string(settings.players),
                                     "--max-turns",
                                     std::to_string(settings.turns),
                                     "--turn-timeout",
                                     "30",
                                     "--seed",
                                     "1",
                                     // Every client comes from one address, and a thousand of
                                     // them take a while to connect, name and gather.
                                     "--max-per-address",
                                     "0",
                                     "--name-timeout",
                                     "0",
                                     "--start-timeout",
                                     "0",
                                     // Stopped at the end of the run, it need not drain.
                                     "--drain-timeout",
                                     "0",
                                     "--state-dir",
                                     state_dir,
                                     "--turn-stats"};
    server.pid = fork();
    if (server.pid < 0) return error = "fork failed", false;
    if (server.pid == 0) {
        if (cpu >= 0) PinTo(cpu);
        dup2(pipe_fds[1], STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        std::perror("exec gameserver");
        _exit(127);
    }
    close(pipe_fds[1]);
    server.err_fd = pipe_fds[0];
    // Wait for "listening on HOST:PORT, seed N"; the server prints it once bound.
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(server.err_fd, buffer, sizeof buffer);
        if (n <= 0) return error = "the server exited before listening: " + text, false;
        text.append(buffer, static_cast<std::size_t>(n));
        const std::size_t at = text.find("listening on ");
        const std::size_t colon = text.find(':', at);
        if (at != std::string::npos && colon != std::string::npos &&
            text.find(',', colon) != std::string::npos) {
            server.port = std::atoi(text.c_str() + colon + 1);
            break;
        }
    }
    fcntl(server.err_fd, F_SETFL, O_NONBLOCK);
    return true;
}

// How the server ended: its exit status, its peak memory and its own timing report.
struct ServerEnd {
    int status = 0;
    long peak_kib = 0;
    double cpu_s = 0;        // user and system time: steadier than durations on a busy machine
    std::string turn_stats;  // the server's line, or "" when it printed none
};

ServerEnd StopServer(ServerProcess& server) {
    kill(server.pid, SIGTERM);
    // Everything the server still writes is read to its end, so that it never blocks on the pipe.
    fcntl(server.err_fd, F_SETFL, 0);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(server.err_fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
        if (n < 0 && errno != EINTR) break;
        if (text.size() > sizeof buffer) text.erase(0, text.size() - sizeof buffer);
    }
    close(server.err_fd);
    ServerEnd end;
    rusage usage{};
    while (wait4(server.pid, &end.status, 0, &usage) < 0 && errno == EINTR) {
    }
    std::error_code ignored;
    std::filesystem::remove_all(server.state_dir, ignored);
    end.status = WIFEXITED(end.status) ? WEXITSTATUS(end.status) : 128 + WTERMSIG(end.status);
    end.peak_kib = usage.ru_maxrss;
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    end.cpu_s = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (const std::size_t at = text.rfind(kServerStatsLine); at != std::string::npos) {
        end.turn_stats = text.substr(at, text.find('\n', at) - at);
    }
    return end;
}

std::string DefaultServerPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "gameserver";
    std::string self(path, static_cast<std::size_t>(n));
    return self.substr(0, self.rfind('/') + 1) + "gameserver";
}

// Declares the command line: each option with its default, its check and its help text.
void DeclareOptions(CLI::App& app, Settings& settings) {
    const auto number = [&app](const std::string& name, const std::string& value, int& field,
                               int low, int high, const std::string& help) {
        app.add_option(name, field, help)->type_name(value)->check(CLI::Range(low, high).description(""));
    };
    app.add_option("--server", settings.server, "the gameserver program (default: the one beside this one)")
        ->type_name("PATH");
    const auto loopback = [](std::string& text) {
        in_addr addr{};
        const bool ok = inet_pton(AF_INET, text.c_str(), &addr) == 1 && (ntohl(addr.s_addr) >> 24) == 127;
        return ok ? std::string() : "not a loopback address";
    };
    app.add_option("--host", settings.host, "loopback address of the server (default " + settings.host + ")")
        ->type_name("127.x.y.z")
        ->check(CLI::Validator(loopback, ""));
    number("--games", "N", settings.games, 1, kMaxGames,
           "games played at once (default " + std::to_string(settings.games) + ")");
    number("--players", "N", settings.players, 2, protocol::kMaxPlayersPerGame,
           "players in each game (default " + std::to_string(settings.players) + ")");
    number("--turns", "N", settings.turns, 1, kMaxTurns,
           "turns of each game (default " + std::to_string(settings.turns) + ")");
    number("--time-limit", "SECONDS", settings.time_limit_s, 1, kMaxTimeLimitS,
           "the whole run, setup included (default " + std::to_string(settings.time_limit_s) + ")");
    number("--duration", "SECONDS", settings.duration_s, 1, kMaxDurationS,
           "a soak: new games as old ones end, for this long, with memory reports");
    app.set_help_flag("--help", "print this text");
}

void RaiseFileLimit(rlim_t wanted) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= wanted) return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    settings.server = DefaultServerPath();
    CLI::App app("", "server_loadtest");
    const auto usage = std::make_shared<gs::UsageFormatter>();
    app.formatter(usage);
    DeclareOptions(app, settings);
    try {
        app.parse(gs::ArgumentsForCli11(std::vector<std::string>(argv, argv + argc)));
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError&) {
        std::cerr << usage->make_usage(&app, app.get_name());
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    const int clients = settings.games * settings.players;
    RaiseFileLimit(static_cast<rlim_t>(clients) + kSpareFiles);

    // The server gets a CPU of its own when there are two; the clients take the next one.
    const std::vector<int> cpus = AllowedCpus();
    ServerProcess server;
    std::string error;
    if (!StartServer(settings, cpus.empty() ? -1 : cpus[0], server, error)) {
        std::cerr << "server_loadtest: " << error << "\n";
        return 1;
    }
    if (cpus.size() > 1) PinTo(cpus[1]);
    std::printf("server: %s on %s:%d\n", settings.server.c_str(), settings.host.c_str(),
                server.port);

    LoadTest test(settings, server.port, server.err_fd, server.pid);
    const bool ok = test.Run();
    const ServerEnd end = StopServer(server);
    test.Report();
    std::printf("%s\n", end.turn_stats.empty() ? "the server printed no turn timing"
                                               : end.turn_stats.c_str());
    std::printf("server peak resident memory: %.1f MiB\n",
                static_cast<double>(end.peak_kib) / 1024.0);
    const double turns = static_cast<double>(std::max<std::uint64_t>(test.Turns(), 1));
    std::printf("server CPU time: %.3f s, %.1f us per turn\n", end.cpu_s, end.cpu_s * 1e6 / turns);
    std::printf("server exit status after SIGTERM: %d\n", end.status);
    return ok && end.status == 0 ? 0 : 1;
}
