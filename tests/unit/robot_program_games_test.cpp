// Whole games of the robot program against a scripted server, compared byte for byte: the
// console output from the first line to the last, and every line the robot sends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fake_peer.h"
#include "protocol/robot_protocol.h"
#include "run_program.h"
#include "scratch_dir.h"

namespace {

using game_script::Ending;
using game_script::MarketState;
using game_script::PlayerState;

const std::string kCompiled =
    "\n~Info: Lexical analysis was passed.\n\n~Info: Syntax analysis was passed.\n";
const std::string kPlaybot = "\n\n\n --- Playbot ---\n";
const std::string kClosed = "\n~Info: Closed connection.\n";
const std::string kPrompt = "\n~Try to continue (may be errors)? [y/n]";

std::string Num(int n) { return std::to_string(n); }

std::string MarketLine(const MarketState& m) {
    return "& MARKET " + Num(m.raw) + " " + Num(m.min_raw_price) + " " + Num(m.prod) + " " +
           Num(m.max_prod_price) + "\n";
}

// One turn as the server plays it and as the script answers it.
struct Turn {
    MarketState market;
    std::vector<PlayerState> listed;  // the players in the reply to "info" before the script
    std::string said;                 // what the script prints during its run
    std::vector<std::string> orders;  // the command lines the script sends, in order
    Ending ending = Ending::kGoOn;
    // Replaces the generated market or players reply: pieces written one by one.
    std::vector<std::string> market_reply = {};
    std::vector<std::string> info_reply = {};
};

// One game of the robot against the peer: adds the server's side to the peer's script and
// builds what the robot must print and send. It keeps the players the robot knows, as its
// image does, to predict the "at the beginning" count.
class ScriptedGame {
public:
    ScriptedGame(FakePeer& peer, std::string name) : peer_(peer), name_(std::move(name)) {
        game_script::Introduction(peer_, name_);
        out_ = kPlaybot + "~Info: Connection done.\n~Info: The name is " + name_ + ".\n";
        sent_ = name_ + "\nHi!\n.who\n";
    }

    // A games list with a running game and two waiting ones: the robot joins the first.
    void JoinFirstListed() {
        peer_
            .Send(
                "game 2 is running, turn 14, 3 players\n"
                "game 4 (ann, 1 player) is waiting  #4\n"
                "game 6 (bob, 2 players) is waiting  #6\n"
                "1 games are played\n")
            .Expect(".join 4")
            .Send("ok: you joined game #4\n& START\n");
        out_ += "~Info: " + name_ + " finding a game...\n~Info: " + name_ +
                " join to #4 game.\n~Info: The game is started.\n\n";
        sent_ += ".join 4\n";
    }
    // The server lists `games`; the robot joins game `joined` and the server refuses it with
    // `refusal`; the robot asks for the list again.
    void JoinRefused(const std::string& games, int joined, const std::string& refusal) {
        peer_.Send(games).Expect(".join " + Num(joined)).Send(refusal + "\n").Expect(".who");
        out_ += "~Info: " + name_ + " finding a game...\n~Info: " + name_ + " join to #" +
                Num(joined) + " game.\n~Info: " + name_ + " join to #" + Num(joined) +
                " game refused.\n";
        sent_ += ".join " + Num(joined) + "\n.who\n";
    }
    // The server lists `games`; the robot joins game `joined`, which starts.
    void JoinListed(const std::string& games, int joined) {
        peer_.Send(games).Expect(".join " + Num(joined)).Send("ok: you joined game #" +
                                                             Num(joined) + "\n& START\n");
        out_ += "~Info: " + name_ + " finding a game...\n~Info: " + name_ + " join to #" +
                Num(joined) + " game.\n~Info: The game is started.\n\n";
        sent_ += ".join " + Num(joined) + "\n";
    }
    // No game waits, or only games listed in `games` that refused the robot before: it creates
    // game 9. `lobby` is what the server says next, until the robot starts the game; `noted`
    // the console lines the robot prints about it.
    void Create(int wait, const std::string& lobby, const std::string& noted = "",
                const std::string& games = "game 2 is running, turn 14, 3 players\n"
                                           "1 games are played\n") {
        peer_.Send(games)
            .Expect(".create")
            .Send(name_ + " has created the game #9\n" + lobby)
            .Expect("start")
            .Send("& START\n");
        out_ += "~Info: " + name_ + " creating a game...\n~Info: " + name_ +
                " has created the game #9\n~Info: " + name_ + " waiting " + Num(wait) +
                " gamers.\n" + noted + "~Info: The game is started.\n\n";
        sent_ += ".create\nstart\n";
    }
    // A gamer the robot registered before the first players reply.
    void Known(const std::string& gamer) { known_.push_back(gamer); }

