// Tests of the robot built-ins: commands reach a loopback peer, "?print", macros, data reads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

#include "robot/robot.h"
#include "robot/socket.h"
#include "runtime_fixture.h"

namespace {

constexpr int kPeerTimeoutMs = 5000;  // a peer that sends nothing for this long fails the test

// Waits until fd is readable; false after the timeout.
bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, kPeerTimeoutMs) == 1;
}

}  // namespace

// Runtime fixture with a robot connected to a loopback peer and a game data image.
class RobotBuiltin : public RuntimeTest {
public:
    void SetUp() override {
        RuntimeTest::SetUp();
        int listener = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_GE(listener, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(addr);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), len), 0);
        ASSERT_EQ(listen(listener, 1), 0);
        ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
        sock.ConnectTo("127.0.0.1", ntohs(addr.sin_port));
        ASSERT_TRUE(Readable(listener));
        peer = accept(listener, nullptr, nullptr);
        close(listener);
        ASSERT_GE(peer, 0);
        exe.SetData(&data);
        exe.SetRobot(&robot);
        FillImage();
    }
    void TearDown() override {
        if (peer >= 0) close(peer);
        RuntimeTest::TearDown();
    }

    // Everything the robot sent, read up to the end of its closed connection.
    std::string Sent() {
        sock.CloseHost();
        std::string got;
        char chunk[256];
        while (Readable(peer)) {
            ssize_t n = read(peer, chunk, sizeof(chunk));
            if (n <= 0) break;
            got.append(chunk, static_cast<size_t>(n));
        }
        return got;
    }

    // You: 2 plants, 1 automatic, 3 raw; players 0 and 2 play, player 1 is out.
    void FillImage() {
        SetGamer(data.you, 1000, 5, 3, 2, 1);
        data.players_count = 3;
        SetGamer(data.players[0], 10, 1, 2, 1, 0);
        SetGamer(data.players[1], -1, 100, 100, 9, 9);
        SetGamer(data.players[2], 20, 4, 10, 2, 2);
        data.market.min_raw_price = 500;
        data.market.max_prod_price = 5500;
        data.market.raw = 8;
        data.market.prod = 6;
        data.turn_number = 17;
    }
    static void SetGamer(CGamer& g, int money, int prod, int raw, int fabrics, int autos) {
        g.money = money;
        g.prod = prod;
        g.raw = raw;
        g.fabrics = fabrics;
        g.auto_plants = autos;
    }

    CData data;
    CSocket sock;
    CRobot robot{&data, &sock};
    int peer = -1;
};

