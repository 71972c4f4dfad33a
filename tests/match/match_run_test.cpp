// Tests of whole matches against a fake server and fake robots (shell scripts written by the test),
// which talk through a FIFO: each fake robot announces itself, the fake server reports the join.
#include "match/match.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "scratch_dir.h"

namespace match {
namespace {

namespace fs = std::filesystem;

const char kFakeServer[] = R"(#!/bin/bash
dir=$(dirname "$0")
echo "$*" >> "$dir/server-args"
while [ $# -gt 0 ]; do
  case "$1" in --host) host=$2; shift;; --seed) seed=$2; shift;; --log) log=$2; shift;; esac
  shift
done
fifo="$dir/fifo-$host"
rm -f "$fifo"; mkfifo "$fifo"
exec 3<>"$fifo"
echo "listening on $host:4774, seed $seed" >&2
n=0
while read -r -u 3 name wait; do
  if [ $n -eq 0 ]; then echo "game 1 created by $name" >&2; want=$wait
  else echo "game 1: $name joined" >&2; fi
  n=$((n+1))
  [ $n -gt "$want" ] && break
done
echo "game 1 started: fake" >&2
if [ -f "$dir/never-ends" ]; then read -r -u 3; fi
sed "s/SEED/$seed/" "$dir/template.jsonl" > "$log"
echo "game 1 ended after 3 turns: winner a" >&2
read -r -u 3
)";

const char kFakeRobot[] = R"(#!/bin/bash
script=$1; shift
while [ $# -gt 0 ]; do
  case "$1" in -name) name=$2; shift;; -host) host=$2; shift;; -wait) wait=$2; shift;; esac
  shift
done
echo "robot $name plays $script${wait:+, waits for $wait}"
. "$script"
echo "$name ${wait:-0}" > "$(dirname "$0")/fifo-$host"
exit ${exit_after_join:-0}
)";

// A temporary folder with the fake programs, scripts and a game log template for players a, b.
class MatchRun : public testing::Test {
protected:
    void SetUp() override {
        WriteFile("gameserver", kFakeServer, true);
        WriteFile("robot", kFakeRobot, true);
        WriteFile("a.robot", "");
        WriteFile("b.robot", "");
        WriteFile("template.jsonl",
                  R"({"event":"start","game":1,"seed":SEED,"max_turns":3,"players":["a","b"]})"
                  "\n"
                  R"({"event":"turn","game":1,"turn":1,"players":[{"name":"a","money":11000,"out":false},{"name":"b","money":9000,"out":false}]})"
                  "\n"
                  R"({"event":"end","game":1,"turn":3,"reason":"turn_limit","winner":"a","players":[)"
                  R"({"name":"a","money":12000,"fabrics":2,"auto_plants":1,"out":false,"out_turn":null},)"
                  R"({"name":"b","money":8000,"fabrics":2,"auto_plants":0,"out":false,"out_turn":null}]})"
                  "\n");
    }


    void WriteFile(const std::string& name, const std::string& text, bool executable = false) {
        std::ofstream(dir_ + "/" + name) << text;
        if (executable) chmod((dir_ + "/" + name).c_str(), 0755);
    }

