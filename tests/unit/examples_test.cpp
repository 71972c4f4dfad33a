// Keeps the example robots and the script guide honest: every example compiles, every faulty
// one fails with the reports the guide shows, and every script the guide quotes is its file.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "mod/lang/exec.h"
#include "mod/lang/lex.h"
#include "mod/lang/syn.h"
#include "mod/robot/data.h"
#include "mod/robot/robot.h"
#include "mod/robot/socket.h"
#include "syntax_fixture.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = PROJECT_SOURCE_DIR;
const fs::path kExamples = kRoot / "examples";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every file under examples/ with this extension, in a stable order.
std::vector<fs::path> ExampleFiles(const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kExamples))
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The state every player starts a game with, in a market of two players at its middle mood.
void FillStartingState(CData& data) {
    data.game_number = 1;
    data.you.money = 10000;
    data.you.raw = 4;
    data.you.prod = 2;
    data.you.fabrics = 2;
    data.you.auto_plants = 0;
    data.market.raw = 4;
    data.market.min_raw_price = 550;
    data.market.prod = 4;
    data.market.max_prod_price = 5600;
}

// A script file compiled in process the way the robot does it, ready to run without a server.
class ExampleScript {
public:
    explicit ExampleScript(const fs::path& path)
        : lexic(path.c_str()), executer(&data, nullptr), run(&executer) {
        FillStartingState(data);
        output = CaptureStdout([&] { lexical_ok = lexic.MakeAnalysis(); });
        if (!lexical_ok) {
            output += CaptureStdout([&] { lexic.Print(); });
            return;
        }
        output += CaptureStdout([&] {
            CSyntax syntax(lexic.GetBegin(), &run);
            syntax_ok = syntax.MakeAnalysis();
        });
    }

    // The game data image the runs read; a robot attached with SetRobot must use it too.
    CData& Data() { return data; }
    void SetRobot(CRobot* robot) { executer.SetRobot(robot); }
    bool Passed() const { return lexical_ok && syntax_ok; }
    bool LexicalOk() const { return lexical_ok; }
    // What compiling printed, and after a lexical failure the lexeme listing.
    const std::string& Output() const { return output; }
    // One turn's run; without a robot only "?print" shows.
    std::string Run() {
        return CaptureStdout([&] { run.Execute(); });
    }

private:
    CData data;
    CLexic lexic;
    CExecuter executer;
    CRun run;
    bool lexical_ok = false;
    bool syntax_ok = false;
    std::string output;
};

TEST(Examples, EveryRobotPassesBothAnalyses) {
    const std::vector<fs::path> robots = ExampleFiles(".robot");
    ASSERT_GE(robots.size(), 4u);
    for (const fs::path& robot : robots) {
        SCOPED_TRACE(robot.string());
        ExampleScript script(robot);
        EXPECT_TRUE(script.LexicalOk()) << script.Output();
        EXPECT_TRUE(script.Passed()) << script.Output();
        EXPECT_EQ(script.Output().find("~Error"), std::string::npos) << script.Output();
    }
}

// The robot counts lines by carriage returns, and needs a character after the last lexeme.
TEST(Examples, EveryScriptHasCrLfLineEnds) {
    std::vector<fs::path> scripts = ExampleFiles(".robot");
    for (const fs::path& faulty : ExampleFiles(".bad")) scripts.push_back(faulty);
    for (const fs::path& path : scripts) {
        SCOPED_TRACE(path.string());
        const std::string text = ReadBytes(path);
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
    }
}

TEST(Examples, FaultyScriptsFailWithTheirDocumentedReports) {
    const std::vector<fs::path> faulty = ExampleFiles(".bad");
    ASSERT_FALSE(faulty.empty());
    for (const fs::path& path : faulty) {
        SCOPED_TRACE(path.string());
        fs::path expect = path;
        expect.replace_extension(".expect");
        ASSERT_TRUE(fs::exists(expect));
        ExampleScript script(path);
        EXPECT_FALSE(script.Passed());
        for (const std::string& line : Lines(ReadBytes(expect)))
            EXPECT_NE(script.Output().find(line), std::string::npos)
                << "missing: " << line << "\nin:\n" << script.Output();
    }
}

