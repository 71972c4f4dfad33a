// Tests of the game data image: its tag layout, the reads by name with their reports (names
// resolved once or at every read), and the players' register.
#include "robot/data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "client_console.h"

namespace {

// The tag texts in image order, each with the offset of the field it opens.
struct TagAt {
    std::string text;
    std::size_t offset;
};

std::vector<std::string> GamerTags(const std::string& record) {
    return {"<tag><type=child><name=" + record + ">",
            "<tag><type=int><name=money>",
            "<tag><type=int><name=prod>",
            "<tag><type=int><name=raw>",
            "<tag><type=int><name=fabrics>",
            "<tag><type=int><name=auto_plants>",
            "<tag><type=string><name=gamer_name>",
            "<tag><type=childend><name=" + record + ">"};
}

std::vector<std::string> ExpectedTags() {
    std::vector<std::string> tags = {
        "<tag><type=pointer><name=CData>", "<tag><type=int><name=turn_number>",
        "<tag><type=int><name=game_number>", "<tag><type=int><name=win>"};
    for (const auto& t : GamerTags("you")) tags.push_back(t);
    tags.push_back("<tag><type=int><name=players_count>");
    for (int i = 0; i < kMaxPlayers; ++i)
        for (const auto& t : GamerTags("gamer")) tags.push_back(t);
    for (const char* t : {"<tag><type=child><name=market>", "<tag><type=int><name=min_raw_price>",
                          "<tag><type=int><name=max_prod_price>", "<tag><type=int><name=raw>",
                          "<tag><type=int><name=prod>", "<tag><type=childend><name=market>"})
        tags.push_back(t);
    tags.push_back("<end><type=end><name=end>");
    return tags;
}

// Walks the image byte by byte, as the name scan does, and collects every tag text.
std::vector<TagAt> ScanTags(const CData& data) {
    const char* bytes = reinterpret_cast<const char*>(&data);
    const std::size_t size = offsetof(CData, _tag_data_end) + kTagBytes;
    std::vector<TagAt> found;
    for (std::size_t i = 0; i + 4 <= size; ++i)
        if (std::memcmp(bytes + i, "<tag", 4) == 0 || std::memcmp(bytes + i, "<end", 4) == 0)
            found.push_back({std::string(bytes + i), i});
    return found;
}

// An image whose fields hold distinct values, with helpers for reads that report.
class DataTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        AnswerPrompts("");
        CopyGamerName(data->you.gamer_name, "robo");
        data->you = Filled(data->you, 10);
        data->players_count = 2;
        for (int i = 0; i < kMaxPlayers; ++i)
            data->players[i] = Filled(data->players[i], 100 * (i + 1));
        data->market.raw = 7;
        data->market.min_raw_price = 500;
        data->market.prod = 8;
        data->market.max_prod_price = 5500;
        data->turn_number = 3;
        data->game_number = 12;
    }
    // A copy of the record whose fields count up from base: money, prod, raw, fabrics, auto.
    static CGamer Filled(CGamer g, int base) {
        g.money = base;
        g.prod = base + 1;
        g.raw = base + 2;
        g.fabrics = base + 3;
        g.auto_plants = base + 4;
        return g;
    }
    // Get with every prompt answered "y"; the console text is kept in `out`.
    int GetAnswered(const char* name1, const char* name2, int n) {
        AnswerPrompts("y\ny\ny\n");
        CapturedStdout capture;
        int value = data->Get(name1, name2, n);
        out = capture.Text();
        return value;
    }
    static std::string Report(const std::string& name) {
        return "\n\n~Error:  Runtime error. Can't give variable: '" + name +
               "'\n :: -700\n~Try to continue (may be errors)? [y/n]";
    }

    std::unique_ptr<CData> data = std::make_unique<CData>();
    std::string out;
};

