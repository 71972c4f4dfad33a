// Starts programs with posix_spawn (safe while other games run in threads) and watches them.
#include "match/game/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace match {
namespace {

std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");

// The match's environment with `entries` (NAME=VALUE) in place of any of the same names.
std::vector<char*> ChildEnvironment(const std::vector<std::string>& entries) {
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const std::string& entry : entries) {
            size_t name_end = entry.find('=');  // the '=' is compared too: "A=" is not "AB="
            replaced = replaced ||
                       (name_end != std::string::npos && std::strncmp(*e, entry.c_str(), name_end + 1) == 0);
        }
        if (!replaced) env.push_back(*e);
    }
    for (const std::string& entry : entries) env.push_back(const_cast<char*>(entry.c_str()));
    env.push_back(nullptr);
    return env;
}

}  // namespace

void RequestStop() { stop_requested.store(true); }

bool StopRequested() { return stop_requested.load(); }

std::string DescribeStatus(int wait_status) {
    if (WIFEXITED(wait_status)) return "exited with status " + std::to_string(WEXITSTATUS(wait_status));
    if (WIFSIGNALED(wait_status)) return "killed by signal " + std::to_string(WTERMSIG(wait_status));
    return "ended (status " + std::to_string(wait_status) + ")";
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        int st = 0;
        waitpid(pid_, &st, 0);
    }
}

std::string ChildProcess::Start(const std::vector<std::string>& argv, const std::string& log_path, int stderr_fd,
                                int stdin_fd, const std::vector<std::string>& environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdin_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdin_fd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (stderr_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stderr_fd, 2);
    else
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // Children stay in our process group, so Ctrl-C stops the whole match at once.
    // A bare program name is looked up in PATH, as a shell would.
    bool bare = argv[0].find('/') == std::string::npos;
    std::vector<char*> env = ChildEnvironment(environment);
    int rc = bare ? posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), env.data())
                  : posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        return "cannot start " + argv[0] + ": " + std::strerror(rc);
    }
    return std::string();
}

bool ChildProcess::Poll() {
    if (status_) return true;
    if (pid_ <= 0) return false;
    int st = 0;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) status_ = st;
    return status_.has_value();
}

void ChildProcess::Signal(int signo) {
    if (pid_ > 0 && !Poll()) kill(pid_, signo);
}

bool ChildProcess::WaitUntil(Clock::time_point deadline) {
    // A child's end wakes no descriptor we could poll; check at a short, steady interval.
    for (;;) {
        if (Poll()) return true;
        if (pid_ <= 0 || Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (pid_ <= 0 || Poll()) return;
    Signal(SIGTERM);
    if (WaitUntil(Clock::now() + grace)) return;
    kill(pid_, SIGKILL);
    int st = 0;
    if (waitpid(pid_, &st, 0) == pid_) status_ = st;
}

LineReader::~LineReader() {
    CloseWriteEnd();
    if (read_fd_ >= 0) close(read_fd_);
}

int LineReader::OpenPipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    fcntl(read_fd_, F_SETFL, fcntl(read_fd_, F_GETFL) | O_NONBLOCK);
    return write_fd_;
}

void LineReader::CloseWriteEnd() {
    if (write_fd_ >= 0) close(write_fd_);
    write_fd_ = -1;
}

bool LineReader::Fill(std::chrono::milliseconds timeout) {
    if (eof_ || read_fd_ < 0) return false;
    pollfd p{read_fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return true;
    char chunk[4096];
    for (;;) {
        ssize_t n = read(read_fd_, chunk, sizeof chunk);
        if (n > 0) {
            buffer_.append(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n == 0) eof_ = true;
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    return !eof_;
}

std::optional<std::string> LineReader::NextLine() {
    size_t lf = buffer_.find('\n');
    if (lf == std::string::npos) return std::nullopt;
    std::string line = buffer_.substr(0, lf);
    buffer_.erase(0, lf + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> LineReader::Rest() {
    if (!eof_ || buffer_.empty()) return std::nullopt;
    std::string rest;
    rest.swap(buffer_);
    return rest;
}

}  // namespace match
