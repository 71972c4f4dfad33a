// Tests of the game session against a scripted server: opening a game (joining, creating,
// counting joins), the market and players replies, the end of a turn, and closing.
#include "robot/habitat.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "client_console.h"
#include "fake_peer.h"
#include "robot/robot.h"

namespace {

using game_script::PlayerState;

const std::string kDashes(60, '-');

std::string MarketLines(int raw, int min_price, int prod, int max_price) {
    return "\n~Game: ~Market: raw = " + std::to_string(raw) +
           ", min price = " + std::to_string(min_price) +
           "; \n~Game: ~Market: prod = " + std::to_string(prod) +
           ", max price = " + std::to_string(max_price) + ".\n\n";
}

std::string PlayerLines(const PlayerState& p) {
    return "~Game: ~Info: " + p.name + " :  raw  = " + std::to_string(p.raw) +
           ", prod  = " + std::to_string(p.prod) + "; \n~Game: ~Info: " + p.name +
           " : money = " + std::to_string(p.money) + "; plants [" + std::to_string(p.fabrics) +
           "_" + std::to_string(p.auto_plants) + "]. \n\n";
}

// A session talking to a scripted peer, with its console output captured.
class HabitatTest : public ::testing::Test {
protected:
    void SetUp() override { AnswerPrompts(""); }

    // Plays Init against the peer's script; returns the console text.
    std::string Init(const char* name, int to_wait) {
        peer.Start();
        CapturedStdout out;
        habitat->Init(peer.Address().c_str(), peer.Port(), name, to_wait);
        return out.Text();
    }
    // Connects without the opening conversation, as if the game had started.
    void Started(const char* name) {
        peer.Start();
        CopyGamerName(Data().you.gamer_name, name);
        Socket().ConnectTo(peer.Address().c_str(), peer.Port());
    }
    std::string Analyze() {
        CapturedStdout out;
        habitat->Analyze();
        return out.Text();
    }
    std::string WaitingTurn() {
        CapturedStdout out;
        habitat->WaitingTurn();
        return out.Text();
    }
    CData& Data() { return *habitat->GetDataAddr(); }
    CSocket& Socket() { return *habitat->GetSocketAddr(); }

