// Tests of player names derived from script file names.
#include "match/names.h"

#include <gtest/gtest.h>

namespace match {
namespace {

TEST(Names, FromScriptPaths) {
    const std::pair<const char*, const char*> cases[] = {
        {"examples/trader.robot", "trader"},
        {"../x/My Bot (v2).robot", "My_Bot_v2_"},
        {"a/.hidden.robot", "hidden"},
        {"..x y.robot", "x_y"},
        {"\xC3\xA9.robot", "robot"},
        {"plain", "plain"},
        {"dir/", "dir"},
        {"v1.2.bot", "v1.2.bot"},
        {".robot", "robot"},
        {"/", "robot"},
        {"\xC3\xA9t\xC3\xA9.robot", "_t_"},
        {"botstart.robot", "bot_start"},
        {"a/../..", "robot"},
        {"0123456789012345678901234567890123456789.robot", "01234567890123456789012345678901"},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(NameFromScript(path), name) << path;
}

TEST(Names, RepeatedNamesGetSuffixesThatCollideWithNothing) {
    EXPECT_EQ(UniqueNames({"a.robot", "x/a.robot", "a-2.robot", "b.robot", "a.robot"}),
              (std::vector<std::string>{"a", "a-3", "a-2", "b", "a-4"}));
}

}  // namespace
}  // namespace match
