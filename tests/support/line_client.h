// A TCP client of a game server's port for end-to-end tests: it connects from a chosen loopback
// address, sends lines, and reads whole lines with a time limit, so that a hung server fails a
// test instead of hanging it.
#ifndef TESTS_SUPPORT_LINE_CLIENT_H
#define TESTS_SUPPORT_LINE_CLIENT_H

#include <chrono>
#include <string>

class LineClient {
public:
    // Connects from source to server:port; a failure is a test failure, and later reads give
    // "<closed>".
    LineClient(const std::string& server, int port, const std::string& source,
               std::chrono::milliseconds wait);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    // Sends line and its LF; false when the connection no longer takes it.
    bool Say(const std::string& line);
    // The next line, or "<closed>" at end of stream, or "<timeout>".
    std::string Next();
    // Skips lines up to one that begins with prefix; returns it, or "<closed>"/"<timeout>".
    std::string Await(const std::string& prefix);

private:
    int fd_ = -1;
    std::chrono::milliseconds wait_;
    std::string buffer_;
};

#endif
