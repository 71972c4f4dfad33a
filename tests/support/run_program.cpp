// Runs a child program with pipes for its standard streams and a time limit.
#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// A pipe whose ends are closed when it goes out of scope.
struct Pipe {
    int fd[2] = {-1, -1};
    bool Open() { return pipe2(fd, O_CLOEXEC) == 0; }
    void Close(int end) {
        if (fd[end] >= 0) close(fd[end]);
        fd[end] = -1;
    }
    ~Pipe() {
        Close(0);
        Close(1);
    }
};

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void StartChild(const ProgramRun& run, char* const* argv, Pipe& in, Pipe& out,
                             Pipe& err) {
    dup2(in.fd[0], STDIN_FILENO);
    dup2(out.fd[1], STDOUT_FILENO);
    dup2(err.fd[1], STDERR_FILENO);
    if (!run.dir.empty() && chdir(run.dir.c_str()) != 0) _exit(127);
    execv(run.path.c_str(), argv);
    _exit(127);
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Moves data between the child's pipes until both output pipes are closed or time is up.
bool Pump(const std::string& input, Pipe& in, Pipe& out, Pipe& err, ProgramResult& result,
          Clock::time_point deadline) {
    size_t written = 0;
    if (input.empty()) in.Close(1);
    while (out.fd[0] >= 0 || err.fd[0] >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd fds[3] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}, {in.fd[1], POLLOUT, 0}};
        int ready = poll(fds, 3, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        Pipe* readers[2] = {&out, &err};
        std::string* sinks[2] = {&result.out, &result.err};
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char chunk[4096];
            ssize_t n = read(readers[i]->fd[0], chunk, sizeof chunk);
            if (n > 0) sinks[i]->append(chunk, static_cast<size_t>(n));
            else if (n == 0 || errno != EAGAIN) readers[i]->Close(0);
        }
        if (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) {
            ssize_t n = write(in.fd[1], input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<size_t>(n);
            if ((n < 0 && errno != EAGAIN) || written == input.size()) in.Close(1);
        }
    }
    return true;
}

// Waits for the child to end until the deadline, then kills it: a child that closed its
// output but keeps running must not hang the test.
void Reap(pid_t pid, ProgramResult& result, Clock::time_point deadline) {
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd fd = {pidfd, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            result.timed_out = true;
            kill(pid, SIGKILL);
        }
        close(pidfd);
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus)) {
        result.exited = true;
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
}

}  // namespace

ProgramResult RunProgram(const ProgramRun& run) {
    // A child that stops reading its input must not kill the test with SIGPIPE.
    static const bool sigpipe_ignored = (signal(SIGPIPE, SIG_IGN), true);
    (void)sigpipe_ignored;

    ProgramResult result;
    std::vector<std::string> words;
    words.push_back(run.path);
    words.insert(words.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);

    Pipe in, out, err;
    if (!in.Open() || !out.Open() || !err.Open()) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    auto deadline = Clock::now() + run.timeout;
    pid_t pid = fork();
    if (pid < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    if (pid == 0) StartChild(run, argv.data(), in, out, err);
    in.Close(0);
    out.Close(1);
    err.Close(1);
    SetNonBlocking(in.fd[1]);
    SetNonBlocking(out.fd[0]);
    SetNonBlocking(err.fd[0]);
    if (!Pump(run.input, in, out, err, result, deadline)) {
        result.timed_out = true;
        kill(pid, SIGKILL);
    }
    in.Close(1);
    Reap(pid, result, deadline);
    return result;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const std::string& input, std::chrono::milliseconds timeout) {
    ProgramRun run;
    run.path = path;
    run.args = args;
    run.input = input;
    run.timeout = timeout;
    return RunProgram(run);
}
