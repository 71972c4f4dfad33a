// Test fixture for the server's game logic: a recording transport, so that each test reads as
// lines sent in and lines that came out, and a check that no line breaks marker hygiene.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "server/core.h"

namespace gs_test {

using gs::ClientId;
using Lines = std::vector<std::string>;

// Why `line` is not allowed to carry the robot marker it contains, or "" when it is fine.
std::string MarkerProblem(const std::string& line);

// Keeps every line the core sends, per client, and which clients it closed.
class RecordingTransport : public gs::Transport {
public:
    void Send(ClientId id, const std::string& line) override;
    void SendTurnEnd(ClientId id, const std::string& line) override;
    void Close(ClientId id) override { closed.insert(id); }

    std::map<ClientId, Lines> lines;
    std::set<ClientId> closed;
    Lines all;        // every line sent to anyone, in order
    Lines turn_ends;  // the lines of `all` sent as the end of a turn
};

// A server core driven by hand: clients, lines and time.
class ServerTest : public ::testing::Test {
protected:
    void TearDown() override { CheckLines(); }
    // Marker hygiene and line framing of everything sent so far, and that exactly the
    // "& ENDTURN" lines were sent as ends of turns.
    void CheckLines();
    // A fresh server with the current options; what the old one sent is checked and dropped.
    void Restart();

    gs::ServerCore& Core();
    ClientId Connect();
    ClientId Named(const std::string& name);  // connected and named, welcome line taken
    void Say(ClientId id, const std::string& line) { Core().OnLine(id, line, now_ms); }
    void Drop(ClientId id) { Core().OnDisconnect(id, now_ms); }
    Lines Take(ClientId id);
    Lines Ask(ClientId id, const std::string& line);
    std::string AskOne(ClientId id, const std::string& line);
    // Creates a game with the first name, joins the others, starts it; all output taken.
    std::vector<ClientId> Play(const std::vector<std::string>& names);
    void EndTurn(const std::vector<ClientId>& ids);
    // The "& INFO" line of `name` in the reply to "info" from `asker`, or "" when it is missing.
    std::string InfoOf(ClientId asker, const std::string& name);
    bool Closed(ClientId id) const { return transport.closed.count(id) > 0; }
    Lines LogLines() const;

    gs::CoreOptions options;
    RecordingTransport transport;
    std::ostringstream log;
    std::ostringstream events;
    std::int64_t now_ms = 1000;

private:
    std::unique_ptr<gs::ServerCore> core_;
    ClientId next_id_ = 1;
};

}  // namespace gs_test
