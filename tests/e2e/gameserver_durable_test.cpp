// What the gameserver program keeps on disk, tried on the real binary: a log that is appended
// to, reopened on SIGHUP and kept going through a full disk; game numbers and results that
// survive restarts and kill -9 at any moment.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "background_program.h"
#include "line_client.h"
#include "scratch_dir.h"

namespace {

using std::chrono::milliseconds;
constexpr milliseconds kWait{10000};  // a test fails rather than waits longer
constexpr char kServerHost[] = "127.0.65.1";
constexpr char kClientHost[] = "127.0.65.2";
constexpr char kGameOver[] = "# You are a bankrupt, the game is over";
constexpr char kYouWin[] = "& YOU_WIN";
// File size the server may write under the simulated full disk, in the shell's blocks of 512
// bytes: room for a game's start and first turn, or for an end line, not for more.
constexpr int kFileSizeLimitBlocks = 1;

// A named player on the game port. Its lines may go nowhere once the server is killed.
class Player : public LineClient {
public:
    Player(int port, const std::string& name)
        : LineClient(kServerHost, port, kClientHost, kWait), name_(name) {
        Say(name);
    }
    void Say(const std::string& line) { (void)LineClient::Say(line); }
    // Reads what is left after the server is gone: true if a line began with prefix.
    bool HeardBeforeTheEnd(const std::string& prefix) {
        bool heard = false;
        for (std::string line = Next(); line[0] != '<'; line = Next())
            heard = heard || line.rfind(prefix, 0) == 0;
        return heard;
    }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

class DurableServer : public ::testing::Test {
protected:
    ScratchDir state_{"gameserver_durable"};
    std::unique_ptr<BackgroundProgram> server_;
    int port_ = 0;

    std::string Path(const std::string& name) const { return state_.path() + "/" + name; }
    std::string Log() const { return Path("games.jsonl"); }

