// The lobby: names, the dot commands and their errors, starting games, chat and its filtering.
#include "server/names.h"
#include "server_fixture.h"

namespace gs_test {
namespace {

using Lobby = ServerTest;

TEST_F(Lobby, RefusesBadNamesAndClosesTheConnection) {
    const struct {
        std::string name;
        std::string reply;
    } cases[] = {
        {"has space", "! error: a name may contain only letters, digits, '_', '-' and '.'"},
        {"caf\xc3\xa9", "! error: a name may contain only letters, digits, '_', '-' and '.'"},
        {std::string(256, 'a'), "! error: a name has at most 255 characters"},
        {"xbotstartx", "! error: this name is reserved"},
        {".who", "! error: a name may not begin with '.'"},
    };
    for (const auto& c : cases) {
        const ClientId id = Connect();
        Say(id, c.name);
        EXPECT_EQ(Take(id), Lines{c.reply}) << c.name;
        // The event log says why, with the name made printable.
        EXPECT_NE(events.str().find(": name \"" + gs::PrintableChat(c.name) +
                                    "\" refused: " + c.reply.substr(9)),
                  std::string::npos)
            << c.name;
        EXPECT_TRUE(Closed(id));
        Say(id, ".who");
        EXPECT_TRUE(Take(id).empty()) << "a closing client is not answered";
        Drop(id);
    }
}

TEST_F(Lobby, NamesAreUniqueWhileConnectedAndCaseSensitive) {
    const ClientId alice = Named("alice");
    Named("Alice");
    const ClientId copy = Connect();
    Say(copy, "alice");
    EXPECT_EQ(Take(copy), Lines{"! error: this name is taken"});
    Drop(alice);
    Named("alice");
    Named(std::string(255, 'z'));
}

TEST_F(Lobby, WhoListsWaitingThenRunningGames) {
    const ClientId watcher = Named("watcher");
    EXPECT_EQ(Ask(watcher, ".who"), (Lines{"0 games are played"}));
    Play({"ann", "bob"});
    const ClientId carl = Named("carl");
    Say(carl, ".create");
    const ClientId dan = Named("dan");
    Say(dan, ".create");
    Say(Named("eve"), ".join 3");
    EXPECT_EQ(
        Ask(watcher, ".who"),
        (Lines{"game 2 (carl, 1 player) is waiting  #2", "game 3 (dan, 2 players) is waiting  #3",
               "game 1 is running, turn 1, 2 players", "1 games are played"}));
}

TEST_F(Lobby, JoinTellsEveryMemberAndTheJoiner) {
    options.max_players = 3;
    const ClientId ann = Named("ann");
    EXPECT_EQ(AskOne(ann, ".create"), "ann has created the game #1");
    const ClientId bob = Named("bob");
    EXPECT_EQ(AskOne(bob, ".join 1"), "ok: you joined game #1");
    EXPECT_EQ(Take(ann), Lines{"@+ JOIN bob"});
    const ClientId cid = Named("cid");
    Say(cid, ".join 1");
    EXPECT_EQ(Take(ann), Lines{"@+ JOIN cid"});
    EXPECT_EQ(Take(bob), Lines{"@+ JOIN cid"});
    const ClientId dee = Named("dee");
    EXPECT_EQ(AskOne(dee, ".join 1"), "! error: join refused: game #1 is full");
    EXPECT_EQ(Ask(dee, ".who"), (Lines{"game 1 (ann, 3 players) is full", "0 games are played"}));
    EXPECT_EQ(events.str(), "game 1 created by ann\ngame 1: bob joined\ngame 1: cid joined\n");
}

TEST_F(Lobby, CommandErrorsChangeNothing) {
    const auto ids = Play({"ann", "bob"});
    const ClientId cid = Named("cid");
    const struct {
        std::string line;
        std::string reply;
    } cases[] = {
        {".join 1", "! error: join refused: game #1 is already running"},
        {".join 7", "! error: join refused: no such game"},
        {".join x", "! error: usage: .join N (N: the number of a waiting game)"},
        {".join 99999999999999999999", "! error: usage: .join N (N: the number of a waiting game)"},
        {".join", "! error: usage: .join N (N: the number of a waiting game)"},
        {".create now", "! error: this command takes no arguments"},
        {".jion 1", "! error: unknown command"},
        {".botstart", "! error: you are not in a waiting game"},
        {".leave", "! error: you are not in a game"},
        {"start", "! error: you are not in a game (.create or .join N first)"},
        {"buy 1 600", "! error: you are not in a game (.create or .join N first)"},
        {"market", "! error: you are not in a game (.create or .join N first)"},
    };
    for (const auto& c : cases) EXPECT_EQ(AskOne(cid, c.line), c.reply) << c.line;
    EXPECT_EQ(AskOne(ids[0], ".create"), "! error: you are already in game #1 (.leave first)");
    EXPECT_EQ(AskOne(ids[1], "start"), "! error: your game is already running");
    EXPECT_EQ(Ask(cid, ".who").back(), "1 games are played");
}

TEST_F(Lobby, BotstartAsksTheCreatorWhoAloneStarts) {
    const ClientId ann = Named("ann");
    Say(ann, ".create");
    const ClientId bob = Named("bob");
    Say(bob, ".join 1");
    Take(ann);
    EXPECT_EQ(AskOne(bob, ".botstart"), "ok: asked ann to start the game");
    EXPECT_EQ(Take(ann), Lines{"botstart bob"});
    EXPECT_EQ(AskOne(ann, ".botstart"), "! error: the game is yours: send start to begin it");
    EXPECT_EQ(AskOne(bob, "start"), "! error: only ann, who created the game, can start it");
    EXPECT_EQ(AskOne(bob, "info"), "! error: game #1 has not started yet");
    Say(ann, "start");
    EXPECT_EQ(Take(ann), Lines{"& START"});
    EXPECT_EQ(Take(bob), Lines{"& START"});
    EXPECT_EQ(events.str().substr(events.str().rfind("game 1 started")),
              "game 1 started: ann, bob\n");
}

TEST_F(Lobby, CreatorLeavingHandsTheGameOn) {
    const ClientId ann = Named("ann");
    Say(ann, ".create");
    const ClientId bob = Named("bob");
    Say(bob, ".join 1");
    Take(bob);
    EXPECT_EQ(AskOne(ann, ".leave"), "ok: you left game #1");
    EXPECT_EQ(Take(bob),
              (Lines{"ann left game #1", "ok: game #1 is yours now: send start to begin it"}));
    Say(bob, "start");
    EXPECT_EQ(Take(bob), Lines{"& START"});
    EXPECT_TRUE(Take(ann).empty());
}

TEST_F(Lobby, EmptyWaitingGameDisappears) {
    const ClientId ann = Named("ann");
    Say(ann, ".create");
    Drop(ann);
    EXPECT_EQ(Ask(Named("bob"), ".who"), Lines{"0 games are played"});
}

TEST_F(Lobby, QuitSaysByeAndCloses) {
    const ClientId ann = Named("ann");
    EXPECT_EQ(AskOne(ann, ".quit"), "ok: bye");
    EXPECT_TRUE(Closed(ann));
}

TEST_F(Lobby, ChatReachesTheSameRoomOnly) {
    const ClientId ann = Named("ann");
    const ClientId bob = Named("bob");
    const ClientId cid = Named("cid");
    Say(cid, ".create");
    Take(cid);
    Say(ann, "Hi!");
    EXPECT_EQ(Take(bob), Lines{"ann: Hi!"});
    EXPECT_TRUE(Take(ann).empty());
    EXPECT_TRUE(Take(cid).empty());
    Say(bob, ".join 1");
    Take(bob);
    Take(cid);
    Say(cid, "hello\tthere\x1b[2J\xff");
    EXPECT_EQ(Take(bob), Lines{"cid: hello?there?[2J?"});
    EXPECT_TRUE(Take(ann).empty());
}

TEST_F(Lobby, ChatCarryingARobotMarkerIsRefused) {
    const ClientId ann = Named("ann");
    const ClientId bob = Named("bob");
    for (const std::string line :
         {"& START", "x & ENDTURN", "@+ JOIN ann", "please botstart", "3 games are played",
          "game 9 (ann, 1 player) is waiting  #9", "# You are a bankrupt, haha",
          "me has created the game #4", "& YOU_WIN", "& INFO ann 1 1 1 1 1", "& PLAYERS 1",
          "& MARKET 1 1 1 1", "! error: join refused: game #2 is full"}) {
        EXPECT_EQ(AskOne(ann, line), "! error: chat not sent: it contains text reserved for robots")
            << line;
    }
    // A control byte replaced by '?' cannot be used to split a marker and rejoin it elsewhere.
    Say(ann, "&\x01START");
    EXPECT_EQ(Take(bob), Lines{"ann: &?START"});
}

TEST_F(Lobby, ChatIsCheckedAsTheLineTheOthersWouldRead) {
    // "x: has created the game #7" holds the marker " has created the game #": the blank
    // comes from the relayed "NAME: ", so the text alone looks harmless.
    const std::vector<ClientId> players = Play({"ann", "bob"});
    const ClientId cid = Named("cid");
    const ClientId dee = Named("dee");
    for (const std::string text : {"has created the game #7", "has created the game #"}) {
        for (const ClientId speaker : {players[0], cid}) {
            EXPECT_EQ(AskOne(speaker, text),
                      "! error: chat not sent: it contains text reserved for robots")
                << text;
        }
    }
    EXPECT_TRUE(Take(players[1]).empty());
    EXPECT_TRUE(Take(dee).empty());
}

}  // namespace
}  // namespace gs_test