// A script with a NAME.out beside it prints exactly that in its first turn.
TEST(Examples, GuideScriptsPrintWhatTheGuideShows) {
    int checked = 0;
    for (const fs::path& robot : ExampleFiles(".robot")) {
        fs::path expected = robot;
        expected.replace_extension(".out");
        if (!fs::exists(expected)) continue;
        SCOPED_TRACE(robot.string());
        ExampleScript script(robot);
        ASSERT_TRUE(script.Passed()) << script.Output();
        EXPECT_EQ(script.Run(), ReadBytes(expected));
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

// A quote in a document: the marker line and the fenced block after it.
struct Quote {
    std::string path;
    int first = 0;  // 0: the whole file
    int last = 0;
    std::string block;
};

std::vector<Quote> QuotesIn(const fs::path& document) {
    static const std::regex marker(R"(<!-- example: (\S+)(?: lines (\d+)-(\d+))? -->)");
    const std::vector<std::string> lines = Lines(ReadBytes(document));
    std::vector<Quote> quotes;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_match(lines[i], m, marker)) continue;
        Quote quote{m[1], m[2].matched ? std::stoi(m[2]) : 0, m[3].matched ? std::stoi(m[3]) : 0, ""};
        std::size_t j = i + 2;  // skip the opening fence
        for (; j < lines.size() && lines[j] != "```"; ++j) quote.block += lines[j] + "\n";
        quotes.push_back(quote);
        i = j;
    }
    return quotes;
}

std::string Excerpt(const std::string& path, int first, int last) {
    const std::vector<std::string> lines = Lines(WithoutCr(ReadBytes(kRoot / path)));
    std::string text;
    for (int n = 1; n <= static_cast<int>(lines.size()); ++n)
        if (first == 0 || (n >= first && n <= last)) text += lines[n - 1] + "\n";
    return text;
}

TEST(ScriptGuide, QuotedScriptsAreTheirFiles) {
    const std::vector<Quote> quotes = QuotesIn(kRoot / "docs" / "script-guide.md");
    ASSERT_GE(quotes.size(), 20u);
    for (const Quote& quote : quotes) {
        SCOPED_TRACE(quote.path + " " + std::to_string(quote.first));
        ASSERT_TRUE(fs::exists(kRoot / quote.path));
        EXPECT_EQ(quote.block, Excerpt(quote.path, quote.first, quote.last));
    }
}

TEST(ScriptGuide, EveryExamplePathMentionedExists) {
    static const std::regex mention(R"(examples/[A-Za-z0-9_./-]*[A-Za-z0-9_/])");
    for (const char* document : {"docs/script-guide.md", "examples/README.md"}) {
        const std::string text = ReadBytes(kRoot / document);
        for (std::sregex_iterator it(text.begin(), text.end(), mention), end; it != end; ++it) {
            SCOPED_TRACE(std::string(document) + ": " + it->str());
            EXPECT_TRUE(fs::exists(kRoot / it->str()));
        }
    }
}

}  // namespace

