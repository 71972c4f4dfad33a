// A child program started with posix_spawn and followed through a pidfd and a stderr pipe, so
// that a test can wait for its lines or its end without sleeping.
#include "background_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "protocol/server_log.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

BackgroundProgram::BackgroundProgram(const std::string& path, const std::vector<std::string>& args,
                                     const std::string& out_path) {
    // Close-on-exec on both ends: a program started later must not hold this pipe open.
    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0) return;
    std::vector<std::string> words{path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    err_fd_ = err[0];
    if (pid_ > 0) pid_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
}

BackgroundProgram::~BackgroundProgram() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (pid_fd_ >= 0) close(pid_fd_);
    if (err_fd_ >= 0) close(err_fd_);
}

// Appends what standard error has, waiting at most timeout_ms for it; false at its end or
// when nothing came in time.
bool BackgroundProgram::ReadErr(int timeout_ms) {
    if (err_fd_ < 0) return false;
    pollfd ready{err_fd_, POLLIN, 0};
    int n = poll(&ready, 1, timeout_ms);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    char chunk[4096];
    ssize_t got = read(err_fd_, chunk, sizeof chunk);
    if (got <= 0) {
        close(err_fd_);
        err_fd_ = -1;
        return false;
    }
    err_.append(chunk, static_cast<std::size_t>(got));
    return true;
}

std::string BackgroundProgram::AwaitErrLine(const std::string& prefix,
                                            std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        std::size_t end;
        while ((end = err_.find('\n', err_pos_)) != std::string::npos) {
            std::string line(protocol::server_log::WithoutTime(
                std::string_view(err_).substr(err_pos_, end - err_pos_)));
            err_pos_ = end + 1;
            if (line.compare(0, prefix.size(), prefix) == 0) return line;
        }
        if (!ReadErr(MillisecondsLeft(deadline))) return "";
    }
}

bool BackgroundProgram::WaitExit(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return true;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        int left = MillisecondsLeft(deadline);
        pollfd fds[2] = {{pid_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
        int n = poll(fds, 2, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (fds[1].revents != 0) ReadErr(0);
        if (fds[0].revents != 0) break;
    }
    int wait_status = 0;
    while (waitpid(pid_, &wait_status, 0) < 0 && errno == EINTR) {
    }
    Reap(wait_status);
    while (ReadErr(MillisecondsLeft(deadline))) {
    }
    return true;
}

void BackgroundProgram::Reap(int wait_status) {
    pid_ = -1;
    if (WIFEXITED(wait_status)) {
        exited_ = true;
        status_ = WEXITSTATUS(wait_status);
    } else if (WIFSIGNALED(wait_status)) {
        term_signal_ = WTERMSIG(wait_status);
    }
}

void BackgroundProgram::Signal(int signal) {
    if (pid_ > 0) kill(pid_, signal);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}
