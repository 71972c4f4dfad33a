// The scripted TCP peer: a listening loopback socket, one accepted client and a background
// thread that plays the script's steps against it.
#include "fake_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::chrono::milliseconds kSegmentPause{20};  // between segments of one send

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

FakePeer::FakePeer(const std::string& address, int port) : address_(address) {
    // Close-on-exec: a program the test starts must not keep the peer's sockets open.
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) throw std::runtime_error("fake peer: no socket");
    int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_aton(address.c_str(), &addr.sin_addr) == 0 ||
        bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(listen_fd_, 4) != 0) {
        close(listen_fd_);
        throw std::runtime_error("fake peer: cannot listen on " + address + ":" +
                                 std::to_string(port) + ": " + std::strerror(errno));
    }
    socklen_t len = sizeof(addr);
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

FakePeer::~FakePeer() {
    Finish();
    if (listen_fd_ >= 0) close(listen_fd_);
}

FakePeer& FakePeer::Send(const std::string& bytes) {
    steps_.push_back([bytes](FakePeer& peer) { return peer.WriteAll(bytes); });
    return *this;
}

FakePeer& FakePeer::SendSegments(const std::vector<std::string>& segments) {
    steps_.push_back([segments](FakePeer& peer) {
        for (std::size_t i = 0; i < segments.size(); ++i) {
            if (i > 0) std::this_thread::sleep_for(kSegmentPause);
            if (!peer.WriteAll(segments[i])) return false;
        }
        return true;
    });
    return *this;
}

FakePeer& FakePeer::Expect(const std::string& line) {
    steps_.push_back([line](FakePeer& peer) {
        std::string got;
        if (!peer.NextLine(got)) {
            peer.Fail("expected line \"" + line + "\", got nothing");
            return false;
        }
        if (got == line) return true;
        peer.Fail("expected line \"" + line + "\", got \"" + got + "\"");
        return false;
    });
    return *this;
}

FakePeer& FakePeer::AwaitLine(const std::string& line) {
    steps_.push_back([line](FakePeer& peer) {
        std::string got;
        while (peer.NextLine(got))
            if (got == line) return true;
        peer.Fail("awaited line \"" + line + "\" never came");
        return false;
    });
    return *this;
}

FakePeer& FakePeer::Close() {
    steps_.push_back([](FakePeer& peer) {
        if (peer.client_fd_ >= 0) close(peer.client_fd_);
        peer.client_fd_ = -1;
        return true;
    });
    return *this;
}

FakePeer& FakePeer::AcceptNext() {
    steps_.push_back([](FakePeer& peer) {
        peer.DrainWithoutWaiting();
        if (peer.client_fd_ >= 0) close(peer.client_fd_);
        peer.client_fd_ = -1;
        return peer.Accept();
    });
    return *this;
}

FakePeer& FakePeer::StopListening() {
    steps_.push_back([](FakePeer& peer) {
        if (peer.listen_fd_ >= 0) close(peer.listen_fd_);
        peer.listen_fd_ = -1;
        return true;
    });
    return *this;
}

FakePeer& FakePeer::Do(std::function<void()> action) {
    steps_.push_back([action](FakePeer&) {
        action();
        return true;
    });
    return *this;
}

void FakePeer::Start() {
    thread_ = std::thread([this] { Play(); });
}

// After a failed step, or when the test has not finished within a step's timeout after the
// last step, the connection is shut down: a client blocked on it then fails instead of
// hanging the test.
void FakePeer::Play() {
    if (!Accept()) return;
    for (auto& step : steps_) {
        if (!step(*this)) {
            if (client_fd_ >= 0) shutdown(client_fd_, SHUT_RDWR);
            return;
        }
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (!finish_cv_.wait_for(lock, step_timeout_, [this] { return finish_requested_; })) {
        if (failure_.empty()) failure_ = "the client kept the connection past the timeout";
        if (client_fd_ >= 0) shutdown(client_fd_, SHUT_RDWR);
    }
}

bool FakePeer::Accept() {
    pollfd p{listen_fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(step_timeout_.count())) <= 0) {
        Fail("no client connected");
        return false;
    }
    client_fd_ = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client_fd_ < 0) {
        Fail("accept failed");
        return false;
    }
    int one = 1;
    setsockopt(client_fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return true;
}

