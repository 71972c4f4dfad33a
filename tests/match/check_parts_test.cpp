// Tests of the checker's parts on their own: the nearest-name choice and what counts as text.
#include <gtest/gtest.h>

#include "match/check/nearest.h"
#include "match/check/source.h"

namespace match {
namespace {

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

}  // namespace
}  // namespace match
