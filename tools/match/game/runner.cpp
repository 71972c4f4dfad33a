// Runs one game from start to end: server, robots in join order, the wait for the end, the log.
#include "match/game/runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "match/outcome/summary.h"
#include "match/web/chart.h"
#include "match/game/process.h"
#include "match/web/replay.h"
#include "match/game/server_events.h"
#include "protocol/robot_protocol.h"

namespace match {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPollStep(100);      // how often robots are checked while the server is quiet
constexpr milliseconds kAnswerStep(10);     // the same while robots' questions are answered
constexpr int kLogLinesInErrors = 3;        // lines of a robot's log quoted when it fails
constexpr off_t kMaxLogScanBytes = 16 << 20;  // bytes of a robot's log read for its reports (its end)

// The whole of a file; empty when it cannot be read.
std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    std::getline(in, text, '\0');
    return text;
}

// The last `max_bytes` of a file, or all of it.
std::string ReadTail(const std::string& path, off_t max_bytes) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size <= 0) return std::string();
    std::streamoff start = size > max_bytes ? size - max_bytes : 0;
    in.seekg(start);
    std::string text(static_cast<size_t>(size - start), '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

// One robot of the game: its process, the answers to its questions and how the match ends it.
struct Robot {
    Robot() = default;
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;
    ~Robot() {
        if (answer_fd >= 0) close(answer_fd);
        if (console_fd >= 0) close(console_fd);
    }

    ChildProcess process;
    int answer_fd = -1;   // our end of its standard input when the match answers its questions
    int console_fd = -1;  // its log, read as it grows to find the questions
    PromptScanner prompts;
    std::vector<std::int64_t> question_turns;  // the turn in play at each of its questions
    bool over = false;    // its game is over or the server dropped it: it must go
    StopCause cause = StopCause::kNone;
    Clock::time_point leave_by;  // when it is sent SIGTERM unless it has gone
    bool term_sent = false;
    Clock::time_point kill_at;   // when it is sent SIGKILL
    StopCause stopped = StopCause::kNone;  // set once the match signalled it
};

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
    explicit GameRun(const GameSetup& setup) : setup_(setup), turns_(Path("game.jsonl")) {}

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
    std::string RobotLog(size_t i) const { return Path(RobotLogName(setup_.names[i])); }
    std::string RobotErrorLines(size_t i) const { return Path(RobotErrorLinesName(setup_.names[i])); }

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
                if (e.game == game_ && !ended_) {
                    ended_ = true;
                    for (size_t i = 0; i < robots_.size(); ++i) StopSoon(i, StopCause::kGameOver, kLeaveGrace);
                }
                break;
            case ServerEvent::Kind::kOut:
                if (e.game == game_)
                    for (size_t i = 0; i < robots_.size(); ++i)
                        if (setup_.names[i] == e.name) StopSoon(i, StopCause::kGameOver, kLeaveGrace);
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
                "--log",                Path("game.jsonl"),
                // Its own state folder, so that a match neither reads nor leaves the numbers,
                // results and admin socket of another server; and no drain: a match that stops
                // its server wants it gone at once.
                "--state-dir",          Path(kServerStateDir),
                "--drain-timeout",      "0"};
    }

    // Starts the server on a free address; another address is tried when it cannot listen there,
    // since another program may take the address between our probe and the server's bind.
    // Removes the files of an earlier match in the same folder, so every log tells of this game only.
    void RemoveOldLogs() {
        std::error_code ec;
        auto ends_with = [](const std::string& s, const std::string& end) {
            return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
        };
        for (const auto& entry : std::filesystem::directory_iterator(setup_.out_dir, ec)) {
            std::string file = entry.path().filename().string();
            bool robot_file = file.rfind("robot-", 0) == 0 &&
                              (ends_with(file, ".log") || ends_with(file, ".txt") || ends_with(file, ".error-lines"));
            if (robot_file || file == "server.log" || file == "game.jsonl" || file == "money.svg" ||
                file == kSummaryFile || file == "replay.html" || file == kServerStateDir)
                std::filesystem::remove_all(entry.path(), ec);
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

    // One step of every wait: the server's lines, the robots' questions, the robots to stop.
    bool Step() {
        bool open = PumpServer(setup_.on_error == OnError::kContinue ? kAnswerStep : kPollStep);
        for (size_t i = 0; i < robots_.size(); ++i) {
            AnswerQuestions(*robots_[i]);
            EnforceStop(i);
        }
        return open;
    }

    void AnswerQuestions(Robot& robot) {
        if (robot.answer_fd < 0 || robot.console_fd < 0) return;
        char chunk[4096];
        ssize_t n;
        while ((n = read(robot.console_fd, chunk, sizeof chunk)) > 0) {
            for (int number : robot.prompts.Feed(std::string(chunk, static_cast<size_t>(n)))) {
                robot.question_turns.push_back(turns_.TurnInPlay(game_));
                const char answer[] = {AnswerFor(number, setup_.on_error), '\n'};
                send(robot.answer_fd, answer, sizeof answer, MSG_NOSIGNAL);
            }
        }
    }

    // The robot must go: it gets `leave` to end by itself, then SIGTERM, then SIGKILL.
    void StopSoon(size_t i, StopCause cause, Clock::duration leave) {
        Robot& robot = *robots_[i];
        if (robot.over) return;
        robot.over = true;
        robot.cause = cause;
        robot.leave_by = Clock::now() + leave;
        EnforceStop(i);
    }

    void EnforceStop(size_t i) {
        Robot& robot = *robots_[i];
        if (!robot.over || robot.process.Poll()) return;
        auto now = Clock::now();
        if (!robot.term_sent && now >= robot.leave_by) {
            robot.process.Signal(SIGTERM);
            robot.term_sent = true;
            robot.stopped = robot.cause;
            robot.kill_at = now + kStopGrace;
            outcome_.notes.push_back(
                "robot " + setup_.names[i] +
                (robot.cause == StopCause::kTimeLimit
                     ? " was still running at the time limit; stopped it"
                     : " was still running " + std::to_string(kLeaveGrace.count()) +
                           " s after its game was over (does its script end every turn?); stopped it") +
                RobotHint(i));
        } else if (robot.term_sent && now >= robot.kill_at) {
            robot.process.Signal(SIGKILL);
        }
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
        robots_.push_back(std::make_unique<Robot>());
        Robot& robot = *robots_.back();
        int child_stdin = -1;
        if (setup_.on_error == OnError::kContinue) {
            // A socket rather than a pipe: an answer sent to a robot that has gone raises no SIGPIPE.
            int ends[2];
            if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
                return Fail("cannot create a socket pair for robot " + setup_.names[i]);
            robot.answer_fd = ends[0];
            child_stdin = ends[1];
        }
        const std::string error_lines = std::string(protocol::kErrorLinesVariable) + "=" + RobotErrorLines(i);
        std::string error = robot.process.Start(args, RobotLog(i), -1, child_stdin, {error_lines});
        if (child_stdin >= 0) close(child_stdin);
        if (robot.answer_fd >= 0) robot.console_fd = open(RobotLog(i).c_str(), O_RDONLY | O_CLOEXEC);
        return error.empty() || Fail(error);
    }

    // Waits for the server to report the robot's game creation or join, so robots join in order.
    bool WaitJoined(size_t i) {
        auto deadline = Clock::now() + kStartTimeout;
        while (!joined_.count(setup_.names[i])) {
            bool open = Step();
            if (joined_.count(setup_.names[i])) break;
            if (Interrupted()) return false;
            if (robots_[i]->process.Poll())
                return Fail("robot " + setup_.names[i] + " (" + setup_.scripts[i] + ") " +
                            DescribeStatus(robots_[i]->process.Status()) + " before it joined the game" +
                            RobotHint(i));
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
        for (auto& r : robots_) all = r->process.Poll() && all;
        return all;
    }

    // Waits until the server has ended the game and every robot has gone. At the time limit the
    // robots still running are stopped, and the server gets a little longer to end the game.
    bool WaitForEnd() {
        bool limit_reached = false;
        for (;;) {
            bool open = Step();
            bool exited = AllRobotsExited();
            if (Interrupted()) return false;
            if (ended_ && exited) return true;
            if (!open && !ended_) return Fail("the game server stopped during the game" + ServerLogHint());
            if (Clock::now() <= game_deadline_ || ended_) continue;
            if (!started_)
                return Fail("the game did not start within " + std::to_string(setup_.time_limit_s) + " s" +
                            ServerLogHint());
            if (limit_reached)
                return Fail("the game did not end within " + std::to_string(setup_.time_limit_s) +
                            " s (see --time-limit and --turn-timeout); logs in " + setup_.out_dir);
            limit_reached = outcome_.time_limit_reached = true;
            for (size_t i = 0; i < robots_.size(); ++i) StopSoon(i, StopCause::kTimeLimit, Clock::duration::zero());
            game_deadline_ = Clock::now() + kStopGrace + kExitGrace;
        }
    }

    void StopRobots() {
        // All are asked at once, so stopping many robots takes one grace period, not one each.
        for (auto& r : robots_) r->process.Signal(SIGTERM);
        auto deadline = Clock::now() + kStopGrace;
        for (auto& r : robots_)
            r->process.Stop(std::chrono::duration_cast<milliseconds>(std::max(deadline - Clock::now(), Clock::duration::zero())));
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
        for (size_t i = 0; i < robots_.size(); ++i) DecideRobotEnding(i);
        std::string title = "Money per turn, seed " + std::to_string(setup_.seed);
        std::string error = WriteMoneyChart(outcome_.record, title, Path("money.svg"));
        if (error.empty())
            outcome_.chart_path = Path("money.svg");
        else
            outcome_.notes.push_back(error);
        const std::string replay_title = "Replay, seed " + std::to_string(setup_.seed);
        error = WriteReplay(Path("game.jsonl"), game_, replay_title, Path("replay.html"), ReplayKnows());
        if (error.empty())
            outcome_.replay_path = Path("replay.html");
        else
            outcome_.notes.push_back(error);
        outcome_.ok = true;
    }

    // Gives each report the turn it came in: the turn in play at its question when the match
    // answered them (each report has one), else only a fatal last report's turn is known.
    static void DateReports(const Robot& robot, EndingFacts& facts) {
        std::vector<ErrorReport>& reports = facts.reports;
        if (!robot.question_turns.empty() && robot.question_turns.size() == reports.size()) {
            for (size_t r = 0; r < reports.size(); ++r) reports[r].turn = robot.question_turns[r];
        } else if (reports.size() == 1) {
            const FinalState* state = facts.state;
            reports[0].turn = state && state->out_turn ? *state->out_turn : facts.last_turn;
        }
    }

    // Each robot's ending, the turn whose orders its runtime error made void, and its console.
    ReplayPlayers ReplayKnows() const {
        ReplayPlayers known;
        for (size_t i = 0; i < robots_.size(); ++i) {
            const std::string& name = setup_.names[i];
            auto ending = outcome_.endings.find(name);
            if (ending == outcome_.endings.end()) continue;
            ReplayPlayer& player = known[name];
            player.ending = ending->second.Describe();
            if (ending->second.kind == RobotEnding::Kind::kRuntimeError) player.void_turn = ending->second.turn;
            player.console_path = RobotLog(i);
        }
        return known;
    }

    void DecideRobotEnding(size_t i) {
        const std::string& name = setup_.names[i];
        const GameRecord& record = outcome_.record;
        const Robot& robot = *robots_[i];
        EndingFacts facts;
        for (const FinalState& f : record.final_states)
            if (f.name == name) facts.state = &f;
        facts.won = record.winner && *record.winner == name;
        facts.last_turn = record.last_turn;
        facts.game_end_reason = record.reason;
        facts.reports = ReadErrorReports(ReadTail(RobotLog(i), kMaxLogScanBytes));
        DateReports(robot, facts);
        std::error_code ec;
        const bool whole_log = std::filesystem::file_size(RobotLog(i), ec) <= static_cast<std::uintmax_t>(kMaxLogScanBytes);
        AttachErrorLines(facts.reports, ReadErrorLines(ReadAll(RobotErrorLines(i))), whole_log || ec);
        if (robot.process.Exited()) facts.wait_status = robot.process.Status();
        facts.stopped = robot.stopped;
        auto times = record.turn_times.find(name);
        if (times != record.turn_times.end()) facts.turn_times = times->second;
        RobotEnding ending = DecideEnding(facts);
        bool explained = ending.kind == RobotEnding::Kind::kSignal || ending.number != 0 || robot.stopped != StopCause::kNone;
        if (facts.wait_status && *facts.wait_status != 0 && !explained)
            outcome_.notes.push_back("robot " + name + " " + DescribeStatus(*facts.wait_status) + RobotHint(i));
        outcome_.endings[name] = ending;
        outcome_.reports[name] = std::move(facts.reports);
    }

    const GameSetup& setup_;
    GameOutcome outcome_;
    std::ofstream server_log_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<LineReader> server_err_;
    std::vector<std::unique_ptr<Robot>> robots_;
    std::uint32_t address_ = 0;
    bool has_address_ = false;
    bool listening_ = false;
    std::int64_t game_ = 0;
    TurnFollower turns_;  // the game log, read when a robot asks its question
    std::set<std::string> joined_;
    bool started_ = false;
    bool ended_ = false;
    Clock::time_point game_deadline_;
};

}  // namespace

GameOutcome RunGame(const GameSetup& setup) { return GameRun(setup).Run(); }

std::string RobotLogName(const std::string& name) { return "robot-" + name + ".log"; }

std::string RobotErrorLinesName(const std::string& name) { return "robot-" + name + ".error-lines"; }

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
