// Tests of the server connection against a scripted peer: marker waits, token reads, the
// lines sent and the reports of a broken connection.
#include "robot/socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "client_console.h"
#include "fake_peer.h"

namespace {

// A connection to a fresh scripted peer; error prompts find a closed input.
class SocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        AnswerPrompts("");
    }
    void Connect() {
        peer.Start();
        socket.ConnectTo(peer.Address().c_str(), peer.Port());
    }
    std::string Buf() { return std::string(socket.GetBufAddr()); }

    FakePeer peer;
    CSocket socket;
};

// Bytes in segments, the marker awaited in them and the number right behind it.
struct WaitCase {
    std::string name;
    std::vector<std::string> segments;
    std::string marker;
    int after;  // the number right behind the marker
};

void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }

// Marker waits over the table of cases.
class SocketWaitTest : public SocketTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(SocketWaitTest, FindsMarkerAndStopsRightBehindIt) {
    peer.SendSegments(GetParam().segments);
    Connect();
    EXPECT_EQ(socket.Wait(GetParam().marker.c_str()), 1);
    EXPECT_EQ(Buf(), GetParam().marker);
    EXPECT_EQ(socket.GetBufSize(), static_cast<int>(GetParam().marker.size()) + 1);
    EXPECT_EQ(socket.Read_Int(), GetParam().after);
    EXPECT_EQ(peer.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Markers, SocketWaitTest,
    ::testing::Values(
        WaitCase{"Alone", {"& START 1\n"}, "& START", 1},
        WaitCase{"SplitInTwo", {"chat line\n& MAR", "KET 4 500\n"}, "& MARKET", 4},
        WaitCase{"SplitInMany", {"&", " ", "S", "TART", " 9\n"}, "& START", 9},
        WaitCase{"InsideChat", {"bob says: look, & MARKET 7 inside a chat line\n"}, "& MARKET", 7},
        WaitCase{"AfterItsOwnPrefix", {"& MARK& MARKET 3\n"}, "& MARKET", 3},
        WaitCase{"RepeatedPrefix", {"waiting  waiting  #12\n"}, "waiting  #", 12}),
    [](const auto& info) { return info.param.name; });

// A stream, two markers, which one ends the wait and the token left behind it.
struct Wait2Case {
    std::string name;
    std::string stream;
    std::string first, second;
    int result;
    std::string left;  // the token read right after the wait
};

void PrintTo(const Wait2Case& c, std::ostream* os) { *os << c.name; }

// Two-marker waits over the table of cases.
class SocketWait2Test : public SocketTest, public ::testing::WithParamInterface<Wait2Case> {};

TEST_P(SocketWait2Test, ReportsWhichMarkerCameFirst) {
    const Wait2Case& c = GetParam();
    peer.Send(c.stream);
    Connect();
    EXPECT_EQ(socket.Wait2(c.first.c_str(), c.second.c_str()), c.result);
    EXPECT_EQ(Buf(), c.result == 1 ? c.first : c.second);
    socket.Read_Str();
    EXPECT_EQ(Buf(), c.left);
    EXPECT_EQ(peer.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Markers, SocketWait2Test,
    ::testing::Values(
        Wait2Case{"FirstWins", "x & INFO bob\n& PLAYERS 2\n", "& INFO", "& PLAYERS", 1, " bob"},
        Wait2Case{"SecondWins", "x & PLAYERS 2\n& INFO bob\n", "& INFO", "& PLAYERS", -1, " 2"},
        Wait2Case{"TieGoesToSecond", "..XAB rest\n", "XAB", "AB", -1, " rest"},
        Wait2Case{"TieGoesToSecondLonger", "..XAB rest\n", "AB", "XAB", -1, " rest"}),
    [](const auto& info) { return info.param.name; });

// A stream and the numbers that successive Read_Int calls take from it.
struct TokenCase {
    std::string name;
    std::string stream;
    std::vector<int> numbers;
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.name; }

// Number reads over the table of cases.
class SocketReadIntTest : public SocketTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(SocketReadIntTest, StopsAtTheRightByte) {
    peer.Send(GetParam().stream);
    Connect();
    std::vector<int> got;
    for (std::size_t i = 0; i < GetParam().numbers.size(); ++i) got.push_back(socket.Read_Int());
    EXPECT_EQ(got, GetParam().numbers);
    EXPECT_EQ(peer.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(Tokens, SocketReadIntTest,
                         ::testing::Values(TokenCase{"BlankSeparatedAndLineFeed",
                                                     " 2 500 2 5500\n9\n",
                                                     {2, 500, 2, 5500, 9}},
                                           TokenCase{"OneDigitKeepsItsNeighbour", "7 8\n", {7, 8}},
                                           TokenCase{"DollarEndsANumber", "500$7\n", {500, 7}},
                                           TokenCase{"EmptyLineIsZero", "\n5\n", {0, 5}},
                                           TokenCase{"LeadingBlankAndSign", " -12 3\n", {-12, 3}},
                                           TokenCase{"SecondBlankLeadsTheNext", "1  2\n", {1, 2}},
                                           TokenCase{
                                               "NulEndsANumber", std::string("5\0 6\n", 5), {5, 6}},
                                           TokenCase{"NoDigits", "abc 4\n", {0, 4}},
                                           TokenCase{"DigitsUpToANonDigit", "12ab 4\n", {12, 4}},
                                           TokenCase{"ClampedToTheIntRange",
                                                     "99999999999 -99999999999 2147483648\n",
                                                     {INT_MAX, INT_MIN, INT_MAX}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(SocketTest, RawReadsReplaceOrExtendTheBuffer) {
    peer.Send("ab");
    Connect();
    socket.Read(1);
    EXPECT_EQ(std::string(socket.GetBufAddr(), socket.GetBufSize()), "a");
    socket.ReadNext(1);
    EXPECT_EQ(std::string(socket.GetBufAddr(), socket.GetBufSize()), "ab");
    EXPECT_EQ(peer.Finish(), "");
}

// A stream, the buffer after Read_Str and after DelSpacesInBuf (all bytes, the NUL
// included), and the number that a Read_Int takes right behind the token.
struct StrCase {
    std::string name;
    std::string stream;
    std::string token;
    std::string trimmed;
    int next;
};

void PrintTo(const StrCase& c, std::ostream* os) { *os << c.name; }

// Text reads and trimming over the table of cases.
class SocketReadStrTest : public SocketTest, public ::testing::WithParamInterface<StrCase> {};

TEST_P(SocketReadStrTest, LeavesTheTokenAndTrimsItsLeadingBlanks) {
    const StrCase& c = GetParam();
    peer.Send(c.stream);
    Connect();
    EXPECT_EQ(socket.Read_Str(), static_cast<int>(c.token.size()));
    EXPECT_EQ(std::string(socket.GetBufAddr(), socket.GetBufSize()), c.token);
    socket.DelSpacesInBuf();
    EXPECT_EQ(std::string(socket.GetBufAddr(), socket.GetBufSize()), c.trimmed);
    EXPECT_EQ(socket.Read_Int(), c.next);
    EXPECT_EQ(peer.Finish(), "");
}

const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Tokens, SocketReadStrTest,
    ::testing::Values(
        StrCase{"LeadingBlankKeptUntilTrimmed", " alice 7\n", " alice" + kNul, "alice" + kNul, 7},
        StrCase{"DollarIsNoStop", "a$b 7\n", "a$b" + kNul, "a$b" + kNul, 7},
        StrCase{"LineFeedEndsIt", "  bob\n7\n", "  bob" + kNul, "bob" + kNul, 7},
        StrCase{"NulEndsIt", "ab" + kNul + "7\n", "ab" + kNul + kNul, "ab" + kNul + kNul, 7},
        StrCase{"OnlyTheLastByteNotBlankStaysUntrimmed", "   \n7\n", "   " + kNul, "   " + kNul,
                7}),
    [](const auto& info) { return info.param.name; });

TEST_F(SocketTest, EndlessTokenIsCutAndTheNextTokenStillReadable) {
    const std::size_t huge = 3 * 1024 * 1024;
    peer.Send(std::string(huge, 'x') + " 5\n");
    Connect();
    EXPECT_EQ(socket.Read_Str(), CSocket::kMaxTokenBytes + 1);
    EXPECT_EQ(Buf(), std::string(CSocket::kMaxTokenBytes, 'x'));
    EXPECT_EQ(socket.Read_Int(), 5);
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(SocketTest, SecondMarkerGivesQuietErrorOnceAndReadsNothingMore) {
    peer.Send("no game: games are played 77\nwaiting  #5\n");
    Connect();
    CapturedStdout out;
    EXPECT_EQ(socket.ReadAfterWait2_Int("waiting  #", "games are played", 0, -1), -1);
    EXPECT_EQ(socket.GetError().get_number(), -5000);
    EXPECT_EQ(socket.GetError().get_number(), 0);
    EXPECT_EQ(socket.Read_Int(), 77);
    EXPECT_EQ(socket.ReadAfterWait2_Int("waiting  #", "games are played", 0, 1), 5);
    EXPECT_EQ(socket.GetError().get_number(), 0);
    EXPECT_EQ(out.Text(), "");
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(SocketTest, BadLengthIsReportedAndNothingRead) {
    peer.Send("& MARKET 4\n");
    Connect();
    AnswerPrompts("y\ny\n");
    const std::string report =
        "\n\n~Error: Lenght in ReadAferWait_Int incorrect. :: -6"
        "\n~Try to continue (may be errors)? [y/n]";
    CapturedStdout out;
    EXPECT_EQ(socket.ReadAfterWait_Int("& MARKET", 0, 0), 0);
    EXPECT_EQ(socket.ReadAfterWait2_Int("& MARKET", "games are played", 0, -2), 0);
    EXPECT_EQ(out.Text(), report + report);
    EXPECT_EQ(socket.GetError().get_number(), -6);  // not the quiet -5000
    EXPECT_EQ(socket.ReadAfterWait_Int("& MARKET", 0, 1), 4);
    EXPECT_EQ(peer.Finish(), "");
}

// A send operation and the bytes it must put on the wire.
struct SendCase {
    std::function<void(CSocket&)> send;
    std::string bytes;
};

TEST_F(SocketTest, SendsExactBytes) {
    const std::vector<SendCase> cases = {
        {[](CSocket& s) { s.SendCommand("Hi!"); }, "Hi!\n"},
        {[](CSocket& s) { s.Write("raw"); }, "raw"},
        {[](CSocket& s) { s.SendCommand(""); }, "\n"},
        {[](CSocket& s) { s.SendCommandWithInt("prod ", 3); }, "prod 3\n"},
        {[](CSocket& s) { s.SendCommandWithInt(".join ", 12); }, ".join 12\n"},
        {[](CSocket& s) { s.SendCommandWithInt2("sell ", 2, 5500); }, "sell 2 5500\n"},
        {[](CSocket& s) { s.SendCommandWithInt2("buy ", 1000000000, 5); }, "buy 1000000000 5\n"},
        {[](CSocket& s) { s.SendCommandWithInt2("buy ", INT_MIN, -1); }, "buy -2147483648 -1\n"},
    };
    std::string expected;
    for (const auto& c : cases) expected += c.bytes;
    Connect();
    for (const auto& c : cases) c.send(socket);
    socket.CloseHost();
    peer.Finish();
    EXPECT_EQ(peer.Received(), expected);
}

TEST_F(SocketTest, WriteToClosedPeerIsReportedNotFatal) {
    peer.Close();
    Connect();
    peer.Finish();
    std::string yes;
    for (int i = 0; i < 100; ++i) yes += "y\n";
    AnswerPrompts(yes);
    CapturedStdout out;
    int faults = 0;
    for (int i = 0; i < 100 && faults == 0; ++i) {
        socket.SendCommand("turn");
        faults = socket.GetError().get_number();
    }
    EXPECT_EQ(faults, -5);
    EXPECT_NE(out.Text().find("~Error: Connection fault. :: -5"), std::string::npos);
}

TEST_F(SocketTest, ClosedConnectionWhileReadingEndsOnRefusal) {
    peer.Send("1 ").Close();
    Connect();
    EXPECT_EQ(socket.Read_Int(), 1);
    EXPECT_EXIT(
        {
            AnswerPrompts("n\n");
            socket.Read_Int();
        },
        ::testing::ExitedWithCode(static_cast<unsigned char>(-5)), "");
}

TEST_F(SocketTest, ConnectReportsBadAddressAndRefusedConnection) {
    AnswerPrompts("y\ny\n");
    CapturedStdout out;
    socket.ConnectTo("not-an-address", peer.Port());
    const std::string text = out.Text();
    EXPECT_NE(text.find("~Error: Wrong remote IP or PORT. :: -3"), std::string::npos);
    EXPECT_NE(text.find("~Error: Cann't open remote host. :: -4"), std::string::npos);
}

}  // namespace

// An adopted descriptor serves as the connection both ways and is closed with it.
TEST(SocketAdopt, ReadsWritesAndClosesTheAdoptedEnd) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    const std::string stream = "noise & START 12\n";
    ASSERT_EQ(write(ends[1], stream.data(), stream.size()), static_cast<ssize_t>(stream.size()));
    CSocket socket;
    socket.Adopt(ends[0]);
    socket.Wait("& START");
    EXPECT_EQ(socket.Read_Int(), 12);
    socket.SendCommand("turn");
    socket.CloseHost();
    char got[16] = {};
    EXPECT_EQ(read(ends[1], got, sizeof got), 5);
    EXPECT_STREQ(got, "turn\n");
    EXPECT_EQ(read(ends[1], got, sizeof got), 0) << "the adopted end was closed";
    close(ends[1]);
}
