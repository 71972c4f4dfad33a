// Tests of the checker's parts on their own: the robot's name lists it suggests from, the
// nearest-name choice, what counts as text, and expressions regrouped as the robot groups them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "lang/builtins.h"
#include "match/check/check.h"
#include "match/check/nearest.h"
#include "match/check/source.h"
#include "robot/data.h"

namespace match {
namespace {

// A suggestion is only worth making when the robot can read it.
TEST(RobotNameListsTest, EveryListedNameIsReadable) {
    for (const char* record : {".you", ".players", ".market"}) {
        const std::vector<std::string> fields = CData::FieldNames(record);
        EXPECT_GE(fields.size(), 4u) << record;
        for (const std::string& field : fields)
            EXPECT_TRUE(CData::Resolve(record, field.c_str()).found) << record << field;
    }
    const std::vector<std::string> singles = CData::FieldNames(nullptr);
    EXPECT_NE(std::find(singles.begin(), singles.end(), ".turn_number"), singles.end());
    for (const std::string& name : singles)
        EXPECT_TRUE(CData::Resolve(name.c_str(), nullptr).found) << name;
    int macros = 0;
    for (; MacroName(macros) != nullptr; ++macros) EXPECT_EQ(FindMacro(MacroName(macros)), macros);
    EXPECT_GE(macros, 6);
}

TEST(NearestNameTest, SuggestsOnlyCloseNames) {
    const std::vector<std::string> known{".money", ".prod", ".raw", ".fabrics", ".auto_plants"};
    const std::pair<std::string, std::string> cases[] = {
        {".monye", ".money"},     // two neighbours swapped count as one slip
        {".fabric", ".fabrics"},  // one left out
        {".autoplants", ".auto_plants"},
        {".cash", ""},  // no field is that close
        {".mo", ""},
        {std::string(100000, 'x'), ""},  // far too long to compare, and not compared
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(NearestName(name, known), expected) << Printable(name);
}

TEST(NotTextReasonTest, TellsScriptsFromOtherFiles) {
    const std::pair<std::string, bool> cases[] = {
        {"{\r\n  ?print \"caf\xC3\xA9 \xE2\x80\x9C\";\r\n  ?turn\r\n}\r\n",
         true},  // UTF-8 in a string is text
        {"{ ?turn }\f\r\n\t", true},
        {"{ ?print \"\xE9\"; ?turn }\r\n",
         true},  // one stray Latin-1 byte is a typo, not a binary file
        {std::string("{ ?turn }\0\r\n", 12), false},
        {std::string(20, '\xE9') + "{ ?turn }", false},
        {"\x01\x02\x03\x04{ ?turn }\r\n", false},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(NotTextReason(bytes).empty(), text) << Printable(bytes);
}

// The operator warning shows the author's expression grouped as the robot's priorities group it.
TEST(RegroupingTest, ShowsTheRobotsGrouping) {
    const std::pair<const char*, const char*> cases[] = {
        {"$a * $b > $c", "'$a * ($b > $c)'"},
        {"-$a + 1 < 2 * 3", "'-$a + (1 < 2) * 3'"},
        {"(1 + 2) * 3 - 4 < .you.raw | 1", "'(1 + 2) * 3 - (4 < (.you.raw | 1))'"},
        {"?macro \"Online\" > 1 & .players[$i + 1].money",
         "'?macro \"Online\" > (1 & .players[$i + 1].money)'"},
    };
    const std::string path =
        (std::filesystem::temp_directory_path() / ("regroup_" + std::to_string(getpid()))).string();
    for (const auto& [expression, grouped] : cases) {
        std::ofstream(path, std::ios::binary) << "{ $x := " << expression << "; ?turn }\r\n";
        std::ostringstream out, err;
        RunCheck({path}, false, out, err);
        EXPECT_NE(out.str().find(std::string(" means ") + grouped + ";"), std::string::npos)
            << out.str();
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace match
