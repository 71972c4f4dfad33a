// Console helpers for the game client's tests: capture what the code prints on standard
// output and feed the answers to its error prompts on standard input.
#ifndef TESTS_UNIT_CLIENT_CONSOLE_H
#define TESTS_UNIT_CLIENT_CONSOLE_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// Redirects standard output into a temporary file from construction until Text() or the end
// of its life.
class CapturedStdout {
public:
    CapturedStdout() {
        std::fflush(stdout);
        char path[] = "/tmp/client_stdout_XXXXXX";
        fd_ = mkstemp(path);
        path_ = path;
        saved_ = dup(STDOUT_FILENO);
        dup2(fd_, STDOUT_FILENO);
    }
    ~CapturedStdout() {
        Restore();
        unlink(path_.c_str());
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    // Everything printed since construction; output goes to the terminal again afterwards.
    std::string Text() {
        Restore();
        std::ifstream in(path_);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        close(fd_);
        saved_ = -1;
    }

    int fd_ = -1;
    int saved_ = -1;
    std::string path_;
};

// Makes standard input read the given answers (one per line); after them it is at its end,
// so a further prompt ends the process instead of waiting for a user.
inline void AnswerPrompts(const std::string& answers) {
    char path[] = "/tmp/client_stdin_XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) std::abort();
    if (write(fd, answers.data(), answers.size()) != static_cast<ssize_t>(answers.size()))
        std::abort();
    close(fd);
    if (std::freopen(path, "r", stdin) == nullptr) std::abort();
    unlink(path);
}

#endif