    void Play(const Turn& turn) {
        peer_.Expect("market");
        if (turn.market_reply.empty())
            peer_.Send(MarketLine(turn.market));
        else
            peer_.SendSegments(turn.market_reply);
        peer_.Expect("info");
        if (turn.info_reply.empty())
            peer_.Send(game_script::InfoReply(turn.listed));
        else
            peer_.SendSegments(turn.info_reply);
        for (const std::string& order : turn.orders) peer_.Expect(order);
        peer_
            .Send(turn.ending == Ending::kBankrupt ? "# You are a bankrupt, sorry\n"
                                                   : "& ENDTURN\n")
            .Expect("info")
            .Send(turn.ending == Ending::kWin ? "& YOU_WIN\n"
                                              : game_script::InfoReply(turn.listed));
        sent_ += "market\ninfo\n";
        for (const std::string& order : turn.orders) sent_ += order + "\n";
        sent_ += "info\n";
        out_ += Analysis(turn);
        out_ += "\n" + turn.said + "\n~Game: Turn [" + Num(++turns_) + "] ++.\n" +
                std::string(60, '-') + " \n";
        out_ += Status(turn);
        if (over_) out_ += kClosed;
    }

    const std::string& Out() const { return out_; }
    const std::string& Sent() const { return sent_; }

private:
    std::string Analysis(const Turn& turn) {
        const MarketState& m = turn.market;
        std::string text = "\n~Game: ~Market: raw = " + Num(m.raw) +
                           ", min price = " + Num(m.min_raw_price) +
                           "; \n~Game: ~Market: prod = " + Num(m.prod) +
                           ", max price = " + Num(m.max_prod_price) + ".\n\n\n";
        listed_ = false;
        for (const PlayerState& p : turn.listed) {
            if (p.name == name_) {
                listed_ = true;
                text += "~Game: ~Info: about you:\n";
            } else if (std::find(known_.begin(), known_.end(), p.name) == known_.end()) {
                known_.push_back(p.name);
            }
            text += "~Game: ~Info: " + p.name + " :  raw  = " + Num(p.raw) +
                    ", prod  = " + Num(p.prod) + "; \n~Game: ~Info: " + p.name +
                    " : money = " + Num(p.money) + "; plants [" + Num(p.fabrics) + "_" +
                    Num(p.auto_plants) + "]. \n\n";
        }
        return text + "~Game: players quantity = " + Num(static_cast<int>(turn.listed.size())) +
               "; at the beginning = " + Num(static_cast<int>(known_.size()) + 1) + ".\n";
    }
    std::string Status(const Turn& turn) {
        over_ = true;
        if (turn.ending == Ending::kWin) return "~Game: " + name_ + " won! :-) \n";
        if (turn.ending == Ending::kBankrupt || !listed_)
            return "~Game: " + name_ + " looser! :'-( \n";
        over_ = false;
        return "~Game: " + name_ + " is playing... :-* \n";
    }

    FakePeer& peer_;
    std::string name_;
    std::string out_;
    std::string sent_;
    std::vector<std::string> known_;
    bool listed_ = false;
    bool over_ = false;
    int turns_ = 0;
};

// Runs the robot program with a script against peers on this test's own addresses.
class RobotProgramGames : public ::testing::Test {
protected:
    ProgramResult Run(const std::string& script, const std::vector<std::string>& options,
                      const std::string& answers = "") {
        std::ofstream(dir_ + "/bot.robot", std::ios::binary) << script << "\r\n";
        ProgramRun run;
        run.path = ROBOT_BINARY;
        run.args = {"bot.robot"};
        run.args.insert(run.args.end(), options.begin(), options.end());
        run.input = answers;
        run.dir = dir_;
        run.timeout = std::chrono::seconds(60);
        return RunProgram(run);
    }
    // Plays the script as "robo" against the peer and compares its console and what it sent.
    void ExpectGame(FakePeer& peer, const ScriptedGame& game, const std::string& script,
                    std::vector<std::string> options = {}, const std::string& answers = "") {
        options.insert(options.end(), {"-host", peer.Address(), "-name", "robo"});
        peer.Start();
        ProgramResult result = Run(script, options, answers);
        EXPECT_EQ(peer.Finish(), "");
        ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.out;
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, kCompiled + game.Out());
        EXPECT_EQ(peer.Received(), game.Sent());
    }