namespace {

constexpr int kReadTimeoutMs = 10000;  // generous: sanitizer builds are slow

// A loopback listener that a CSocket connects to, collecting the command lines it sends.
class CommandSink {
public:
    CommandSink() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(addr);
        if (bind(listener, reinterpret_cast<sockaddr*>(&addr), size) != 0 || listen(listener, 1) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
            ADD_FAILURE() << "cannot listen on loopback";
        port = ntohs(addr.sin_port);
    }
    ~CommandSink() {
        if (peer >= 0) close(peer);
        close(listener);
    }
    void Connect(CSocket& socket) {
        socket.ConnectTo("127.0.0.1", port);
        peer = accept(listener, nullptr, nullptr);
    }
    // Everything sent until the other end closes, as lines.
    std::vector<std::string> ReadAll() {
        std::string text;
        char chunk[512];
        pollfd wait{peer, POLLIN, 0};
        while (poll(&wait, 1, kReadTimeoutMs) > 0) {
            ssize_t n = read(peer, chunk, sizeof(chunk));
            if (n <= 0) break;
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return Lines(text);
    }

private:
    int listener = -1;
    int peer = -1;
    int port = 0;
};

// One situation a robot may meet at the start of a turn.
struct Situation {
    const char* name;
    int turn, money, raw, prod, fabrics, auto_plants;
    int market_raw, min_raw_price, market_prod, max_prod_price;
    int rival_prod;  // products of one other player in the game; -1: no other player
};

const Situation kSituations[] = {
    {"first turn", 0, 10000, 4, 2, 2, 0, 4, 550, 4, 5600, 2},
    {"rich, scarce raw", 7, 60000, 9, 6, 3, 2, 2, 900, 6, 7000, 3},
    {"glutted market", 12, 15000, 1, 8, 1, 1, 8, 350, 2, 4300, 20},
    {"almost broke", 3, 2500, 3, 0, 2, 0, 4, 550, 4, 5600, -1},
    {"penniless", 4, 0, 2, 1, 2, 0, 4, 450, 4, 5000, 1},
    {"nothing left", 9, 900, 0, 0, 0, 0, 6, 450, 4, 5000, 5},
};

void Apply(const Situation& s, CData& data) {
    data.turn_number = s.turn;
    data.you.money = s.money;
    data.you.raw = s.raw;
    data.you.prod = s.prod;
    data.you.fabrics = s.fabrics;
    data.you.auto_plants = s.auto_plants;
    data.market.raw = s.market_raw;
    data.market.min_raw_price = s.min_raw_price;
    data.market.prod = s.market_prod;
    data.market.max_prod_price = s.max_prod_price;
    if (s.rival_prod < 0) return;
    data.players_count = 1;
    data.players[0].money = 8000;
    data.players[0].prod = s.rival_prod;
}

// The orders of one turn against the server's rules; returns what is wrong, or "".
std::string BreachOfRules(const Situation& s, const std::vector<std::string>& lines) {
    long long money = s.money;  // upgrades pay at once; later orders see the rest
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string order;
        long long n = 0, p = 0;
        in >> order >> n >> p;
        const bool last = i + 1 == lines.size();
        if (order == "turn" && last) return "";
        if (order == "buy" && (n < 1 || p < s.min_raw_price || n * p > money)) return lines[i];
        if (order == "sell" && (n < 1 || n > s.prod || p < 1 || p > s.max_prod_price)) return lines[i];
        if (order == "prod" && (n < 0 || n > s.raw || n > s.fabrics + 2LL * s.auto_plants || 2000 * n > money))
            return lines[i];
        if (order == "upgrade" && (money < 7000 || s.fabrics < 1)) return lines[i];
        if (order == "upgrade") money -= 7000;
        if (order != "buy" && order != "sell" && order != "prod" && order != "upgrade") return lines[i];
    }
    return "the turn does not end with \"turn\"";
}

TEST(Examples, RobotsGiveOnlyValidOrdersAndEndTheTurn) {
    int robots = 0;
    for (const fs::path& path : ExampleFiles(".robot")) {
        // The guide's example of a braceless script, which never ends a turn on purpose.
        if (path.filename() == "one-statement.robot") continue;
        ++robots;
        for (const Situation& situation : kSituations) {
            SCOPED_TRACE(path.filename().string() + ", " + situation.name);
            CommandSink sink;
            CSocket socket;
            sink.Connect(socket);
            ExampleScript script(path);
            CRobot robot(&script.Data(), &socket);
            script.SetRobot(&robot);
            ASSERT_TRUE(script.Passed()) << script.Output();
            Apply(situation, script.Data());
            const std::string output = script.Run();
            socket.CloseHost();
            const std::vector<std::string> orders = sink.ReadAll();
            EXPECT_EQ(output.find("~Error"), std::string::npos) << output;
            EXPECT_EQ(BreachOfRules(situation, orders), "") << output;
        }
    }
    EXPECT_GE(robots, 10);
}

}  // namespace
