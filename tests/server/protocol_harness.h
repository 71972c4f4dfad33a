// Test harness for the server's protocol: an in-process server (core and event loop on a thread)
// on a loopback address, and raw line clients that talk to it with timeouts instead of sleeps.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server/core.h"
#include "server/net.h"

namespace gs_test {

constexpr int kTimeoutMs = 10000;  // a test fails rather than waits longer for any answer

// The most the kernel may buffer for one TCP sender (the last field of tcp_wmem).
std::size_t KernelSendBufferMax();

// A gameserver running in this process until the object goes away.
class ServerUnderTest {
public:
    // events: where the human log goes (read it only after StopAndTurnTimes), or nullptr.
    explicit ServerUnderTest(const std::string& host, gs::CoreOptions core = {},
                             int max_clients = 1024, bool time_turns = false,
                             int max_per_address = gs::NetConfig{}.max_per_address,
                             std::ostream* events = nullptr);
    ~ServerUnderTest();
    const std::string& host() const { return host_; }
    int port() const { return net_.Port(); }
    // Stops the server, then hands out its turn timing (kept with time_turns).
    const gs::LatencyHistogram& StopAndTurnTimes();

private:
    std::string host_;
    gs::NetServer net_;
    std::unique_ptr<gs::ServerCore> core_;
    std::thread loop_;
};

// One raw TCP client: writes bytes, reads LF-terminated lines.
class LineClient {
public:
    LineClient(const std::string& host, int port, int receive_buffer_bytes = 0);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    // Writes all of text; false if the server has closed the connection.
    bool Send(const std::string& text);
    bool SendLine(const std::string& line) { return Send(line + "\n"); }
    // The next line, without its LF; records a test failure and returns "<none>" on timeout or EOF.
    std::string ReadLine();
    std::vector<std::string> ReadLines(int count);
    // Lines up to and including the first one that starts with prefix.
    std::vector<std::string> ReadUntil(const std::string& prefix);
    // Every line until the server closes the connection; records a failure on timeout.
    std::vector<std::string> ReadUntilClosed();
    // True once the server has closed the connection (reads and discards what comes before).
    bool WaitClosed();
    void ShutdownWrite();
    std::size_t BytesRead() const { return bytes_read_; }
    int fd() const { return fd_; }  // for a test that polls many clients at once

private:
    enum class Fill { kData, kClosed, kTimeout };
    Fill FillBuffer();

    int fd_ = -1;
    std::string buffer_;
    std::size_t bytes_read_ = 0;
};

// A client that has sent its name and been welcomed.
std::unique_ptr<LineClient> LogIn(const ServerUnderTest& server, const std::string& name);

}  // namespace gs_test
