// Runs one game from start to end: server, robots in join order, the wait for the end, the log.
#include "game_runner.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "chart.h"
#include "process.h"
#include "replay.h"
#include "server_events.h"

namespace match {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPollStep(100);     // how often robots are checked while the server is quiet
constexpr milliseconds kStopGrace(5000);   // between SIGTERM and SIGKILL
constexpr int kLogLinesInErrors = 3;       // lines of a robot's log quoted when it fails

// Joins a waiting game and leaves it again at once, so that a robot waiting for one other
// player starts its game alone.
bool JoinAndLeave(std::uint32_t address, const std::string& name, std::int64_t game) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(kRobotPort);
    sa.sin_addr.s_addr = htonl(address);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    // All lines in one write, so the server has handled the leave before the robot can answer the join.
    std::string lines = name + "\n.join " + std::to_string(game) + "\n.leave\n.quit\n";
    ok = ok && send(fd, lines.data(), lines.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(lines.size());
    if (ok) {
        shutdown(fd, SHUT_WR);
        // Read until the server closes, so closing here cannot reset the connection under unread lines.
        auto deadline = Clock::now() + kStartTimeout;
        char buf[512];
        while (Clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 200) > 0 && recv(fd, buf, sizeof buf, 0) <= 0) break;
        }
    }
    close(fd);
    return ok;
}

// The state of one game while it runs.
class GameRun {
public:
    explicit GameRun(const GameSetup& setup) : setup_(setup) {}

    ~GameRun() {
        StopRobots();
        StopServer();
        if (has_address_) setup_.addresses->Release(address_);
    }

    GameOutcome Run() {
        if (StartServer() && StartRobots() && WaitForEnd()) {
            StopServer();
            ReadResults();
        }
        return outcome_;
    }

private:
    // True (after noting why) when the user has asked the match to stop.
    bool Interrupted() {
        if (!StopRequested()) return false;
        Fail("interrupted");
        return true;
    }

    bool Fail(const std::string& error) {
        if (outcome_.error.empty()) outcome_.error = error;
        return false;
    }

    std::string Path(const std::string& file) const { return setup_.out_dir + "/" + file; }
    std::string RobotLog(size_t i) const { return Path("robot-" + setup_.names[i] + ".log"); }

    std::string ServerLogHint() const {
        std::string tail = LastLines(Path("server.log"), kLogLinesInErrors);
        return (tail.empty() ? "" : "\n" + tail) + "\n(server log: " + Path("server.log") + ")";
    }

    std::string RobotHint(size_t i) const {
        std::string tail = LastLines(RobotLog(i), kLogLinesInErrors);
        return (tail.empty() ? "" : "\n" + tail) + "\n(robot log: " + RobotLog(i) + ")";
    }

    // Reads what the server wrote, logs it and notes the events; false once its stderr has closed.
    bool PumpServer(milliseconds timeout) {
        bool open = server_err_->Fill(timeout);
        while (std::optional<std::string> line = server_err_->NextLine()) HandleServerLine(*line);
        if (!open)
            if (std::optional<std::string> rest = server_err_->Rest()) HandleServerLine(*rest);
        return open;
    }

    void HandleServerLine(const std::string& line) {
        server_log_ << line << '\n';
        server_log_.flush();
        ServerEvent e = ParseServerLine(line);
        switch (e.kind) {
            case ServerEvent::Kind::kListening: listening_ = true; break;
            case ServerEvent::Kind::kCreated:
                if (game_ == 0) game_ = e.game, joined_.insert(e.name);
                break;
            case ServerEvent::Kind::kJoined:
                if (e.game == game_) joined_.insert(e.name);
                break;
            case ServerEvent::Kind::kStarted:
                if (e.game == game_) started_ = true;
                break;
            case ServerEvent::Kind::kEnded:
                if (e.game == game_ && !ended_) ended_ = true, ended_at_ = Clock::now();
                break;
            case ServerEvent::Kind::kOther: break;
        }
    }

    std::vector<std::string> ServerArgs() const {
        int players = static_cast<int>(setup_.scripts.size());
        return {setup_.server_program,  "--host",       FormatAddress(address_),
                "--port",               std::to_string(kRobotPort),
                "--seed",               std::to_string(setup_.seed),
                "--max-turns",          std::to_string(setup_.turns),
                "--turn-timeout",       std::to_string(setup_.turn_timeout_s),
                "--max-players",        std::to_string(players < 2 ? 2 : players),
                "--log",                Path("game.jsonl")};
    }