    ScratchDir scratch_{"robot_games"};
    const std::string dir_ = scratch_.path();
    const MarketState market_{4, 500, 3, 5500};
    const PlayerState robo_{"robo", 2, 3, 10000, 2, 0};
    const PlayerState bob_{"bob", 1, 1, 9000, 2, 1};
    const PlayerState carl_{"carl", 5, 0, 4000, 1, 1};
};

const char kTurnOnly[] = "{ ?turn }";
const std::string kTurnSaid = "\t~Robot: Turn! \n";

TEST_F(RobotProgramGames, JoinsTheFirstListedGameAndWins) {
    FakePeer peer("127.0.50.1", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.JoinFirstListed();
    game.Play({market_, {bob_, robo_}, kTurnSaid, {"turn"}});
    game.Play({market_, {bob_, robo_}, kTurnSaid, {"turn"}, Ending::kWin});
    ExpectGame(peer, game, kTurnOnly);
}

TEST_F(RobotProgramGames, CreatesAGameStartsAfterOneJoinAndGoesBankrupt) {
    FakePeer peer("127.0.50.2", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.Create(1, "<ann> hello\n@+ JOIN bob\n");
    game.Play({market_, {robo_, bob_}, kTurnSaid, {"turn"}});
    game.Play({market_, {robo_, bob_}, kTurnSaid, {"turn"}, Ending::kBankrupt});
    ExpectGame(peer, game, kTurnOnly);
}

// Chat that quotes the start and market markers comes after the second join: a robot that
// started before the third join would take them for the real ones and print that market.
TEST_F(RobotProgramGames, WaitsForThreeJoinsBeforeItStarts) {
    FakePeer peer("127.0.50.3", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.Create(3, "@+ JOIN ann\n@+ JOIN bob\n<bob> & START & MARKET 1 1 1 1\n@+ JOIN carl\n");
    game.Play({market_, {robo_, bob_}, kTurnSaid, {"turn"}, Ending::kWin});
    ExpectGame(peer, game, kTurnOnly, {"-wait", "3"});
}

TEST_F(RobotProgramGames, BotstartAfterAJoinStartsAtOnce) {
    FakePeer peer("127.0.50.4", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.Create(3, "@+ JOIN bob\nbotstart bob\n");
    game.Play({market_, {robo_, bob_}, kTurnSaid, {"turn"}, Ending::kWin});
    ExpectGame(peer, game, kTurnOnly, {"-wait", "3"});
}

// The gamer named by an early "botstart" is registered at once; when the first players reply
// does not list it, it is out: money -1, and not counted among the players online.
TEST_F(RobotProgramGames, BotstartBeforeAnyJoinRegistersTheNamedGamer) {
    FakePeer peer("127.0.50.5", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.Create(2, "botstart carl\n@+ JOIN bob\n", "~Info: + one gamer (carl), #1.\n");
    game.Known("carl");
    game.Play({market_,
               {robo_, bob_},
               "\t~Robot said: \"carl -1 bob 9000\"\n\t~Robot said: \"online 2\"\n" + kTurnSaid,
               {"turn"},
               Ending::kWin});
    ExpectGame(peer, game,
               "{ ?print \"carl %d bob %d\", .players[0].money, .players[1].money; "
               "?print \"online %d\", ?macro \"Online\"; ?turn }",
               {"-wait", "2"});
}

TEST_F(RobotProgramGames, ChatBetweenMarkersLeavesTheNumbersIntact) {
    FakePeer peer("127.0.50.6", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.JoinFirstListed();
    Turn noisy{market_, {robo_, bob_}, "\t~Robot said: \"500 9000\"\n" + kTurnSaid, {"turn"}};
    noisy.market_reply = {"<bob> & MAR", "K is cut\n# notice\n& MAR",
                          "KET 4 500 3 5500\n<bob> hm\n"};
    noisy.info_reply = {"& INFO robo 2 3 10000 2 0\n<bob> & IN", "FX\n& IN",
                        "FO bob 1 1 9000 2 1\n# chat\n& PLAY", "ERS 2\n"};
    game.Play(noisy);
    game.Play({market_,
               {robo_, bob_},
               "\t~Robot said: \"500 9000\"\n" + kTurnSaid,
               {"turn"},
               Ending::kWin});
    ExpectGame(peer, game, "{ ?print \"%d %d\", .market.min_raw_price, .players[0].money; ?turn }");
}

// Statistics count the robot and the players listed in the last reply only.
TEST_F(RobotProgramGames, PlayerMissingFromTheListIsLeftOutOfTheStatistics) {
    FakePeer peer("127.0.50.7", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.JoinFirstListed();
    // Capacity (2 x auto plants + fabrics): robo 2, bob 4, carl 3; each makes min(raw, it).
    game.Play({market_,
               {robo_, bob_, carl_},
               "\t~Robot said: \"online 3 raw 8\"\n\t~Robot said: \"prod 4 effect 6\"\n"
               "\t~Robot said: \"bob 9000\"\n" +
                   kTurnSaid,
               {"turn"}});
    game.Play({market_,
               {robo_, carl_},
               "\t~Robot said: \"online 2 raw 7\"\n\t~Robot said: \"prod 3 effect 5\"\n"
               "\t~Robot said: \"bob -1\"\n" +
                   kTurnSaid,
               {"turn"},
               Ending::kWin});
    ExpectGame(peer, game,
               "{ ?print \"online %d raw %d\", ?macro \"Online\", ?macro \"AllRaw\"; "
               "?print \"prod %d effect %d\", ?macro \"AllProd\", ?macro \"AllEffect\"; "
               "?print \"bob %d\", .players[0].money; ?turn }");
}

// The script still runs in that turn (with the robot's money at -1); the game ends after it.
TEST_F(RobotProgramGames, RobotMissingFromTheListLoses) {
    FakePeer peer("127.0.50.8", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.JoinFirstListed();
    game.Play({market_, {robo_, bob_}, "\t~Robot said: \"10000\"\n" + kTurnSaid, {"turn"}});
    game.Play({market_, {bob_}, "\t~Robot said: \"-1\"\n" + kTurnSaid, {"turn"}});
    ExpectGame(peer, game, "{ ?print \"%d\", .you.money; ?turn }");
}

// A script that ends its run early ("?macro" with an unknown name): answered "y", the turn
// goes on without "turn", and the next run starts again from the first statement.
TEST_F(RobotProgramGames, RuntimeErrorAnsweredYesLetsTheGameGoOn) {
    FakePeer peer("127.0.50.9", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.JoinFirstListed();
    game.Play(
        {market_, {robo_, bob_}, "\t~Robot: buy 1 by 600$.\n" + kTurnSaid, {"buy 1 600", "turn"}});
    game.Play({market_,
               {robo_, bob_},
               "\t~Robot: buy 2 by 600$.\n\n\n~Error: Runtime error. Wrong macros parameter.\n"
               " :: -750" +
                   kPrompt,
               {"buy 2 600"}});
    game.Play({market_,
               {robo_, bob_},
               "\t~Robot: buy 3 by 600$.\n" + kTurnSaid,
               {"buy 3 600", "turn"},
               Ending::kWin});
    ExpectGame(peer, game,
               "{ $n := $n + 1; ?buy $n, 600; if ($n = 2) $x := ?macro \"Nope\"; ?turn }", {},
               "y\n");
}

const std::string kRefused = protocol::kMarkerJoinRefused;

// A game that started or filled up after the list was sent refuses the join: the robot lists
// the games again and joins the next one, passing over the one that refused it though it is
// still listed as waiting.
TEST_F(RobotProgramGames, RefusedJoinListsTheGamesAgainAndJoinsAnother) {
    FakePeer peer("127.0.61.1", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    const std::string both =
        "game 4 (ann, 1 player) is waiting  #4\ngame 6 (bob, 1 player) is waiting  #6\n"
        "0 games are played\n";
    game.JoinRefused(both, 4, kRefused + " game #4 is already running");
    game.JoinRefused(both, 6, kRefused + " game #6 is full");
    game.JoinListed("game 4 (ann, 1 player) is waiting  #4\ngame 7 (cid, 1 player) is waiting  #7\n"
                    "0 games are played\n",
                    7);
    game.Play({market_, {robo_, bob_}, kTurnSaid, {"turn"}, Ending::kWin});
    ExpectGame(peer, game, kTurnOnly);
}

// When every waiting game has refused it, the robot creates one.
TEST_F(RobotProgramGames, RefusedByEveryListedGameCreatesOne) {
    FakePeer peer("127.0.61.2", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    const std::string one = "game 4 (ann, 1 player) is waiting  #4\n0 games are played\n";
    game.JoinRefused(one, 4, kRefused + " no such game");
    game.Create(1, "@+ JOIN bob\n", "", one);
    game.Play({market_, {robo_, bob_}, kTurnSaid, {"turn"}, Ending::kWin});
    ExpectGame(peer, game, kTurnOnly);
}

// A robot command in the script, what the robot prints for it and the line it sends.
struct CommandCase {
    const char* statement;
    const char* said;
    const char* sent;  // "" for none
};

const CommandCase kCommands[] = {
    {"?buy 2, 500", "\t~Robot: buy 2 by 500$.\n", "buy 2 500"},
    {"?sell 3, .market.max_prod_price", "\t~Robot: sell 3 by 5500$.\n", "sell 3 5500"},
    {"?sell 1 - 2, 0 - 7", "\t~Robot: sell -1 by -7$.\n", "sell -1 -7"},
    {"?prod 0", "\t~Robot: prod 0.\n", "prod 0"},
    {"?prod 2147483647", "\t~Robot: prod 2147483647.\n", "prod 2147483647"},
    {"?upgrade", "\t~Robot: Upgrade. \n", "upgrade"},
    {"?auto", "\t~Robot: Upgrade. \n", "upgrade"},
    {"?print \"%d then %d\", 1, 2", "\t~Robot said: \"1 then 2\"\n", ""},
    {"?turn", "\t~Robot: Turn! \n", "turn"},
};

TEST_F(RobotProgramGames, EveryCommandPrintsItsLineAndSendsItsOrder) {
    std::string script = "{ ";
    Turn turn{market_, {robo_, bob_}, "", {}, Ending::kWin};
    for (const CommandCase& c : kCommands) {
        script += std::string(c.statement) + "; ";
        turn.said += c.said;
        if (*c.sent != '\0') turn.orders.push_back(c.sent);
    }
    script += "}";
    FakePeer peer("127.0.50.10", FakePeer::kRobotPort);
    ScriptedGame game(peer, "robo");
    game.JoinFirstListed();
    game.Play(turn);
    ExpectGame(peer, game, script);
}

// Each game of "-inf" starts from the initial image: no players known, turn 0, no result;
// the script's variables live on. The third connection is refused, and with the console
// closed the robot ends with that error's status.
TEST_F(RobotProgramGames, InfinitePlayStartsEachGameFromTheInitialImage) {
    FakePeer peer("127.0.50.11", FakePeer::kRobotPort);
    const std::string script =
        "{ $runs := $runs + 1; ?print \"run %d turn %d\", $runs, .turn_number; "
        "?print \"first %d online %d\", .players[0].money, ?macro \"Online\"; ?turn }";
    auto said = [](int run, int turn, int first, int online) {
        return "\t~Robot said: \"run " + Num(run) + " turn " + Num(turn) +
               "\"\n\t~Robot said: \"first " + Num(first) + " online " + Num(online) + "\"\n" +
               kTurnSaid;
    };
    const PlayerState dave{"dave", 3, 3, 7000, 2, 0};
    ScriptedGame first(peer, "robo");
    first.JoinFirstListed();
    first.Play({market_, {robo_, bob_, carl_}, said(1, 0, 9000, 3), {"turn"}});
    first.Play({market_, {robo_, carl_}, said(2, 1, -1, 2), {"turn"}, Ending::kWin});
    peer.AcceptNext();
    peer.StopListening();  // the second connection is taken; a third one is refused
    ScriptedGame second(peer, "robo");
    second.Create(1, "@+ JOIN dave\n");
    second.Play({market_, {dave, robo_}, said(3, 0, 7000, 2), {"turn"}});
    second.Play({market_, {dave, robo_}, said(4, 1, 7000, 2), {"turn"}, Ending::kWin});
    peer.Start();
    ProgramResult result = Run(script, {"-inf", "-host", peer.Address(), "-name", "robo"});
    EXPECT_EQ(peer.Finish(), "");
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.out;
    EXPECT_EQ(result.status, static_cast<unsigned char>(-4));
    EXPECT_EQ(result.out, kCompiled + first.Out() + second.Out() + kPlaybot +
                              "\n\n~Error: Cann't open remote host. :: -4" + kPrompt);
    EXPECT_EQ(peer.Received(), first.Sent() + second.Sent());
}

}  // namespace
