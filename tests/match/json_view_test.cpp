// Tests of the tolerant JSON reads: bad text and values of the wrong kind never throw.
#include "match/json/view.h"

#include <gtest/gtest.h>

namespace match {
namespace {

TEST(JsonView, TextThatIsNotJsonIsReportedNotThrown) {
    for (const char* text : {"{\"a\":", "not json", "[1e999]", "{\"a\":1} x"}) {
        std::string error;
        EXPECT_FALSE(ParseJson(text, &error)) << text;
        EXPECT_NE(error, "") << text;
    }
}

TEST(JsonView, WrongKindsAndMissingMembersReadAsDefaults) {
    const Json doc = *ParseJson(
        R"({"n":-7,"big":18446744073709551615,"f":2.9,"huge":1e300,"s":"x","b":true,"a":[1]})");
    const JsonView v = doc;
    const struct {
        const char* key;
        std::int64_t as_int;
    } ints[] = {{"n", -7}, {"big", -1}, {"f", 2}, {"huge", -1}, {"s", -1}, {"a", -1}, {"none", -1}};
    for (const auto& c : ints) EXPECT_EQ(v[c.key].AsInt(-1), c.as_int) << c.key;
    EXPECT_EQ(v["n"].AsString(), "");
    EXPECT_FALSE(v["s"].AsBool());
    EXPECT_TRUE(v["b"].AsBool());
    EXPECT_TRUE(v["s"].Items().empty());
    EXPECT_EQ(v["a"].Items().size(), 1u);
    EXPECT_TRUE(v["a"]["x"]["y"]->is_null());  // members of a non-object
}

}  // namespace
}  // namespace match
