// Runs a program in the background while a test talks to it or to others: its standard error
// is read line by line as it comes, its standard output goes to a file, its input is closed.
#ifndef TESTS_SUPPORT_BACKGROUND_PROGRAM_H
#define TESTS_SUPPORT_BACKGROUND_PROGRAM_H

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A child process with standard input at end of file, standard output written to a file and
// standard error on a pipe. Every wait has a time limit; a program still running when the
// object goes is killed.
class BackgroundProgram {
public:
    BackgroundProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::string& out_path);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Reads standard error up to the first line that begins with prefix, after the time a
    // server log line begins with, and returns that line without its time; "" when the
    // program closed its standard error or the time ran out first.
    std::string AwaitErrLine(const std::string& prefix, std::chrono::milliseconds timeout);
    // Waits for the program to end, reading its standard error meanwhile so that it never
    // blocks on a full pipe. False when it was still running at the time limit.
    bool WaitExit(std::chrono::milliseconds timeout);
    void Signal(int signal);

    bool Exited() const { return exited_; }  // ended through exit(): ExitStatus is valid
    int ExitStatus() const { return status_; }
    int TermSignal() const { return term_signal_; }
    // Everything read from standard error so far.
    const std::string& Err() const { return err_; }

private:
    bool ReadErr(int timeout_ms);
    void Reap(int wait_status);

    pid_t pid_ = -1;
    int err_fd_ = -1;
    int pid_fd_ = -1;
    std::string err_;
    std::size_t err_pos_ = 0;  // start of the first line not yet taken by AwaitErrLine
    bool exited_ = false;
    int status_ = -1;
    int term_signal_ = 0;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadWholeFile(const std::string& path);

#endif
