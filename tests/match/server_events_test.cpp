// Tests of recognising the server's standard-error lines.
#include "match/game/server_events.h"

#include <gtest/gtest.h>

namespace match {
namespace {

TEST(ServerEvents, RecognisesTheLinesAMatchWaitsFor) {
    using K = ServerEvent::Kind;
    struct Case {
        const char* line;
        K kind;
        std::int64_t game;
        const char* name;
    };
    const Case cases[] = {
        {"listening on 127.77.0.5:4774, seed 99", K::kListening, 0, "127.77.0.5:4774"},
        {"game 3 created by alpha", K::kCreated, 3, "alpha"},
        {"2026-12-09T20:01:02.345Z game 4 created by beta", K::kCreated, 4, "beta"},
        {"2026-12-09T20:01:02Z game 1 started: a", K::kStarted, 1, ""},
        {"game 12: b-2.x joined", K::kJoined, 12, "b-2.x"},
        {"game 1 started: a, b", K::kStarted, 1, ""},
        {"game 1 ended after 30 turns: winner a", K::kEnded, 1, ""},
        {"game 1 ended after 3 turns: no winner", K::kEnded, 1, ""},
        {"game 2: b-2 out at turn 7 (bankrupt)", K::kOut, 2, "b-2"},
        {"game 2: a b out at turn 7 (bankrupt)", K::kOther, 0, ""},
        {"game 2: turn 4 timed out waiting for a, b-2", K::kOther, 0, ""},
        {"client 4 connected from 127.0.0.1:5555", K::kOther, 0, ""},
        {"game x created by a", K::kOther, 0, ""},
        {"game 1: a b joined", K::kOther, 0, ""},
        {"game 1 created by ", K::kOther, 0, ""},
        {"game 99999999999999999999 started", K::kOther, 0, ""},
        {"", K::kOther, 0, ""},
    };
    for (const Case& c : cases) {
        ServerEvent e = ParseServerLine(c.line);
        EXPECT_EQ(e.kind, c.kind) << c.line;
        EXPECT_EQ(e.game, c.game) << c.line;
        EXPECT_EQ(e.name, c.name) << c.line;
    }
    EXPECT_EQ(ParseServerLine("listening on 127.0.0.1:4774, seed 18446744073709551615").seed, 18446744073709551615u);
    EXPECT_EQ(ParseServerLine("game 2: b-2 out at turn 7 (bankrupt)").turn, 7);
}

}  // namespace
}  // namespace match
