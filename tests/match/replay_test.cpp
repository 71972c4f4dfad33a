// Tests of the replay page's data: what it keeps from the log, and that no name can break the page.
#include "match/web/replay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "match/json/view.h"
#include "match/web/page_files.h"
#include "match/web/palette.h"
#include "match/web/turn_output.h"
#include "scratch_dir.h"

namespace match {
namespace {

const char kHostile[] = "</script><script>alert(1)</script><!--";

// Two games in one log; the second player of game 2 has a name made to end the script element.
const std::string kLog = std::string(R"({"event":"start","game":1,"seed":3,"max_turns":9,"players":["x"]})") + "\n" +
    R"({"event":"start","game":2,"seed":7,"max_turns":5,"players":["ann","<\/script><script>alert(1)<\/script><!--"]})" + "\n" +
    "not json\n" +
    R"({"event":"turn","game":2,"turn":1,"market":{"mood":2,"raw":4,"min_raw_price":550,"prod":4,"max_prod_price":5600},)"
    R"("orders":[{"player":"ann","order":"buy 2 600"}],"refused":[{"player":"ann","order":"buy 1 1","reason":"too low"}],)"
    R"("trades":[{"player":"ann","kind":"raw","n":2,"price":600}],"players":[{"name":"ann","money":9400,"raw":6,)"
    R"("prod":2,"fabrics":2,"auto_plants":0,"out":false,"upgrading":1,"building":0}]})" + "\n" +
    R"({"event":"end","game":2,"turn":1,"reason":"last_player","winner":"ann","players":[{"name":"ann","out_turn":null},)"
    R"({"name":"<\/script><script>alert(1)<\/script><!--","out_turn":1,"out_reason":"bankrupt"}]})" + "\n";

Json Data(std::int64_t game) {
    std::istringstream log(kLog);
    std::optional<Json> data = ParseJson(ReplayData(log, game, "t"));
    EXPECT_TRUE(data.has_value());
    return data.value_or(Json());
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(Replay, HostileNameStaysTextInTheData) {
    std::istringstream log(kLog);
    const std::string data = ReplayData(log, 2, kHostile);
    for (const char* c : {"<", ">", "&"}) EXPECT_EQ(data.find(c), std::string::npos) << c;
    Json parsed = ParseJson(data).value_or(Json());
    EXPECT_EQ(parsed["title"], kHostile);
    EXPECT_EQ(parsed["players"].at(1)["name"], kHostile);

    std::istringstream again(kLog);
    const std::string page = RenderReplay(again, 2, kHostile);
    EXPECT_EQ(Count(page, "</script"), Count(ReplayPage("{}"), "</script"));
    EXPECT_EQ(Count(page, "<!--"), 0u);
}

TEST(Replay, KeepsOneGameWithItsPlayersTurnsAndEnd) {
    Json data = Data(2);
    EXPECT_EQ(data["seed"], 7);
    ASSERT_EQ(data["players"].size(), 2u);
    EXPECT_EQ(data["players"][1]["colour"], PlayerColour(1));
    ASSERT_EQ(data["turns"].size(), 1u);
    Json& turn = data["turns"][0];
    EXPECT_EQ(turn["market"]["min_raw_price"], 550);
    EXPECT_EQ(turn["orders"][0]["order"], "buy 2 600");
    EXPECT_TRUE(turn["orders"][0]["reason"].is_null());
    EXPECT_EQ(turn["refused"][0]["reason"], "too low");
    EXPECT_EQ(turn["trades"][0]["price"], 600);
    // Holdings follow the order of "fields"; keys the log lacks are null.
    const Json& fields = data["fields"];
    const Json& ann = turn["holdings"][0];
    ASSERT_EQ(ann.size(), fields.size());
    auto held = [&](const std::string& name) -> const Json& {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i] == name) return ann[i];
        ADD_FAILURE() << "no field " << name;
        return ann[0];
    };
    EXPECT_EQ(held("money"), 9400);
    EXPECT_EQ(held("upgrading"), 1);
    EXPECT_TRUE(held("out_reason").is_null());
    EXPECT_TRUE(turn["holdings"][1].is_null());  // not in this turn's record
    EXPECT_EQ(data["end"]["winner"], 0);
    EXPECT_EQ(data["end"]["out_turn"][1], 1);
}

TEST(Replay, CarriesTheMatchsEndingOfEachPlayer) {
    std::istringstream log(kLog);
    const std::string text = ReplayData(log, 2, "t", {{"ann", {"error -750 at turn 1: <bad>", 1, ""}}});
    Json data = ParseJson(text).value_or(Json());
    EXPECT_EQ(data["players"][0]["ending"], "error -750 at turn 1: <bad>");
    EXPECT_EQ(data["players"][0]["void_turn"], 1);
    EXPECT_TRUE(data["players"][1]["ending"].is_null());
    EXPECT_TRUE(data["players"][1]["void_turn"].is_null());
}

// Three robots over three turns: ann ends every turn and floods turn 2; bob's runtime error stops
// it in turn 2; cy never ends a turn, so the timeout ends each one.
std::string TurnLine(int turn) {
    const std::string ended = R"(,"took_ms":)" + std::to_string(10 * turn) + R"(,"timed_out":false},)";
    return R"({"event":"turn","game":1,"turn":)" + std::to_string(turn) + R"(,"players":[{"name":"ann")" + ended +
           R"({"name":"bob","out":)" + (turn > 1 ? "true" : "false") + (turn < 3 ? ended : "},") +
           R"({"name":"cy","took_ms":1000,"timed_out":true}]})" + "\n";
}

TEST(Replay, ShowsWhatEachRobotPrintedInEachTurn) {
    const std::string said = "\t~Robot said: ", end = "\t~Robot: Turn! ";
    std::string flood, wide = "x";
    for (int i = 0; i < 50; ++i) flood += said + std::to_string(i) + "\n";
    for (int i = 0; i < 200; ++i) wide += "\xC3\xA9";  // two-byte letters, cut between two of them
    ScratchDir dir("replay_printed");
    ASSERT_TRUE(dir.Put("ann", said + "joining\n~Info: The game is started.\n\n" + said + "1\n" + end + "\n" + flood +
                                   end + "\n" + said + "3\n" + end + "\n~Info: The game is over.\n"));
    ASSERT_TRUE(dir.Put("bob", "~Info: The game is started.\n" + said + "1\n" + end + "\n~Error: bad\n :: -750\n"));
    ASSERT_TRUE(dir.Put("cy", "~Info: The game is started.\n" + said + "0\n" + wide + "\n"));
    std::istringstream log(std::string(R"({"event":"start","game":1,"players":["ann","bob","cy"]})") + "\n" +
                           TurnLine(1) + TurnLine(2) + TurnLine(3));
    const ReplayPlayers known = {{"ann", {"won", 0, dir.path() + "/ann"}},
                                 {"bob", {"error -750 at turn 2", 2, dir.path() + "/bob"}},
                                 {"cy", {"", 0, dir.path() + "/cy"}}};
    Json data = ParseJson(ReplayData(log, 0, "t", known)).value_or(Json());
    struct Case {
        size_t turn, player;
        std::string first, last;  // empty: nothing shown
        size_t cut;
    } const cases[] = {
        {0, 0, said + "1", end, 0},         {1, 0, said + "11", end, 11}, {2, 0, said + "3", "~Info: The game is over.", 0},
        {0, 1, said + "1", end, 0},         {1, 1, "~Error: bad", " :: -750", 0}, {2, 1, "", "", 0},
        {0, 2, said + "0", wide.substr(0, kTurnOutputLineBytes - 1) + " \u2026", 0}, {1, 2, "", "", 0},
    };
    for (const Case& c : cases) {
        const Json& shown = data["printed"][c.turn][c.player];
        SCOPED_TRACE("turn " + std::to_string(c.turn + 1) + ", player " + std::to_string(c.player) + ": " + shown.dump());
        if (c.first.empty()) {
            EXPECT_TRUE(shown.is_null());
            continue;
        }
        EXPECT_EQ(shown["lines"].front(), c.first);
        EXPECT_EQ(shown["lines"].back(), c.last);
        EXPECT_EQ(shown["cut"], c.cut);
    }
    // The time each took and the timeout's mark ride in the holdings; bob, out, has neither.
    const Json& fields = data["fields"];
    const auto at = [&](const char* name) { return std::find(fields.begin(), fields.end(), name) - fields.begin(); };
    EXPECT_EQ(data["turns"][1]["holdings"][0][at("took_ms")], 20);
    EXPECT_EQ(data["turns"][1]["holdings"][2][at("timed_out")], true);
    EXPECT_TRUE(data["turns"][2]["holdings"][1][at("took_ms")].is_null());
}

TEST(Replay, FirstGameOfTheLogByDefault) {
    Json data = Data(0);
    EXPECT_EQ(data["game"], 1);
    EXPECT_EQ(data["players"].size(), 1u);
    EXPECT_TRUE(data["turns"].empty());
    EXPECT_TRUE(data["end"].is_null());
}

TEST(Replay, UnreadableLogIsAnError) {
    EXPECT_NE(WriteReplay("/nonexistent/game.jsonl", 0, "t", "/tmp/replay.html"), "");
}

// Every page file of the source folder is built in byte for byte, and nothing else is.
TEST(PageFiles, BuiltInExactlyAsTheFilesOfTheFolder) {
    namespace fs = std::filesystem;
    size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(PROJECT_SOURCE_DIR "/tools/match/web/pages")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".html" && ext != ".css" && ext != ".js") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(PageFile(entry.path().filename().string()), bytes) << entry.path();
        ++files;
    }
    EXPECT_EQ(PageFileNames().size(), files);
    EXPECT_THROW(PageFile("missing.js"), std::logic_error);
}

TEST(PageFiles, PlaceholderMustOccurOnce) {
    EXPECT_EQ(FillPlaceholder("<p>{{x}}</p>", "{{x}}", "1"), "<p>1</p>");
    for (const char* page : {"<p></p>", "{{x}}{{x}}"})
        EXPECT_THROW(FillPlaceholder(page, "{{x}}", "1"), std::logic_error) << page;
}

}  // namespace
}  // namespace match