TEST(DataLayout, TagsFollowFieldOrderAndEachValueLiesBehindItsTag) {
    auto data = std::make_unique<CData>();
    std::vector<TagAt> tags = ScanTags(*data);
    std::vector<std::string> texts;
    for (const auto& t : tags) texts.push_back(t.text);
    EXPECT_EQ(texts, ExpectedTags());

    const char* base = reinterpret_cast<const char*>(data.get());
    const auto offset = [base](const void* field) {
        return static_cast<std::size_t>(static_cast<const char*>(field) - base);
    };
    EXPECT_EQ(tags[0].offset, 0u);
    EXPECT_EQ(tags[1].offset, offset(&data->pointer_to_data) + sizeof(CData*));
    EXPECT_EQ(offset(&data->turn_number), tags[1].offset + kTagBytes);
    EXPECT_EQ(offset(&data->you.money), offset(data->you._tag_money) + kTagBytes);
    EXPECT_EQ(offset(&data->players[99].auto_plants),
              offset(data->players[99]._tag_auto_plants) + kTagBytes);
    EXPECT_EQ(offset(&data->market.prod), offset(data->market._tag_prod) + kTagBytes);
    EXPECT_EQ(data->pointer_to_data, data.get());
}

TEST(DataLayout, TagFieldsAreZeroBehindTheirText) {
    CData data;
    for (const char* tag : {data._tag_begin, data.you._tag_gamer_name, data.players[42]._tag_end,
                            data.market._tag_max_prod_price, data._tag_data_end}) {
        std::size_t len = std::strlen(tag);
        EXPECT_EQ(std::string(tag + len, kTagBytes - len), std::string(kTagBytes - len, '\0'))
            << tag;
    }
}

TEST(DataLayout, TemplateCopyRestoresTheInitialImage) {
    const CData pattern;
    auto data = std::make_unique<CData>();
    data->win = -1;
    data->turn_number = 9;
    data->AddGamer("bob");
    data->market.raw = 4;
    *data = pattern;
    EXPECT_EQ(data->players_count, 0);
    EXPECT_EQ(data->win, 0);
    EXPECT_EQ(data->turn_number, 0);
    EXPECT_EQ(std::memcmp(data.get(), &pattern, offsetof(CData, _tag_data_end) + kTagBytes), 0);
}

// A read by name and the value it gives.
struct GetCase {
    const char* name;
    const char* name1;
    const char* name2;
    int n;
    int value;
};

void PrintTo(const GetCase& c, std::ostream* os) { *os << c.name; }

// Reads by name over the table of cases.
class DataGetTest : public DataTest, public ::testing::WithParamInterface<GetCase> {};