bool FakePeer::WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(client_fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("the client closed the connection before the peer could send");
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FakePeer::ReceiveSome(std::chrono::steady_clock::time_point deadline) {
    pollfd p{client_fd_, POLLIN, 0};
    if (client_fd_ < 0 || poll(&p, 1, MillisecondsLeft(deadline)) <= 0) return false;
    char chunk[4096];
    ssize_t n = recv(client_fd_, chunk, sizeof(chunk), 0);
    if (n <= 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    received_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

bool FakePeer::NextLine(std::string& line) {
    auto deadline = std::chrono::steady_clock::now() + step_timeout_;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            std::size_t end = received_.find('\n', line_pos_);
            if (end != std::string::npos) {
                line = received_.substr(line_pos_, end - line_pos_);
                line_pos_ = end + 1;
                return true;
            }
        }
        if (!ReceiveSome(deadline)) return false;
    }
}

void FakePeer::Fail(const std::string& why) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_.empty()) failure_ = why;
}

void FakePeer::DrainWithoutWaiting() {
    if (client_fd_ < 0) return;
    char chunk[4096];
    ssize_t n;
    while ((n = recv(client_fd_, chunk, sizeof(chunk), MSG_DONTWAIT)) > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string FakePeer::Finish() {
    if (!finished_) {
        finished_ = true;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finish_requested_ = true;
        }
        finish_cv_.notify_all();
        if (thread_.joinable()) thread_.join();
        DrainWithoutWaiting();
        if (client_fd_ >= 0) close(client_fd_);
        client_fd_ = -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

std::string FakePeer::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

namespace game_script {

void Introduction(FakePeer& peer, const std::string& name) {
    peer.Expect(name).Expect("Hi!").Expect(".who");
}

void JoinListedGame(FakePeer& peer, int game) {
    const std::string number = std::to_string(game);
    peer.Send("game " + number + " (alice, 1 player) is waiting  #" + number +
              "\n0 games are played\n")
        .Expect(".join " + number)
        .Send("@+ JOIN you\n& START\n");
}

void CreateGame(FakePeer& peer, const std::string& name, int game,
                const std::vector<std::string>& joiners) {
    peer.Send("game 1 is running, turn 14, 3 players\n1 games are played\n")
        .Expect(".create")
        .Send(name + " has created the game #" + std::to_string(game) + "\n");
    for (const auto& joiner : joiners) peer.Send("@+ JOIN " + joiner + "\n");
    peer.Expect("start").Send("& START\n");
}

std::string InfoReply(const std::vector<PlayerState>& players) {
    std::string reply;
    for (const auto& p : players)
        reply += "& INFO " + p.name + " " + std::to_string(p.raw) + " " + std::to_string(p.prod) +
                 " " + std::to_string(p.money) + " " + std::to_string(p.fabrics) + " " +
                 std::to_string(p.auto_plants) + "\n";
    return reply + "& PLAYERS " + std::to_string(players.size()) + "\n";
}

void TurnStart(FakePeer& peer, const MarketState& market, const std::vector<PlayerState>& players) {
    peer.AwaitLine("market")
        .Send("& MARKET " + std::to_string(market.raw) + " " +
              std::to_string(market.min_raw_price) + " " + std::to_string(market.prod) + " " +
              std::to_string(market.max_prod_price) + "\n")
        .AwaitLine("info")
        .Send(InfoReply(players));
}

void EndTurn(FakePeer& peer, Ending end, const std::vector<PlayerState>& players) {
    if (end == Ending::kBankrupt)
        peer.Send("# You are a bankrupt, sorry\n");
    else
        peer.Send("& ENDTURN\n");
    peer.AwaitLine("info");
    if (end == Ending::kWin)
        peer.Send("& YOU_WIN\n");
    else
        peer.Send(InfoReply(players));
}

}  // namespace game_script