    // blocks: a file-size limit set in the child before exec, with SIGXFSZ ignored so that a
    // write past it fails as on a full disk (0: none).
    void Start(std::vector<std::string> args, int blocks = 0) {
        args.insert(args.end(), {"--host", kServerHost, "--port", "0", "--state-dir",
                                 state_.path(), "--log", Log()});
        args.insert(args.begin(), GAMESERVER_BINARY);
        std::string program = GAMESERVER_BINARY;
        if (blocks > 0) {
            args.insert(args.begin(), {"-c",
                                       "ulimit -f " + std::to_string(blocks) +
                                           " && trap '' XFSZ && exec \"$0\" \"$@\""});
            program = "/bin/sh";
        } else {
            args.erase(args.begin());
        }
        server_ = std::make_unique<BackgroundProgram>(program, args, Path("out.txt"));
        const std::string listening = server_->AwaitErrLine("listening on ", kWait);
        ASSERT_FALSE(listening.empty()) << server_->Err();
        port_ = std::atoi(listening.c_str() + listening.find(':', 13) + 1);
    }
    int Stop(int signal) {
        server_->Signal(signal);
        EXPECT_TRUE(server_->WaitExit(kWait)) << "the server did not stop";
        return server_->Exited() ? server_->ExitStatus() : -1;
    }
    // a and b in a game a created and started; returns its number.
    static int StartGame(Player& a, Player& b) {
        a.Say(".create");
        const std::string created = a.Await(a.name() + " has created the game #");
        const int number = std::atoi(created.c_str() + created.rfind('#') + 1);
        EXPECT_GT(number, 0) << created;
        b.Say(".join " + std::to_string(number));
        EXPECT_EQ(b.Await("ok: you joined"), "ok: you joined game #" + std::to_string(number));
        a.Say("start");
        EXPECT_EQ(a.Await("& START"), "& START");
        EXPECT_EQ(b.Await("& START"), "& START");
        return number;
    }
    void PlayTurn(Player& a, Player& b) {
        a.Say("turn");
        b.Say("turn");
        ASSERT_EQ(a.Await("& ENDTURN"), "& ENDTURN") << server_->Err();
        ASSERT_EQ(b.Await("& ENDTURN"), "& ENDTURN") << server_->Err();
    }
};

// Waits for a file to appear; false if it never did.
bool AwaitFile(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string EventOf(const std::string& line) {
    const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
    return parsed.is_object() ? parsed.value("event", "") : "<not json: " + line + ">";
}

TEST_F(DurableServer, LogIsAppendedAndGameNumbersGoOnAfterARestart) {
    ASSERT_TRUE(state_.Put("games.jsonl", "{\"event\":\"before\"}\n"));
    int last = 0;
    for (int run = 0; run < 2; ++run) {
        Start({"--max-turns", "1"});
        Player ann(port_, "ann"), bob(port_, "bob");
        const int number = StartGame(ann, bob);
        EXPECT_GT(number, last);
        last = number;
        ann.Say("turn");
        bob.Say("turn");
        EXPECT_EQ(bob.Await(kGameOver), std::string(kGameOver) + " (winner: ann)");
        EXPECT_EQ(Stop(SIGINT), 0);
    }
    std::vector<std::string> events;
    for (const std::string& line : Lines(ReadWholeFile(Log()))) events.push_back(EventOf(line));
    EXPECT_EQ(events, (std::vector<std::string>{"before", "start", "turn", "end", "start", "turn",
                                                "end"}));
    EXPECT_EQ(Lines(ReadWholeFile(Path("results.jsonl"))).size(), 2u);
}

// Log rotation by rename: after SIGHUP the next lines go to a new file at the path, while the
// game plays on.
TEST_F(DurableServer, SighupReopensTheLogDuringAGame) {
    Start({});
    Player ann(port_, "ann"), bob(port_, "bob");
    StartGame(ann, bob);
    PlayTurn(ann, bob);
    ASSERT_EQ(std::rename(Log().c_str(), Path("games.1.jsonl").c_str()), 0);
    server_->Signal(SIGHUP);
    // Lines of a pass already under way may still go to the old file; later ones may not.
    ASSERT_TRUE(AwaitFile(Log())) << "no new log file after SIGHUP";
    PlayTurn(ann, bob);
    PlayTurn(ann, bob);
    EXPECT_EQ(Stop(SIGINT), 0);
    const auto old_lines = Lines(ReadWholeFile(Path("games.1.jsonl")));
    const auto new_lines = Lines(ReadWholeFile(Log()));
    ASSERT_EQ(old_lines.size(), 2u);
    EXPECT_EQ(EventOf(old_lines[0]), "start");
    EXPECT_NE(old_lines[1].find("\"turn\":1,"), std::string::npos) << old_lines[1];
    ASSERT_EQ(new_lines.size(), 3u);
    EXPECT_NE(new_lines[0].find("\"turn\":2,"), std::string::npos) << new_lines[0];
    EXPECT_NE(new_lines[1].find("\"turn\":3,"), std::string::npos) << new_lines[1];
    EXPECT_EQ(EventOf(new_lines[2]), "end");
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A log file that stops taking lines: one warning per failure, each ended by a lines_lost record
// once a file takes lines again (here a fresh one after SIGHUP), or else by exit status 3.
TEST_F(DurableServer, LinesLostOnAFullDiskAreReportedOrTheExitStatusSaysSo) {
    for (const bool fresh_file : {true, false}) {
        SCOPED_TRACE(fresh_file ? "rotated to a fresh file" : "the path cannot be opened");
        std::filesystem::remove_all(Log());
        std::remove(Path("results.jsonl").c_str());  // under the limit too
        Start({"--seed", "1"}, kFileSizeLimitBlocks);
        Player ann(port_, "ann"), bob(port_, "bob");
        StartGame(ann, bob);
        std::string warning;
        // Idle players go bankrupt in a few turns; the log's lines outgrow the limit before.
        for (int turn = 0; turn < 3 && warning.empty() && !HasFailure(); ++turn) {
            PlayTurn(ann, bob);
            warning = server_->AwaitErrLine("log file ", milliseconds(1));
        }
        ASSERT_NE(warning.find("counting the lines lost"), std::string::npos) << server_->Err();
        const std::string full = ReadWholeFile(Log());
        ASSERT_FALSE(full.empty());
        EXPECT_EQ(full.back(), '\n') << "a torn line was left in the log";
        ASSERT_EQ(std::rename(Log().c_str(), Path("games.1.jsonl").c_str()), 0);
        if (fresh_file) {
            server_->Signal(SIGHUP);
            EXPECT_NE(server_->AwaitErrLine("log file ", kWait).find("lines were lost"),
                      std::string::npos)
                << server_->Err();
        } else {
            ASSERT_TRUE(std::filesystem::create_directory(Log()));
            server_->Signal(SIGHUP);
        }
        const int status = Stop(SIGINT);  // ends the game: one more line

        const int warnings = Count(server_->Err(), "counting the lines lost");
        const std::string old_log = ReadWholeFile(Path("games.1.jsonl"));
        const std::string new_log = fresh_file ? ReadWholeFile(Log()) : "";
        // Each failure is either reported in a file or, at the end, by the exit status.
        EXPECT_EQ(warnings, Count(old_log + new_log, "lines_lost") + (fresh_file ? 0 : 1))
            << server_->Err();
        if (fresh_file) {
            EXPECT_EQ(status, 0) << server_->Err();
            const auto lines = Lines(new_log);
            ASSERT_EQ(lines.size(), 2u) << new_log;
            const nlohmann::json lost = nlohmann::json::parse(lines[0], nullptr, false);
            EXPECT_EQ(lost.value("event", ""), "lines_lost") << lines[0];
            EXPECT_GE(lost.value("lines", 0), 1) << lines[0];
            EXPECT_EQ(EventOf(lines[1]), "end");
        } else {
            EXPECT_EQ(status, 3) << server_->Err();
            EXPECT_NE(server_->Err().find("log lines could not be written"), std::string::npos)
                << server_->Err();
        }
    }
}

// A results file that cannot grow: the players still hear of the end, standard error says the
// result waits, and a stop with it still unwritten exits with status 3.
TEST_F(DurableServer, ResultsThatCannotBeWrittenMakeTheExitStatus3) {
    ASSERT_TRUE(state_.Put("results.jsonl", std::string(600, ' ') + "\n"));  // past the limit
    Start({"--max-turns", "1"}, kFileSizeLimitBlocks);
    Player ann(port_, "ann"), bob(port_, "bob");
    StartGame(ann, bob);
    ann.Say("turn");
    bob.Say("turn");
    EXPECT_EQ(bob.Await(kGameOver).rfind(kGameOver, 0), 0u);
    EXPECT_NE(server_->AwaitErrLine("cannot write results to ", kWait), "") << server_->Err();
    EXPECT_EQ(Stop(SIGINT), 3) << server_->Err();
    EXPECT_NE(server_->Err().find("results of finished games could not be written"),
              std::string::npos)
        << server_->Err();
    EXPECT_EQ(ReadWholeFile(Path("results.jsonl")).size(), 601u) << "a torn line was left";
}

// kill -9 at many moments, with now and then a torn line left as a crash in mid-write would:
// every game whose end a player heard of is in results.jsonl whole, once; numbers never repeat.
TEST_F(DurableServer, ResultsSurviveKillAtAnyMoment) {
    constexpr int kKillPoints = 40;
    std::set<int> reported;  // games whose end reached a player
    int last_created = 0;
    for (int point = 0; point < kKillPoints; ++point) {
        SCOPED_TRACE("kill point " + std::to_string(point));
        if (point % 5 == 4) {
            std::ofstream(Path("results.jsonl"), std::ios::app) << "{\"game\":99999,\"turns";
        }
        Start({"--max-turns", "1"});
        Player ann(port_, "ann"), bob(port_, "bob");
        std::vector<int> created;
        for (int game = 0; game <= point % 3; ++game) {
            created.push_back(StartGame(ann, bob));
            ann.Say("turn");
            bob.Say("turn");
            if (game < point % 3) {
                EXPECT_EQ(ann.Await("& ENDTURN"), "& ENDTURN");
                ann.Say("info");
                EXPECT_EQ(ann.Await(kYouWin), kYouWin);
                EXPECT_EQ(bob.Await(kGameOver).rfind(kGameOver, 0), 0u);
            }
        }
        if (point % 2 == 1) ann.Say("info");  // a YOU_WIN that may or may not get out
        std::this_thread::sleep_for(std::chrono::microseconds(point * 97 % 700));
        server_->Signal(SIGKILL);
        ASSERT_TRUE(server_->WaitExit(kWait));
        // Only the last game's end can be among the lines the kill left unread.
        const bool won = ann.HeardBeforeTheEnd(kYouWin);
        if (bob.HeardBeforeTheEnd(kGameOver) || won) reported.insert(created.back());
        for (const int number : created) {
            EXPECT_GT(number, last_created) << "a game number came twice";
            last_created = number;
        }
        for (std::size_t i = 0; i + 1 < created.size(); ++i) reported.insert(created[i]);
    }
    Start({});  // repairs what the last kill left
    EXPECT_EQ(Stop(SIGINT), 0);

    const std::string results = ReadWholeFile(Path("results.jsonl"));
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.back(), '\n') << "a torn line remains";
    std::set<int> recorded;
    for (const std::string& line : Lines(results)) {
        const nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(parsed.is_object()) << line;
        EXPECT_TRUE(parsed.contains("players") && parsed.contains("reason")) << line;
        EXPECT_TRUE(recorded.insert(parsed.value("game", 0)).second) << "twice: " << line;
    }
    for (const int game : reported) EXPECT_EQ(recorded.count(game), 1u) << "game " << game << " lost";
}

}  // namespace
