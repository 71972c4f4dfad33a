// The gameserver program as operators run it: its stderr lines, the log file written while it
// runs, clean exit on SIGINT and SIGTERM, and the exit status of bad command lines.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "protocol/server_log.h"
#include "scratch_dir.h"

extern char** environ;

namespace {

constexpr int kTimeoutMs = 10000;  // a test fails rather than waits longer
constexpr char kHost[] = "127.0.30.10";

// Reads LF-terminated lines from a descriptor with a timeout.
class LineReader {
public:
    void Attach(int fd) { fd_ = fd; }
    // The next line; false on EOF or timeout.
    bool Next(std::string& line) {
        std::size_t lf;
        while ((lf = buffer_.find('\n')) == std::string::npos) {
            if (Fill() != Got::kData) return false;
        }
        line = buffer_.substr(0, lf);
        buffer_.erase(0, lf + 1);
        return true;
    }
    // Reads and drops everything up to EOF; false on timeout.
    bool SkipToEnd() {
        Got got;
        while ((got = Fill()) == Got::kData) buffer_.clear();
        return got == Got::kEnd;
    }

private:
    enum class Got { kData, kEnd, kTimeout };
    Got Fill() {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, kTimeoutMs) <= 0) return Got::kTimeout;
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) return Got::kEnd;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return Got::kData;
    }

    int fd_ = -1;
    std::string buffer_;
};

// A gameserver child process with its standard output and error on pipes.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> args) {
        // Its own state folder, so that game numbers begin at 1.
        if (std::find(args.begin(), args.end(), "--state-dir") == args.end())
            args.insert(args.begin(), {"--state-dir", state_.path()});
        args.insert(args.begin(), GAMESERVER_BINARY);
        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) ADD_FAILURE() << "pipe failed";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_fd_ = out[0];
        err_fd_ = err[0];
        out_.Attach(out_fd_);
        err_.Attach(err_fd_);
    }
    ~ServerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_fd_);
        ::close(err_fd_);
    }
    LineReader& Err() { return err_; }
    LineReader& Out() { return out_; }
    void Signal(int signal) { ::kill(pid_, signal); }
    // Waits for the program to close its stderr (it has exited), then returns its exit status.
    int Wait() {
        if (!err_.SkipToEnd()) return -1;  // the destructor kills it
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // Reads stderr up to the "listening on" line and returns the port, or 0.
    int WaitListening() {
        std::string line;
        while (err_.Next(line)) {
            const std::string prefix = std::string("listening on ") + kHost + ":";
            line = std::string(protocol::server_log::WithoutTime(line));
            if (line.rfind(prefix, 0) == 0) return std::atoi(line.c_str() + prefix.size());
        }
        return 0;
    }

private:
    ScratchDir state_{"gameserver_state"};
    pid_t pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    LineReader out_;
    LineReader err_;
};

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, kHost, &addr.sin_addr);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0)
        << std::strerror(errno);
    return fd;
}

std::string FirstLineOf(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

class GameserverProgram : public ::testing::TestWithParam<int> {
protected:
    std::string log_path_ =
        ::testing::TempDir() + "gameserver_program_" + std::to_string(::getpid()) + ".jsonl";
    void TearDown() override { std::remove(log_path_.c_str()); }
};

TEST_P(GameserverProgram, ServesLogsAndExitsCleanlyOnSignal) {
    // No drain time: SIGTERM ends the running game at once, as SIGINT does.
    ServerProcess server({"--host", kHost, "--port", "0", "--seed", "42", "--log", log_path_,
                          "--drain-timeout", "0"});
    const int port = server.WaitListening();
    ASSERT_GT(port, 0);
    const int fd = Connect(port);
    LineReader client;
    client.Attach(fd);
    std::string line;
    ASSERT_TRUE(server.Err().Next(line));
    const std::size_t time = protocol::server_log::TimePrefixLength(line);
    EXPECT_GT(time, 0u) << line;
    const std::string connected = "client 1 connected from ";
    EXPECT_EQ(line.compare(time, connected.size(), connected), 0) << line;

    const std::string commands = "alice\n.create\nstart\n";
    ASSERT_EQ(::send(fd, commands.data(), commands.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(commands.size()));
    for (const char* expected :
         {"ok: welcome, alice", "alice has created the game #1", "& START"}) {
        ASSERT_TRUE(client.Next(line));
        EXPECT_EQ(line, expected);
    }
    // The log line is on disk while the server still runs.
    EXPECT_EQ(FirstLineOf(log_path_),
              R"({"event":"start","game":1,"seed":42,"max_turns":100,"players":["alice"]})");

    server.Signal(GetParam());
    EXPECT_EQ(server.Wait(), 0);
    // The game cut short is over for its player, who is told so before the connection closes.
    ASSERT_TRUE(client.Next(line));
    EXPECT_EQ(line.rfind("# You are a bankrupt, the game is over (ended as the server stop", 0), 0u)
        << line;
    EXPECT_FALSE(client.Next(line));  // the connection was closed
    ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(StopSignals, GameserverProgram, ::testing::Values(SIGINT, SIGTERM));

struct FailedStart {
    std::vector<std::string> args;
    std::string message;  // the first line on standard error
    int status;
};

TEST(GameserverCommandLine, FailedStartSaysWhyWithItsStatus) {
    const FailedStart cases[] = {
        {{"--max-players", "102"},
         "gameserver: bad value for --max-players: '102' (expected a number from 1 to 101)",
         2},
        {{"--bogus"}, "gameserver: unknown option: --bogus", 2},
        {{"--host", kHost, "--port", "0", "--log", "/nonexistent-dir/x.jsonl"},
         "gameserver: cannot open log file /nonexistent-dir/x.jsonl: No such file or directory",
         1},
    };
    for (const FailedStart& c : cases) {
        SCOPED_TRACE(c.message);
        ServerProcess server(c.args);
        std::string line;
        ASSERT_TRUE(server.Err().Next(line));
        EXPECT_EQ(line, c.message);
        EXPECT_EQ(server.Wait(), c.status);
    }
}

TEST(GameserverCommandLine, HelpGoesToStandardOutput) {
    ServerProcess server({"--help"});
    std::string line;
    ASSERT_TRUE(server.Out().Next(line));
    EXPECT_EQ(line.rfind("usage: gameserver", 0), 0u);
    EXPECT_EQ(server.Wait(), 0);
}

TEST(GameserverCommandLine, PortInUseFailsWithStatus1) {
    ServerProcess holder({"--host", kHost, "--port", "0"});
    const int port = holder.WaitListening();
    ASSERT_GT(port, 0);
    ServerProcess second({"--host", kHost, "--port", std::to_string(port)});
    std::string line;
    ASSERT_TRUE(second.Err().Next(line));
    EXPECT_EQ(
        line.rfind(
            "gameserver: cannot listen on " + std::string(kHost) + ":" + std::to_string(port), 0),
        0u)
        << line;
    EXPECT_EQ(second.Wait(), 1);
}

}  // namespace