    // Starts the server on a free address; another address is tried when it cannot listen there,
    // since another program may take the address between our probe and the server's bind.
    // Removes the files of an earlier match in the same folder, so every log tells of this game only.
    void RemoveOldLogs() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(setup_.out_dir, ec)) {
            std::string file = entry.path().filename().string();
            bool robot_log = file.rfind("robot-", 0) == 0 && file.size() > 4 && file.substr(file.size() - 4) == ".log";
            if (robot_log || file == "server.log" || file == "game.jsonl" || file == "money.svg" ||
                file == "replay.html")
                std::filesystem::remove(entry.path(), ec);
        }
    }

    bool StartServer() {
        RemoveOldLogs();
        server_log_.open(Path("server.log"), std::ios::app);
        if (!server_log_) return Fail("cannot write " + Path("server.log"));
        for (int attempt = 0; attempt < kServerStartAttempts; ++attempt) {
            if (TryStartServer()) return true;
            if (!outcome_.error.empty()) return false;
        }
        return Fail("the game server did not start (tried " + std::to_string(kServerStartAttempts) +
                    " addresses)" + ServerLogHint());
    }

    bool TryStartServer() {
        StopServer();
        if (has_address_) setup_.addresses->Release(address_);
        std::optional<std::uint32_t> address = setup_.addresses->Acquire();
        has_address_ = address.has_value();
        if (!address) return Fail("no free loopback address: port " + std::to_string(kRobotPort) +
                                  " is taken on every address of the range");
        address_ = *address;
        outcome_.address = FormatAddress(address_);
        server_ = std::make_unique<ChildProcess>();
        server_err_ = std::make_unique<LineReader>();
        int write_end = server_err_->OpenPipe();
        if (write_end < 0) return Fail("cannot create a pipe for the server");
        std::string error = server_->Start(ServerArgs(), Path("server.log"), write_end);
        server_err_->CloseWriteEnd();
        if (!error.empty()) return Fail(error);
        auto deadline = Clock::now() + kStartTimeout;
        while (!listening_) {
            if (!PumpServer(kPollStep)) return false;  // it ended without listening: try elsewhere
            if (Interrupted()) return false;
            if (Clock::now() > deadline)
                return Fail("the game server did not report \"listening on\" within " +
                            std::to_string(kStartTimeout.count()) + " s" + ServerLogHint());
        }
        game_deadline_ = Clock::now() + std::chrono::seconds(setup_.time_limit_s);
        return true;
    }

    std::string HelperName() const {
        std::set<std::string> names(setup_.names.begin(), setup_.names.end());
        std::string name = "match-helper";
        for (int n = 2; names.count(name); ++n) name = "match-helper-" + std::to_string(n);
        return name;
    }

    bool StartRobots() {
        for (size_t i = 0; i < setup_.scripts.size(); ++i) {
            if (!StartRobot(i) || !WaitJoined(i)) return false;
        }
        if (setup_.scripts.size() == 1 && !JoinAndLeave(address_, HelperName(), game_))
            return Fail("could not reach the game server at " + outcome_.address + " to start a solo game");
        return true;
    }

    bool StartRobot(size_t i) {
        std::vector<std::string> args = {setup_.robot_program, setup_.scripts[i], "-name", setup_.names[i],
                                         "-host", FormatAddress(address_)};
        if (i == 0) {
            // The creator waits for every other robot; alone, it waits for the helper's join.
            size_t others = setup_.scripts.size() - 1;
            args.push_back("-wait");
            args.push_back(std::to_string(others == 0 ? 1 : others));
        }
        robots_.push_back(std::make_unique<ChildProcess>());
        std::string error = robots_.back()->Start(args, RobotLog(i));
        return error.empty() || Fail(error);
    }

    // Waits for the server to report the robot's game creation or join, so robots join in order.
    bool WaitJoined(size_t i) {
        auto deadline = Clock::now() + kStartTimeout;
        while (!joined_.count(setup_.names[i])) {
            bool open = PumpServer(kPollStep);
            if (joined_.count(setup_.names[i])) break;
            if (Interrupted()) return false;
            if (robots_[i]->Poll())
                return Fail("robot " + setup_.names[i] + " (" + setup_.scripts[i] + ") " +
                            DescribeStatus(robots_[i]->Status()) + " before it joined the game" + RobotHint(i));
            if (!open) return Fail("the game server stopped" + ServerLogHint());
            if (Clock::now() > deadline)
                return Fail("robot " + setup_.names[i] + " (" + setup_.scripts[i] + ") did not " +
                            (i == 0 ? "create" : "join") + " the game within " +
                            std::to_string(kStartTimeout.count()) + " s" + RobotHint(i));
        }
        return true;
    }

    bool AllRobotsExited() {
        bool all = true;
        for (auto& r : robots_) all = r->Poll() && all;
        return all;
    }

    // Waits until the server has ended the game and every robot has left, within the time limit.
    bool WaitForEnd() {
        for (;;) {
            bool open = PumpServer(kPollStep);
            bool exited = AllRobotsExited();
            if (Interrupted()) return false;
            if (ended_ && exited) break;
            if (ended_ && Clock::now() > ended_at_ + kExitGrace) {
                NoteLingeringRobots();
                break;
            }
            if (!open && !ended_) return Fail("the game server stopped during the game" + ServerLogHint());
            if (Clock::now() > game_deadline_ && !started_)
                return Fail("the game did not start within " + std::to_string(setup_.time_limit_s) + " s" +
                            ServerLogHint());
            if (Clock::now() > game_deadline_)
                return Fail("the game did not end within " + std::to_string(setup_.time_limit_s) +
                            " s (see --time-limit and --turn-timeout); logs in " + setup_.out_dir);
        }
        for (size_t i = 0; i < robots_.size(); ++i) {
            if (robots_[i]->Exited() && robots_[i]->Status() != 0 && !stopped_.count(i))
                outcome_.notes.push_back("robot " + setup_.names[i] + " " + DescribeStatus(robots_[i]->Status()) +
                                         RobotHint(i));
        }
        return true;
    }

    void NoteLingeringRobots() {
        for (size_t i = 0; i < robots_.size(); ++i) {
            if (robots_[i]->Poll()) continue;
            robots_[i]->Stop(kStopGrace);
            stopped_.insert(i);
            outcome_.notes.push_back("robot " + setup_.names[i] + " was still running " +
                                     std::to_string(kExitGrace.count()) +
                                     " s after the game ended (does its script end every turn?); stopped it" +
                                     RobotHint(i));
        }
    }

    void StopRobots() {
        for (auto& r : robots_) r->Stop(kStopGrace);
    }

    void StopServer() {
        if (!server_) return;
        server_->Stop(kStopGrace);
        // Keep whatever it wrote while stopping.
        auto deadline = Clock::now() + kStopGrace;
        if (server_err_ && server_err_->fd() >= 0)
            while (PumpServer(milliseconds(20)) && Clock::now() < deadline) {
            }
        server_.reset();
    }

    void ReadResults() {
        std::ifstream log(Path("game.jsonl"));
        if (!log) {
            Fail("the game server wrote no game log (" + Path("game.jsonl") + ")");
            return;
        }
        outcome_.record = ReadGameLog(log, game_);
        if (!outcome_.record.ended) {
            Fail("the game log " + Path("game.jsonl") + " has no end of game " + std::to_string(game_));
            return;
        }
        outcome_.record.seed = static_cast<std::int64_t>(setup_.seed);
        std::string title = "Money per turn, seed " + std::to_string(setup_.seed);
        std::string error = WriteMoneyChart(outcome_.record, title, Path("money.svg"));
        if (error.empty())
            outcome_.chart_path = Path("money.svg");
        else
            outcome_.notes.push_back(error);
        error = WriteReplay(Path("game.jsonl"), game_, "Replay, seed " + std::to_string(setup_.seed), Path("replay.html"));
        if (error.empty())
            outcome_.replay_path = Path("replay.html");
        else
            outcome_.notes.push_back(error);
        outcome_.ok = true;
    }

    const GameSetup& setup_;
    GameOutcome outcome_;
    std::ofstream server_log_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<LineReader> server_err_;
    std::vector<std::unique_ptr<ChildProcess>> robots_;
    std::uint32_t address_ = 0;
    bool has_address_ = false;
    bool listening_ = false;
    std::int64_t game_ = 0;
    std::set<std::string> joined_;
    std::set<size_t> stopped_;  // robots we had to stop after the game
    bool started_ = false;
    bool ended_ = false;
    Clock::time_point ended_at_;
    Clock::time_point game_deadline_;
};

}  // namespace

GameOutcome RunGame(const GameSetup& setup) { return GameRun(setup).Run(); }

std::string LastLines(const std::string& path, int count) {
    std::ifstream in(path);
    std::deque<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        lines.push_back("  | " + line);
        if (static_cast<int>(lines.size()) > count) lines.pop_front();
    }
    std::string out;
    for (const std::string& l : lines) out += (out.empty() ? "" : "\n") + l;
    return out;
}

}  // namespace match
