// A scripted TCP peer for tests of the game client: it plays the server's side of a
// conversation in a background thread and records everything the client sent.
#ifndef TESTS_SUPPORT_FAKE_PEER_H
#define TESTS_SUPPORT_FAKE_PEER_H

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Listens on a loopback address, accepts a client and plays a script of steps: send bytes
// (in chosen segments), expect a line from the client, close, take the next connection. Every
// wait has a timeout that fails the script instead of hanging the test.
class FakePeer {
public:
    static constexpr int kRobotPort = 4774;  // the port the robot program always uses

    // Listens at once, so a client may connect before Start. Port 0 picks an ephemeral port.
    explicit FakePeer(const std::string& address = "127.0.20.1", int port = 0);
    ~FakePeer();
    FakePeer(const FakePeer&) = delete;
    FakePeer& operator=(const FakePeer&) = delete;

    // Script steps, played in order once Start has been called.
    FakePeer& Send(const std::string& bytes);
    // Each segment goes out in its own write, with a short pause in between so that the
    // client is likely to receive them apart (tests must not depend on it).
    FakePeer& SendSegments(const std::vector<std::string>& segments);
    // The next line the client sends (without its line feed) must equal line.
    FakePeer& Expect(const std::string& line);
    // Skips the client's lines until one equals line.
    FakePeer& AwaitLine(const std::string& line);
    // Closes the connection to the client.
    FakePeer& Close();
    // Closes the connection to the client and accepts the next one, as a client that plays
    // one game after another connects anew for each. What it sends joins Received().
    FakePeer& AcceptNext();
    // Closes the listening socket: later connections are refused.
    FakePeer& StopListening();
    // Runs an action of the test at this point of the conversation (the peer's thread).
    FakePeer& Do(std::function<void()> action);

    void Start();
    // Waits for the script to end (at most the timeout per step), keeps anything the client
    // sent meanwhile and closes the connection. Returns "" or what went wrong.
    std::string Finish();

    // Everything received from the client so far.
    std::string Received() const;
    const std::string& Address() const { return address_; }
    int Port() const { return port_; }
    void SetStepTimeout(std::chrono::milliseconds timeout) { step_timeout_ = timeout; }

private:
    using Step = std::function<bool(FakePeer&)>;

    void Play();
    bool Accept();
    bool WriteAll(const std::string& bytes);
    // Next complete line from the client, or false on timeout or closed connection.
    bool NextLine(std::string& line);
    bool ReceiveSome(std::chrono::steady_clock::time_point deadline);
    void Fail(const std::string& why);
    void DrainWithoutWaiting();

    std::string address_;
    int port_ = 0;
    int listen_fd_ = -1;
    int client_fd_ = -1;
    std::chrono::milliseconds step_timeout_{10000};
    std::vector<Step> steps_;
    std::thread thread_;
    bool finished_ = false;

    mutable std::mutex mutex_;
    std::string received_;
    std::size_t line_pos_ = 0;  // start of the first line not yet taken by Expect/AwaitLine
    std::string failure_;
    bool finish_requested_ = false;
    std::condition_variable finish_cv_;
};

// Builds the server's side of whole games on a FakePeer, in the order the client talks.
namespace game_script {

struct PlayerState {
    std::string name;
    int raw, prod, money, fabrics, auto_plants;
};

struct MarketState {
    int raw, min_raw_price, prod, max_prod_price;
};

enum class Ending { kGoOn, kBankrupt, kWin };

// The client's name line, "Hi!" and ".who".
void Introduction(FakePeer& peer, const std::string& name);
// A games list naming a waiting game; the client joins it; the game starts.
void JoinListedGame(FakePeer& peer, int game);
// A games list without a waiting game; the client creates one, the joiners join and the
// client starts the game.
void CreateGame(FakePeer& peer, const std::string& name, int game,
                const std::vector<std::string>& joiners);
// "& INFO" lines for the players and the closing "& PLAYERS" with their count.
std::string InfoReply(const std::vector<PlayerState>& players);
// Replies to the client's "market" and "info" requests of one turn.
void TurnStart(FakePeer& peer, const MarketState& market, const std::vector<PlayerState>& players);
// The end of the turn and the reply to the client's following "info".
void EndTurn(FakePeer& peer, Ending end, const std::vector<PlayerState>& players);

}  // namespace game_script

#endif