TEST_P(DataGetTest, ReadsTheNamedValueWithoutReport) {
    const GetCase& c = GetParam();
    EXPECT_EQ(GetAnswered(c.name1, c.name2, c.n), c.value);
    EXPECT_EQ(out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Names, DataGetTest,
    ::testing::Values(GetCase{"YouMoney", ".you", ".money", 0, 10},
                      GetCase{"MoneyAloneIsTheRobots", ".money", nullptr, 0, 10},
                      GetCase{"YouAutoPlants", ".you", ".auto_plants", 0, 14},
                      GetCase{"PlayerBeyondCountStillRead", ".players", ".money", 5, 600},
                      GetCase{"LastPlayer", ".players", ".raw", 99, 10002},
                      GetCase{"MarketRawNotTheRobots", ".market", ".raw", 0, 7},
                      GetCase{"MarketPriceAlone", ".min_raw_price", nullptr, 0, 500},
                      GetCase{"MaxPriceAlone", ".max_prod_price", nullptr, 0, 5500},
                      GetCase{"TurnNumber", ".turn_number", nullptr, 0, 3},
                      GetCase{"GameNumber", ".game_number", nullptr, 0, 12},
                      GetCase{"PlayersCount", ".players_count", nullptr, 0, 2},
                      GetCase{"RawWithDotIsLongEnough", ".raw", nullptr, 0, 12},
                      GetCase{"KindIntFindsTheFirstIntField", ".you", ".int", 0, 10},
                      // A tag's name reads the four bytes behind that tag, whatever they are.
                      GetCase{"NameFieldReadsTheNamesFirstBytes", ".you", ".gamer_name", 0,
                              0x6f626f72},  // "robo"
                      GetCase{"RecordEndReadsTheNextTag", ".you", ".childend", 0,
                              0x6761743c},  // "<tag"
                      GetCase{"LastPlayersEndReadsTheMarketsTag", ".players", ".childend", 99,
                              0x6761743c},
                      GetCase{"ImageEndReadsItsOwnText", ".end", nullptr, 0,
                              0x646e653c}),  // "<end"
    [](const auto& info) { return std::string(info.param.name); });

// A read by name that fails, its result and the names it reports in order.
struct ReportCase {
    const char* name;
    const char* name1;
    const char* name2;
    int n;
    int value;
    std::vector<std::string> reported;
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

// Failing reads over the table of cases.
class DataReportTest : public DataTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(DataReportTest, ReportsTheNameThatFailed) {
    const ReportCase& c = GetParam();
    EXPECT_EQ(GetAnswered(c.name1, c.name2, c.n), c.value);
    std::string expected;
    for (const auto& name : c.reported) expected += Report(name);
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DataReportTest,
    ::testing::Values(
        ReportCase{"IndexTooLarge", ".players", ".money", 100, 0, {".players"}},
        ReportCase{"IndexNegative", ".players", ".money", -1, 0, {".players"}},
        ReportCase{"PlayersWithoutField", ".players", nullptr, 0, 0, {".players"}},
        ReportCase{"YouWithoutField", ".you", nullptr, 0, 0, {".you"}},
        ReportCase{"MarketWithoutField", ".market", nullptr, 0, 0, {".market"}},
        ReportCase{"RecordHasNoSuchField", ".you", ".win", 0, 0, {"win"}},
        ReportCase{"MarketHasNoMoney", ".market", ".money", 0, 0, {"money"}},
        ReportCase{"TopLevelWithField", ".turn_number", ".money", 0, -1, {".turn_number"}},
        ReportCase{"UnknownName", ".nothing", nullptr, 0, 0, {"nothing"}},
        ReportCase{"ShortNameThenScan", ".ab", nullptr, 0, 0, {".ab", "ab"}},
        ReportCase{"ShortSecondName", ".you", ".ab", 0, 0, {".ab", "ab"}},
        ReportCase{"MissingFirstName", nullptr, nullptr, 0, 0, {"'<empty variable name>'"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataTest, RefusingToContinueEndsWithTheReportNumber) {
    EXPECT_EXIT(
        {
            AnswerPrompts("n\n");
            data->Get(".you", nullptr, 0);
        },
        ::testing::ExitedWithCode(static_cast<unsigned char>(-700)), "");
}

TEST_F(DataTest, ScanOfABrokenRecordStopsAtTheImageEnd) {
    // Without its end tag the market's scan runs on to the end of the image, never past it.
    std::memset(data->market._tag_end, 'x', kTagBytes);
    std::memset(data->_tag_data_end, 'x', kTagBytes);
    EXPECT_EQ(GetAnswered(".market", ".nothing", 0), 0);
    EXPECT_EQ(out, Report("nothing"));
}

// A name given by the server, and a read that must not find anything in it.
struct HostileNameCase {
    const char* name;
    const char* gamer_name;  // given to players[1], or to the robot when `own`
    bool own;
    const char* name1;
    const char* name2;
    int value;
    std::vector<std::string> reported;
};

void PrintTo(const HostileNameCase& c, std::ostream* os) { *os << c.name; }

class DataHostileNameTest : public DataTest,
                            public ::testing::WithParamInterface<HostileNameCase> {};

// Fields are found by their tags only: a name that looks like a tag is just a name.
TEST_P(DataHostileNameTest, NameIsNeverReadAsATag) {
    const HostileNameCase& c = GetParam();
    CopyGamerName(c.own ? data->you.gamer_name : data->players[1].gamer_name, c.gamer_name);
    data->market.max_prod_price = 5600;
    EXPECT_EQ(GetAnswered(c.name1, c.name2, 1), c.value);
    std::string expected;
    for (const auto& name : c.reported) expected += Report(name);
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DataHostileNameTest,
    ::testing::Values(
        HostileNameCase{"FieldNameAlone", "=max_prod_price>", false, ".max_prod_price", nullptr,
                        5600, {}},
        HostileNameCase{"ImageEndText", "<name=end>", false, ".max_prod_price", nullptr, 5600, {}},
        HostileNameCase{"TagStartBeforeField", "<tag>=min_raw_price>", false, ".min_raw_price",
                        nullptr, 500, {}},
        HostileNameCase{"UnknownFieldInPlayer", "=foo>", false, ".players", ".foo", 0, {"foo"}},
        HostileNameCase{"UnknownFieldInOwnRecord", "=foo>", true, ".you", ".foo", 0, {"foo"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataTest, ResolvedNameReadsAnyPlayerAndTheLatestValues) {
    const CDataField money = CData::Resolve(".players", ".money");
    const CDataField nothing = CData::Resolve(".market", ".nothing");
    data->players[3].money = 77;
    {
        CapturedStdout capture;
        EXPECT_EQ(data->Read(money, 0), 100);
        EXPECT_EQ(data->Read(money, 3), 77);
        EXPECT_EQ(data->Read(money, 99), 10000);
        EXPECT_EQ(capture.Text(), "");
    }
    AnswerPrompts("y\ny\n");
    CapturedStdout capture;
    EXPECT_EQ(data->Read(nothing, 0), 0);
    EXPECT_EQ(data->Read(money, 100), 0);
    EXPECT_EQ(capture.Text(), Report("nothing") + Report(".players"));
}

TEST(DataGamers, OwnNameWinsOverARegisteredPlayer) {
    auto data = std::make_unique<CData>();
    CopyGamerName(data->you.gamer_name, "robo");
    EXPECT_EQ(data->AddGamer("bob"), 0);
    EXPECT_EQ(data->AddGamer("robo"), 1);
    EXPECT_EQ(data->GetNumberByGamerName("robo"), -2);
    EXPECT_EQ(data->GetNumberByGamerName("bob"), 0);
    EXPECT_EQ(data->GetNumberByGamerName("bo"), -1);
    EXPECT_EQ(data->GetNumberByGamerName("bobby"), -1);
}

TEST(DataGamers, NoEntryBeyondTheLastIsWritten) {
    auto data = std::make_unique<CData>();
    for (int i = 0; i < kMaxPlayers; ++i)
        EXPECT_EQ(data->AddGamer(("p" + std::to_string(i)).c_str()), i);
    EXPECT_EQ(data->AddGamer("one too many"), -1);
    EXPECT_EQ(data->players_count, kMaxPlayers);
    EXPECT_STREQ(data->market._tag_header, "<tag><type=child><name=market>");
    EXPECT_EQ(data->GetNumberByGamerName("p99"), 99);
}

TEST(DataGamers, LongNamesAreCutAndStillFound) {
    auto data = std::make_unique<CData>();
    const std::string long_name(300, 'n');
    EXPECT_EQ(data->AddGamer(long_name.c_str()), 0);
    EXPECT_EQ(std::string(data->players[0].gamer_name), long_name.substr(0, 255));
    EXPECT_EQ(data->GetNumberByGamerName(long_name.c_str()), 0);
    EXPECT_STREQ(data->players[0]._tag_end, "<tag><type=childend><name=gamer>");
}

}  // namespace