    std::string ReadFile(const std::string& name) const {
        std::ifstream in(dir_ + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string Script(const std::string& name) const { return dir_ + "/" + name; }

    // Runs a match of `scripts` with the fakes and the extra options; fills out_ and err_.
    // The fake programs are named on the command line unless `extra` names them or `beside` is set,
    // in which case match finds them in its own folder.
    int Run(std::vector<std::string> scripts, std::vector<std::string> extra = {}, bool beside = false) {
        std::vector<std::string> args = {"--seed", "42", "--host-range", "127.0.40.1-127.0.40.200", "--out",
                                         dir_ + "/out"};
        if (!beside && extra.empty()) {
            args.insert(args.end(), {"--robot", dir_ + "/robot", "--server", dir_ + "/gameserver"});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        for (const std::string& s : scripts) args.push_back(Script(s));
        MatchOptions options;
        std::string error = ParseOptions(args, options);
        EXPECT_EQ(error, "");
        std::ostringstream out, err;
        int status = RunMatch(options, ProgramSearch{dir_, ""}, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    ScratchDir scratch_{"match_run"};
    const std::string dir_ = scratch_.path();
    std::string out_;
    std::string err_;
};

TEST_F(MatchRun, PlaysAGameAndPrintsTheTable) {
    ASSERT_EQ(Run({"a.robot", "b.robot"}), 0) << err_;
    EXPECT_NE(out_.find("seed 42"), std::string::npos);
    EXPECT_NE(out_.find("game over after 3 turns (turn limit reached), winner a\n"), std::string::npos) << out_;
    EXPECT_NE(out_.find("   1  a      12000     2+1      3        0  won\n"), std::string::npos) << out_;
    EXPECT_NE(out_.find("   2  b       8000     2+0      3        0  lost at the turn limit\n"), std::string::npos)
        << out_;
    EXPECT_NE(out_.find("chart:   " + dir_ + "/out/money.svg"), std::string::npos);
    EXPECT_NE(ReadFile("out/summary.txt").find("   1  a      12000"), std::string::npos);
    EXPECT_NE(ReadFile("out/robot-b.summary.txt").find("script:  " + Script("b.robot")), std::string::npos);
    EXPECT_NE(ReadFile("out/money.svg").find("<polyline"), std::string::npos);
    EXPECT_NE(ReadFile("out/robot-a.log").find("waits for 1"), std::string::npos);
    EXPECT_EQ(ReadFile("out/robot-b.log").find("waits for"), std::string::npos);
    std::string args = ReadFile("server-args");
    EXPECT_NE(args.find("--seed 42 --max-turns 30 --turn-timeout 5"), std::string::npos) << args;
    EXPECT_NE(args.find("--host 127.0.40."), std::string::npos) << args;
}

TEST_F(MatchRun, RobotsJoinInCommandLineOrder) {
    WriteFile("c.robot", "");
    ASSERT_EQ(Run({"c.robot", "a.robot", "b.robot"}), 0) << err_;
    std::string log = ReadFile("out/server.log");
    size_t created = log.find("game 1 created by c");
    size_t a = log.find("game 1: a joined");
    size_t b = log.find("game 1: b joined");
    ASSERT_NE(b, std::string::npos) << log;
    EXPECT_LT(created, a);
    EXPECT_LT(a, b);
    EXPECT_NE(ReadFile("out/robot-c.log").find("waits for 2"), std::string::npos);
}

TEST_F(MatchRun, RobotThatStopsBeforeJoiningEndsTheMatchWithItsLog) {
    WriteFile("b.robot", "echo '~Error: bad script'; exit 3\n");
    EXPECT_EQ(Run({"a.robot", "b.robot"}), 1);
    EXPECT_NE(err_.find("robot b (" + Script("b.robot") + ") exited with status 3 before it joined the game"),
              std::string::npos)
        << err_;
    EXPECT_NE(err_.find("~Error: bad script"), std::string::npos) << err_;
}

TEST_F(MatchRun, RobotThatFailsDuringTheGameIsNoted) {
    WriteFile("b.robot", "exit_after_join=5\n");
    ASSERT_EQ(Run({"a.robot", "b.robot"}), 0) << err_;
    EXPECT_NE(out_.find("note: robot b exited with status 5"), std::string::npos) << out_;
}

TEST_F(MatchRun, NothingStartsWithoutItsScript) {
    EXPECT_EQ(Run({"a.robot", "missing.robot"}), 1);
    EXPECT_NE(err_.find("cannot read script '" + Script("missing.robot") + "': No such file or directory"),
              std::string::npos)
        << err_;
    EXPECT_FALSE(fs::exists(dir_ + "/server-args"));
    fs::create_directory(dir_ + "/robots");
    EXPECT_EQ(Run({"robots"}), 1);
    EXPECT_NE(err_.find("'" + Script("robots") + "' is a folder, not a robot script"), std::string::npos) << err_;
}

TEST_F(MatchRun, ServerThatCannotListenIsReported) {
    WriteFile("gameserver", "#!/bin/sh\necho 'cannot bind: address in use' >&2\nexit 1\n", true);
    EXPECT_EQ(Run({"a.robot", "b.robot"}), 1);
    EXPECT_NE(err_.find("the game server did not start"), std::string::npos) << err_;
    EXPECT_NE(err_.find("cannot bind: address in use"), std::string::npos) << err_;
}

TEST_F(MatchRun, GameThatNeverEndsHitsTheTimeLimit) {
    WriteFile("never-ends", "");
    EXPECT_EQ(Run({"a.robot", "b.robot"}, {"--time-limit", "1"}, true), 1);
    EXPECT_NE(err_.find("the game did not end within 1 s"), std::string::npos) << err_;
}

TEST_F(MatchRun, SeveralGamesSideBySideAddUp) {
    ASSERT_EQ(Run({"a.robot", "b.robot"}, {"--games", "3", "--jobs", "2"}, true), 0) << err_;
    EXPECT_NE(out_.find("3 of 3 games played"), std::string::npos) << out_;
    EXPECT_NE(out_.find("\na         3      3          12000\n"), std::string::npos) << out_;
    for (const char* game : {"game-42", "game-43", "game-44"})
        EXPECT_TRUE(fs::exists(dir_ + "/out/" + game + "/money.svg")) << game;
    EXPECT_NE(ReadFile("out/game-44/game.jsonl").find("\"seed\":44"), std::string::npos);
}

TEST_F(MatchRun, ProgramsNamedOnTheCommandLineMustExist) {
    EXPECT_EQ(Run({"a.robot", "b.robot"}, {"--robot", dir_ + "/nosuch", "--server", dir_ + "/gameserver"}), 1);
    EXPECT_EQ(err_, "match: cannot run '" + dir_ + "/nosuch': no such executable\n");
    EXPECT_EQ(Run({"a.robot", "b.robot"}, {"--robot", "nosuch-robot-program"}), 1);
    EXPECT_EQ(err_, "match: cannot run 'nosuch-robot-program': no such executable\n");
}

}  // namespace
}  // namespace match