struct CommandCase {
    const char* name;
    std::function<void(RuntimeTest&)> build;
    const char* console;
    const char* sent;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class RobotCommand : public RobotBuiltin, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(RobotCommand, PrintsItsLineAndSendsItsCommand) {
    GetParam().build(*this);
    EXPECT_EQ(Run(), GetParam().console);
    EXPECT_EQ(Sent(), GetParam().sent);
    EXPECT_TRUE(exe.IsStackEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RobotCommand,
    ::testing::Values(
        CommandCase{"Buy", [](RuntimeTest& t) { t.Int(5).Int(100).Add(new PolizFuncRobBuy); },
                    "\t~Robot: buy 5 by 100$.\n", "buy 5 100\n"},
        CommandCase{"Sell", [](RuntimeTest& t) { t.Int(3).Int(250).Add(new PolizFuncRobSell); },
                    "\t~Robot: sell 3 by 250$.\n", "sell 3 250\n"},
        CommandCase{"Prod", [](RuntimeTest& t) { t.Int(0).Add(new PolizFuncRobProd); },
                    "\t~Robot: prod 0.\n", "prod 0\n"},
        CommandCase{"Upgrade", [](RuntimeTest& t) { t.Add(new PolizFuncRobUpgrade); },
                    "\t~Robot: Upgrade. \n", "upgrade\n"},
        CommandCase{"AutoSendsUpgrade", [](RuntimeTest& t) { t.Add(new PolizFuncRobAuto); },
                    "\t~Robot: Upgrade. \n", "upgrade\n"},
        CommandCase{"Turn", [](RuntimeTest& t) { t.Add(new PolizFuncRobTurn); },
                    "\t~Robot: Turn! \n", "turn\n"},
        CommandCase{
            "InProgramOrder",
            [](RuntimeTest& t) { t.Int(1).Add(new PolizFuncRobProd).Add(new PolizFuncRobTurn); },
            "\t~Robot: prod 1.\n\t~Robot: Turn! \n", "prod 1\nturn\n"}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST_F(RobotBuiltin, CommandWithAMissingOperandSendsNothing) {
    Int(5).Add(new PolizFuncRobBuy);
    EXPECT_EQ(Run(),
              Report("Stack access: stack is empty.") + Report("Const int waiting on stack."));
    EXPECT_EQ(Sent(), "");
}

struct PrintCase {
    const char* text;
    std::vector<int> values;  // pushed before the text, in script order
    const char* printed;
    std::vector<int> left;  // what stays on the stack, top first
};

void PrintTo(const PrintCase& c, std::ostream* os) { *os << c.text; }

class RobotPrint : public RuntimeTest, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(RobotPrint, FillsOnlyItsIntegerPlaces) {
    for (int v : GetParam().values) Int(v);
    Str(GetParam().text).Add(new PolizFuncRobPrint);
    EXPECT_EQ(Run(), std::string("\t~Robot said: ") + GetParam().printed + "\n");
    EXPECT_EQ(Drain(), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(Table, RobotPrint,
                         ::testing::Values(PrintCase{"\"hello\"", {}, "\"hello\"", {}},
                                           PrintCase{"\"money %d\"", {1000}, "\"money 1000\"", {}},
                                           PrintCase{"\"%d then %d\"", {1, 2}, "\"1 then 2\"", {}},
                                           PrintCase{"\"%d%d%d\"", {1, 2, 3}, "", {3, 2, 1}},
                                           PrintCase{"\"only %d\"", {7, 8}, "\"only 8\"", {7}},
                                           PrintCase{"\"%%d is %d\"", {4, 5}, "\"%4 is 5\"", {}},
                                           PrintCase{
                                               "\"%s %n %x %p %\"", {9}, "\"%s %n %x %p %\"", {9}},
                                           PrintCase{"\"%s and %d\"", {6}, "\"%s and 6\"", {}}));

struct MacroCase {
    const char* name;
    int expected;
};

void PrintTo(const MacroCase& c, std::ostream* os) { *os << c.name; }

class RobotMacro : public RobotBuiltin, public ::testing::WithParamInterface<MacroCase> {};

TEST_P(RobotMacro, GivesTheNamedValue) {
    Add(new PolizFuncRobMacros(GetParam().name));
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Drain(), std::vector<int>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    Table, RobotMacro,
    ::testing::Values(MacroCase{"\"YouProd\"", 4}, MacroCase{"\"AllProd\"", 10},
                      MacroCase{"\"AllRaw\"", 15}, MacroCase{"\"AllEffect\"", 11},
                      MacroCase{"\"Online\"", 3}, MacroCase{"\"OptiProd\"", 3},
                      MacroCase{"\".you.raw\"", 3}, MacroCase{"\".you.fabrics\"", 2},
                      MacroCase{"\".you.money\"", 1000}, MacroCase{"\".you.prod\"", 5},
                      MacroCase{"\".market.max_prod_price\"", 5500},
                      MacroCase{"\".market.min_raw_price\"", 500}, MacroCase{"\".market.raw\"", 8},
                      MacroCase{"\".market.prod\"", 6}));

TEST_F(RobotBuiltin, UnknownMacroEndsTheRun) {
    for (const char* name : {"\"youprod\"", "YouProd", "\"YouProd \""}) {
        auto* macro = new PolizFuncRobMacros(name);
        Add(macro);
    }
    EXPECT_EQ(Run(), Report("Wrong macros parameter."));
    EXPECT_TRUE(exe.IsStackEmpty());
}

struct DataCase {
    const char* s1;
    const char* s2;
    DataShape shape;
    int index;
    int expected;
};

void PrintTo(const DataCase& c, std::ostream* os) { *os << c.s1 << ' ' << (c.s2 ? c.s2 : ""); }

class RobotData : public RobotBuiltin, public ::testing::WithParamInterface<DataCase> {};

TEST_P(RobotData, ReadsTheImageByName) {
    const DataCase& c = GetParam();
    if (c.shape == DataShape::kIndexedName) Int(c.index);
    Add(new PolizFuncRoboWrite(c.s1, c.s2, c.shape));
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Drain(), std::vector<int>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    Table, RobotData,
    ::testing::Values(DataCase{".you", ".money", DataShape::kTwoNames, 0, 1000},
                      DataCase{".money", nullptr, DataShape::kName, 0, 1000},
                      DataCase{".players", ".money", DataShape::kIndexedName, 2, 20},
                      DataCase{".players", ".raw", DataShape::kIndexedName, 0, 2},
                      DataCase{".market", ".raw", DataShape::kTwoNames, 0, 8},
                      DataCase{".turn_number", nullptr, DataShape::kName, 0, 17}));

TEST_F(RobotBuiltin, DataReadThatTheImageCannotGiveIsReportedAndGoesOn) {
    Int(100).Add(new PolizFuncRoboWrite(".players", ".money", DataShape::kIndexedName));
    Add(new PolizFuncRoboWrite(".you", ".money", DataShape::kTwoNames));
    std::string out = Run();
    EXPECT_EQ(out,
              "\n\n~Error:  Runtime error. Can't give variable: '.players'\n :: -700"
              "\n~Try to continue (may be errors)? [y/n]");
    EXPECT_EQ(Drain(), (std::vector<int>{1000, 0}));
}

TEST_F(RobotBuiltin, DataReadTracesBothNameParts) {
    Add(new PolizFuncRoboWrite(".you", ".money", DataShape::kTwoNames));
    std::string out = RunDebug();
    EXPECT_NE(out.find(" EvaluateFunc ->  RData::s1(.you) ->  RData::s2(.money) -> "),
              std::string::npos)
        << out;
}
