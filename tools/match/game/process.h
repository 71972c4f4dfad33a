// Child processes of a match (the server and the robots) and the pipe that carries the server's events.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace match {

using Clock = std::chrono::steady_clock;

// Asks every running game to give up and clean up (called from signal handlers: async-signal-safe).
void RequestStop();
bool StopRequested();

// How a child ended, in words for the user ("exited with status 3", "killed by signal 9").
std::string DescribeStatus(int wait_status);

// One started program. Its standard input is /dev/null unless the caller answers its questions,
// so a program that asks reads end of input instead of waiting for an answer that never comes.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Stops the child (SIGKILL) if it still runs, so no process outlives the match.
    ~ChildProcess();

    // Starts argv[0] with stdout appended to `log_path`; stderr goes to `stderr_fd` when it is not
    // -1, else to the log as well; stdin comes from `stdin_fd` when it is not -1, else from
    // /dev/null. `environment` holds NAME=VALUE entries the child gets on top of the match's own.
    // Returns an error message, empty on success.
    std::string Start(const std::vector<std::string>& argv, const std::string& log_path, int stderr_fd = -1,
                      int stdin_fd = -1, const std::vector<std::string>& environment = {});

    bool Started() const { return pid_ > 0; }
    bool Exited() const { return status_.has_value(); }
    int Status() const { return status_.value_or(0); }
    // Collects the exit status without blocking; true once the child has ended.
    bool Poll();
    void Signal(int signo);
    // Waits until the child has ended or `deadline` has passed; true when it has ended.
    bool WaitUntil(Clock::time_point deadline);
    // SIGTERM, a grace period, then SIGKILL; always reaps the child.
    void Stop(std::chrono::milliseconds grace);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Reads a non-blocking pipe and hands out complete lines.
class LineReader {
public:
    LineReader() = default;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();

    // Creates the pipe; returns its write end for the child (close it with CloseWriteEnd after starting).
    int OpenPipe();
    void CloseWriteEnd();
    int fd() const { return read_fd_; }
    // Waits up to `timeout` for data and reads what is there; false once the writer has closed the pipe.
    bool Fill(std::chrono::milliseconds timeout);
    // The next complete line (without its LF), if one has arrived.
    std::optional<std::string> NextLine();
    // What is left after the writer has closed: the last line even without its LF.
    std::optional<std::string> Rest();

private:
    int read_fd_ = -1;
    int write_fd_ = -1;
    bool eof_ = false;
    std::string buffer_;
};

}  // namespace match
