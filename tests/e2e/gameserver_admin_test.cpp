// The gameserver program as an operator stops and steers it: the drain on SIGTERM, a second
// signal, the admin socket's commands through "gameserver admin", and bans across a restart.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "background_program.h"
#include "line_client.h"
#include "run_program.h"
#include "scratch_dir.h"

namespace {

using std::chrono::milliseconds;
constexpr milliseconds kWait{10000};  // a test fails rather than waits longer
constexpr char kServerHost[] = "127.0.66.1";
constexpr char kClientHost[] = "127.0.66.2";  // where the players connect from

// A player on the game port, connecting from the players' address.
class Player : public LineClient {
public:
    explicit Player(int port, const std::string& source = kClientHost)
        : LineClient(kServerHost, port, source, kWait) {}
    void Say(const std::string& line) { EXPECT_TRUE(LineClient::Say(line)) << line; }
};

class GameserverOperator : public ::testing::Test {
protected:
    ScratchDir state_{"gameserver_admin"};
    std::unique_ptr<BackgroundProgram> server_;
    int port_ = 0;

    std::string Log() const { return state_.path() + "/games.jsonl"; }
    std::string Socket() const { return state_.path() + "/admin.sock"; }

    void Start(std::vector<std::string> args) {
        args.insert(args.end(), {"--host", kServerHost, "--port", "0", "--state-dir",
                                 state_.path(), "--log", Log()});
        server_ = std::make_unique<BackgroundProgram>(GAMESERVER_BINARY, args,
                                                      state_.path() + "/out.txt");
        const std::string listening = server_->AwaitErrLine("listening on ", kWait);
        ASSERT_FALSE(listening.empty()) << server_->Err();
        port_ = std::atoi(listening.c_str() + listening.find(':', 13) + 1);
    }
    // ann and bob in a running game; its number goes on from the last server's in the folder.
    void StartGame(Player& ann, Player& bob) {
        ann.Say("ann");
        ann.Say(".create");
        const std::string created = ann.Await("ann has");
        const std::string number = created.substr(created.rfind('#') + 1);
        EXPECT_EQ(created, "ann has created the game #" + number);
        bob.Say("bob");
        bob.Say(".join " + number);
        EXPECT_EQ(bob.Await("ok: you joined"), "ok: you joined game #" + number);
        ann.Say("start");
        EXPECT_EQ(ann.Await("& START"), "& START");
        EXPECT_EQ(bob.Await("& START"), "& START");
    }
    int ExitStatus() {
        EXPECT_TRUE(server_->WaitExit(kWait)) << "the server did not stop";
        return server_->Exited() ? server_->ExitStatus() : -1;
    }
    std::string LastLogLine() const {
        std::ifstream in(Log());
        std::string line, last;
        while (std::getline(in, line)) last = line;
        return last;
    }
    ProgramResult Admin(const std::vector<std::string>& words) {
        std::vector<std::string> args = {"admin", "--state-dir", state_.path()};
        args.insert(args.end(), words.begin(), words.end());
        return RunProgram(GAMESERVER_BINARY, args, "", kWait);
    }
};

constexpr char kNotice[] = "! notice: the server stops after the running games end";

TEST_F(GameserverOperator, DrainLetsTheRunningGameFinishThenExits) {
    Start({"--max-turns", "1", "--drain-timeout", "300"});
    Player ann(port_), bob(port_);
    StartGame(ann, bob);
    server_->Signal(SIGTERM);
    EXPECT_EQ(ann.Await("! notice").rfind(kNotice, 0), 0u);
    EXPECT_EQ(bob.Await("! notice").rfind(kNotice, 0), 0u);
    Player late(port_);
    EXPECT_EQ(late.Next(), "! error: the server is stopping");
    EXPECT_EQ(late.Next(), "<closed>");
    ann.Say("turn");
    bob.Say("turn");
    EXPECT_EQ(ExitStatus(), 0);
    EXPECT_NE(LastLogLine().find(R"("reason":"turn_limit")"), std::string::npos) << LastLogLine();
    struct stat gone {};
    EXPECT_NE(::stat(Socket().c_str(), &gone), 0) << "the admin socket is left behind";
}

// A drain's deadline, and a second signal during a drain, both end the game with an end record
// and a last line to its players.
TEST_F(GameserverOperator, SlowGamesEndAtTheDeadlineOrAtASecondSignal) {
    const struct {
        const char* drain_timeout;
        int second_signal;  // 0: none
        const char* reason;
    } cases[] = {
        {"1", 0, "drain_timeout"},
        {"300", SIGTERM, "server_stopped"},
        {"300", SIGINT, "server_stopped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason + std::string(" ") + std::to_string(c.second_signal));
        Start({"--drain-timeout", c.drain_timeout});
        Player ann(port_), bob(port_);
        StartGame(ann, bob);
        server_->Signal(SIGTERM);
        EXPECT_EQ(ann.Await("! notice").rfind(kNotice, 0), 0u);
        if (c.second_signal) server_->Signal(c.second_signal);
        EXPECT_EQ(ann.Await("# You are a bankrupt, the game is over (ended as the server stop"),
                  std::string("# You are a bankrupt, the game is over (ended as the server ") +
                      (c.second_signal ? "stopped" : "stops") + ", no winner)");
        EXPECT_EQ(ExitStatus(), 0);
        EXPECT_NE(LastLogLine().find(std::string(R"("reason":")") + c.reason + R"(","winner":null)"),
                  std::string::npos)
            << LastLogLine();
    }
}

TEST_F(GameserverOperator, AdminCommands) {
    Start({});
    Player ann(port_), bob(port_), cid(port_);
    StartGame(ann, bob);
    cid.Say("cid");
    EXPECT_EQ(cid.Next(), "ok: welcome, cid");

    const struct {
        std::vector<std::string> command;
        int status;
        std::string out;  // a line the reply must hold, "" for none
        std::string err;  // text standard error must hold, "" for none
    } cases[] = {
        {{"stats"}, 0, "running_games 1", ""},
        {{"clients"}, 0, "1 ann 127.0.66.2:", ""},
        {{"games"}, 0, "1 running 1 ann,bob", ""},
        {{"say", "hello", "all"}, 0, "sent to 3 clients", ""},
        {{"say", "&", "START"}, 1, "", "reserved for robots"},
        {{"kick", "nobody"}, 1, "", "no client named 'nobody'"},
        {{"kick", "cid"}, 0, "kicked cid", ""},
        {{"end", "7"}, 1, "", "no running game 7"},
        {{"end", "1"}, 0, "ended game 1", ""},
        {{"ban", "300.1.1.1"}, 1, "", "not a numeric IPv4 address"},
        {{"ban", "127.0.66.9", "0"}, 1, "", "MINUTES must be"},
        {{"frobnicate"}, 1, "", "unknown command 'frobnicate'"},
        {{}, 2, "", "no command given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.empty() ? "(none)" : c.command[0]);
        const ProgramResult result = Admin(c.command);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
    EXPECT_EQ(cid.Await("! notice from"), "! notice from the operator: hello all");
    EXPECT_EQ(cid.Next(), "! error: you were removed by the operator");
    EXPECT_EQ(ann.Await("# You are"),
              "# You are a bankrupt, the game is over (ended by the operator, no winner)");
    EXPECT_NE(LastLogLine().find(R"("reason":"operator","winner":null)"), std::string::npos);

    EXPECT_EQ(Admin({"drain"}).status, 0);
    EXPECT_EQ(ExitStatus(), 0);
    const ProgramResult after = Admin({"stats"});
    EXPECT_EQ(after.status, 1);
    EXPECT_NE(after.err.find("is it running?"), std::string::npos) << after.err;
}

TEST_F(GameserverOperator, BanRefusesAtConnectAndOutlastsARestart) {
    const std::string banned = "127.0.66.5";
    Start({});
    struct stat socket_file {};
    ASSERT_EQ(::stat(Socket().c_str(), &socket_file), 0);
    EXPECT_EQ(socket_file.st_mode & 0777, 0600u);

    Player victim(port_, banned);
    victim.Say("vic");
    EXPECT_EQ(victim.Next(), "ok: welcome, vic");
    const ProgramResult ban = Admin({"ban", banned, "10"});
    EXPECT_EQ(ban.status, 0) << ban.err;
    EXPECT_NE(ban.out.find("1 connections closed"), std::string::npos) << ban.out;
    EXPECT_EQ(victim.Next(), "! error: your address is banned");

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "before the restart" : "after the restart");
        if (run == 1) {
            server_->Signal(SIGTERM);
            ASSERT_EQ(ExitStatus(), 0);
            Start({});
        }
        Player again(port_, banned);
        EXPECT_EQ(again.Next(), "! error: your address is banned");
        EXPECT_EQ(again.Next(), "<closed>");
        Player other(port_, "127.0.66.6");
        other.Say("other");
        EXPECT_EQ(other.Next(), "ok: welcome, other");
    }
    EXPECT_EQ(Admin({"unban", banned}).status, 0);
    Player forgiven(port_, banned);
    forgiven.Say("vic");
    EXPECT_EQ(forgiven.Next(), "ok: welcome, vic");
}

}  // namespace