    std::unique_ptr<CHabitat> habitat = std::make_unique<CHabitat>();
    FakePeer peer;
};

const std::string kOpening = "~Info: Connection done.\n~Info: The name is robo.\n";

TEST_F(HabitatTest, JoinsTheFirstListedGame) {
    game_script::Introduction(peer, "robo");
    peer.Send("Games:\n game 3: waiting  #3\n game 4: waiting  #4\n2 games are played\n")
        .Expect(".join 3")
        .Send("<bob> hello\n& START\n");
    EXPECT_EQ(Init("robo", 1), kOpening +
                                   "~Info: robo finding a game...\n"
                                   "~Info: robo join to #3 game.\n"
                                   "~Info: The game is started.\n\n");
    EXPECT_EQ(Data().game_number, 3);
    EXPECT_STREQ(Data().you.gamer_name, "robo");
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, OwnNameIsCutToItsField) {
    const std::string name(300, 'r');
    game_script::Introduction(peer, name);
    game_script::JoinListedGame(peer, 1);
    Init(name.c_str(), 1);
    EXPECT_EQ(std::string(Data().you.gamer_name), name.substr(0, 255));
    EXPECT_STREQ(Data().you._tag_end, "<tag><type=childend><name=you>");
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, CreatesAGameWhenNoneWaitsAndStartsAfterOneJoin) {
    game_script::Introduction(peer, "robo");
    peer.Send("Games:\n0 games are played\n")
        .Expect(".create")
        .Send("robo has created the game #7\n@+ JOIN bob\n")
        .Expect("start")
        .Send("& START\n");
    EXPECT_EQ(Init("robo", 1), kOpening +
                                   "~Info: robo creating a game...\n"
                                   "~Info: robo has created the game #7\n"
                                   "~Info: robo waiting 1 gamers.\n"
                                   "~Info: The game is started.\n\n");
    EXPECT_EQ(Data().game_number, 7);
    EXPECT_EQ(Data().players_count, 0);
    EXPECT_EQ(peer.Finish(), "");
}

// A "& START" that arrives before the last awaited join is skipped: the number behind the
// start marker tells which one ended Init.
TEST_F(HabitatTest, WaitsForEveryJoin) {
    game_script::Introduction(peer, "robo");
    peer.Send("games are played\n")
        .Expect(".create")
        .Send("robo has created the game #2\n@+ JOIN a\n@+ JOIN b\n& START 1\n@+ JOIN c\n")
        .Expect("start")
        .Send("& START 2\n");
    EXPECT_EQ(Init("robo", 3), kOpening +
                                   "~Info: robo creating a game...\n"
                                   "~Info: robo has created the game #2\n"
                                   "~Info: robo waiting 3 gamers.\n"
                                   "~Info: The game is started.\n\n");
    EXPECT_EQ(Socket().Read_Int(), 2);
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, BotstartAfterAJoinStartsAtOnce) {
    game_script::Introduction(peer, "robo");
    peer.Send("games are played\n")
        .Expect(".create")
        .Send("robo has created the game #2\n@+ JOIN a\nbotstart\n")
        .Expect("start")
        .Send("& START\n");
    Init("robo", 3);
    EXPECT_EQ(Data().players_count, 0);
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, BotstartBeforeAnyJoinRegistersTheNamedGamer) {
    game_script::Introduction(peer, "robo");
    peer.Send("games are played\n")
        .Expect(".create")
        .Send("robo has created the game #2\nbotstart  carl\n@+ JOIN bob\n")
        .Expect("start")
        .Send("& START\n");
    EXPECT_EQ(Init("robo", 2), kOpening +
                                   "~Info: robo creating a game...\n"
                                   "~Info: robo has created the game #2\n"
                                   "~Info: robo waiting 2 gamers.\n"
                                   "~Info: + one gamer (carl), #1.\n"
                                   "~Info: The game is started.\n\n");
    EXPECT_EQ(Data().players_count, 1);
    EXPECT_STREQ(Data().players[0].gamer_name, "carl");
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, AnalyzeReadsMarketAndPlayersThroughChatNoise) {
    const PlayerState robo{"robo", 2, 3, 10000, 2, 0};
    const PlayerState bob{"bob", 1, 1, 9000, 2, 1};
    peer.Expect("market")
        .Send("<bob> & MARKE is a typo\n# notice\n& MARKET 4 500 3 5500\n<carl> hi\n")
        .Expect("info")
        .SendSegments({"& INFO robo 2 3 10000 2 0\n<bob> hi there\n& IN", "FO bob 1 1 9000 2 1\n",
                       "# chat\n& PLAYERS 2\n"});
    Started("robo");
    EXPECT_EQ(Analyze(), MarketLines(4, 500, 3, 5500) + "\n~Game: ~Info: about you:\n" +
                             PlayerLines(robo) + PlayerLines(bob) +
                             "~Game: players quantity = 2; at the beginning = 2.\n");
    EXPECT_EQ(Data().market.raw, 4);
    EXPECT_EQ(Data().market.min_raw_price, 500);
    EXPECT_EQ(Data().market.prod, 3);
    EXPECT_EQ(Data().market.max_prod_price, 5500);
    EXPECT_EQ(Data().you.money, 10000);
    EXPECT_EQ(Data().players[0].auto_plants, 1);
    EXPECT_EQ(Data().win, 0);
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, PlayersKeepTheirEntriesAndMissingOnesAreOut) {
    const std::vector<PlayerState> first = {
        {"bob", 1, 1, 9000, 2, 1}, {"robo", 2, 3, 100, 2, 0}, {"carl", 5, 5, 5000, 1, 1}};
    const std::vector<PlayerState> second = {{"carl", 6, 6, 6000, 1, 1},
                                             {"dave", 7, 7, 7000, 1, 1}};
    game_script::TurnStart(peer, {4, 500, 3, 5500}, first);
    game_script::TurnStart(peer, {4, 500, 3, 5500}, second);
    Started("robo");
    CRobot robot(&Data(), &Socket());
    Analyze();
    EXPECT_EQ(Data().players_count, 2);
    EXPECT_EQ(Data().win, 0);
    EXPECT_EQ(robot.GetPlayingGamers(), 3);
    const std::string out = Analyze();
    EXPECT_EQ(Data().players_count, 3);
    EXPECT_STREQ(Data().players[1].gamer_name, "carl");
    EXPECT_EQ(Data().players[1].money, 6000);
    EXPECT_EQ(Data().players[0].money, -1);  // bob left
    EXPECT_STREQ(Data().players[2].gamer_name, "dave");
    EXPECT_EQ(Data().you.money, -1);
    EXPECT_EQ(Data().win, -1);  // the robot was not listed
    EXPECT_NE(out.find("~Game: players quantity = 2; at the beginning = 4.\n"), std::string::npos);
    EXPECT_EQ(robot.GetPlayingGamers(), 3);  // carl, dave and the robot itself
    EXPECT_EQ(robot.GetAllPlayers_Raw(), 6 + 7 + 2);
    CapturedStdout status;
    EXPECT_EQ(robot.IsWin(), -1);
    EXPECT_EQ(status.Text(), "~Game: robo looser! :'-( \n");
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, PlayersBeyondTheImageAreReadAndDropped) {
    std::vector<PlayerState> crowd = {{"robo", 1, 1, 100, 1, 0}};
    for (int i = 0; i < kMaxPlayers + 5; ++i)
        crowd.push_back({"p" + std::to_string(i), i, 0, 10, 1, 0});
    game_script::TurnStart(peer, {1, 2, 3, 4}, crowd);
    game_script::TurnStart(peer, {5, 6, 7, 8}, crowd);
    Started("robo");
    Analyze();
    Analyze();
    EXPECT_EQ(Data().players_count, kMaxPlayers);
    EXPECT_EQ(Data().players[kMaxPlayers - 1].raw, kMaxPlayers - 1);
    EXPECT_EQ(Data().market.raw, 5);
    EXPECT_EQ(Data().you.money, 100);
    EXPECT_STREQ(Data().market._tag_header, "<tag><type=child><name=market>");
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(HabitatTest, LongNamesAreCutAndKeepTheirEntry) {
    const std::string long_name(1000, 'z');
    const std::vector<PlayerState> players = {{"robo", 1, 1, 100, 1, 0},
                                              {long_name, 2, 2, 200, 1, 0}};
    game_script::TurnStart(peer, {1, 2, 3, 4}, players);
    game_script::TurnStart(peer, {1, 2, 3, 4}, players);
    Started("robo");
    Analyze();
    Analyze();
    EXPECT_EQ(Data().players_count, 1);
    EXPECT_EQ(std::string(Data().players[0].gamer_name), long_name.substr(0, 255));
    EXPECT_EQ(Data().players[0].money, 200);
    EXPECT_EQ(peer.Finish(), "");
}

// How a turn ends and the result and money the robot has afterwards.
struct TurnCase {
    const char* name;
    game_script::Ending ending;
    int win;
    int money;
};

void PrintTo(const TurnCase& c, std::ostream* os) { *os << c.name; }

// End-of-turn cases over the table.
class HabitatTurnTest : public HabitatTest, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(HabitatTurnTest, EndOfTurnSetsTheResultAndCountsTheTurn) {
    const std::vector<PlayerState> players = {{"robo", 1, 1, 100, 1, 0}, {"bob", 2, 2, 200, 1, 0}};
    peer.Send("<bob> chat\n");
    game_script::EndTurn(peer, GetParam().ending, players);
    Started("robo");
    Data().you.money = 100;
    EXPECT_EQ(WaitingTurn(), "~Game: Turn [1] ++.\n" + kDashes + " \n");
    EXPECT_EQ(Data().turn_number, 1);
    EXPECT_EQ(Data().win, GetParam().win);
    EXPECT_EQ(Data().you.money, GetParam().money);
    EXPECT_EQ(peer.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(Endings, HabitatTurnTest,
                         ::testing::Values(TurnCase{"GoesOn", game_script::Ending::kGoOn, 0, 100},
                                           TurnCase{"Bankrupt", game_script::Ending::kBankrupt, -1,
                                                    -1},
                                           TurnCase{"Win", game_script::Ending::kWin, 1, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HabitatTest, DestroyClosesTheConnection) {
    Started("robo");
    CapturedStdout out;
    habitat->Destroy();
    EXPECT_EQ(out.Text(), "\n~Info: Closed connection.\n");
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_EQ(peer.Received(), "");
}

}  // namespace
