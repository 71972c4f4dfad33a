// Tests of the small JSON reader used for the server's game log.
#include "match/json.h"

#include <gtest/gtest.h>

namespace match {
namespace {

TEST(Json, ReadsTheShapesOfAGameLogLine) {
    std::optional<JsonValue> v = ParseJson(
        R"({"event":"end","turn":37,"winner":null,"players":[{"name":"a\"b","money":-1200,"out":true}]})");
    ASSERT_TRUE(v);
    EXPECT_EQ((*v)["event"].AsString(), "end");
    EXPECT_EQ((*v)["turn"].AsInt(), 37);
    EXPECT_TRUE((*v)["winner"].IsNull());
    ASSERT_EQ((*v)["players"].Items().size(), 1u);
    const JsonValue& p = (*v)["players"].Items()[0];
    EXPECT_EQ(p["name"].AsString(), "a\"b");
    EXPECT_EQ(p["money"].AsInt(), -1200);
    EXPECT_TRUE(p["out"].AsBool());
    EXPECT_TRUE(p["missing"].IsNull());
}

TEST(Json, DecodesEscapes) {
    std::optional<JsonValue> v = ParseJson(R"("tab\t nl\n slash\/ u\u0041 e\u00e9")");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->AsString(), "tab\t nl\n slash/ uA e\xC3\xA9");
}

TEST(Json, RefusesMalformedText) {
    const char* const cases[] = {
        "",          "{",           "{\"a\"}",     "{\"a\":1,}", "[1,2",      "[1 2]",     "\"open",
        "\"\\x\"",   "\"\\u12\"",   "tru",         "-",          "1.2.3e",    "{} extra",  "{a:1}",
        "\"a\nb\"",  "nan",         "1e999",
    };
    for (const char* text : cases) {
        std::string error;
        EXPECT_FALSE(ParseJson(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(Json, CapsNestingInsteadOfOverflowingTheStack) {
    std::string deep(100000, '[');
    EXPECT_FALSE(ParseJson(deep));
    std::string fine = std::string(20, '[') + std::string(20, ']');
    EXPECT_TRUE(ParseJson(fine));
}

TEST(Json, IntegerConversionFallsBackOutsideTheRange) {
    EXPECT_EQ(ParseJson("1e300")->AsInt(-7), -7);
    EXPECT_EQ(ParseJson("\"12\"")->AsInt(-7), -7);
    EXPECT_EQ(ParseJson("2147483647")->AsInt(), 2147483647);
}

}  // namespace
}  // namespace match
