// The recording transport, the marker check and the fixture's helpers.
#include "server_fixture.h"

#include <algorithm>
#include <regex>

#include "protocol/robot_protocol.h"

namespace gs_test {
namespace {

// Each robot marker with the only form of line allowed to contain it.
struct MarkerRule {
    const char* marker;
    const char* own_line;  // regular expression of the marker's own message
};

const MarkerRule kMarkerRules[] = {
    {"waiting  #", R"(game \d+ \([A-Za-z0-9_.-]+, \d+ players?\) is waiting  #\d+)"},
    {"games are played", R"(\d+ games are played)"},
    {" has created the game #", R"([A-Za-z0-9_.-]+ has created the game #\d+)"},
    {"@+ JOIN ", R"(@\+ JOIN [A-Za-z0-9_.-]+)"},
    {"botstart", R"(botstart [A-Za-z0-9_.-]+)"},
    {"& START", R"(& START)"},
    {"& MARKET", R"(& MARKET \d+ \d+ \d+ \d+)"},
    {"& INFO", R"(& INFO [A-Za-z0-9_.-]+ \d+ \d+ -?\d+ \d+ \d+)"},
    {"& PLAYERS", R"(& PLAYERS \d+)"},
    {"# You are a bankrupt,", R"(# You are a bankrupt, [ -~]*)"},
    {"& ENDTURN", R"(& ENDTURN)"},
    {"& YOU_WIN", R"(& YOU_WIN)"},
};

}  // namespace

std::string MarkerProblem(const std::string& line) {
    for (const MarkerRule& rule : kMarkerRules) {
        if (line.find(rule.marker) == std::string::npos) continue;
        if (!std::regex_match(line, std::regex(rule.own_line))) {
            return "line carries marker \"" + std::string(rule.marker) + "\": " + line;
        }
    }
    return "";
}

void RecordingTransport::Send(ClientId id, const std::string& line) {
    EXPECT_EQ(closed.count(id), 0u) << "sent after Close: " << line;
    lines[id].push_back(line);
    all.push_back(line);
}

void RecordingTransport::SendTurnEnd(ClientId id, const std::string& line) {
    turn_ends.push_back(line);
    Send(id, line);
}

void ServerTest::Restart() {
    CheckLines();
    core_.reset();
    transport = RecordingTransport{};
    log.str("");
    events.str("");
}

void ServerTest::CheckLines() {
    for (const std::string& line : transport.all) {
        EXPECT_EQ(MarkerProblem(line), "");
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }
    const auto ends = std::count(transport.all.begin(), transport.all.end(), protocol::kMarkerEndTurn);
    EXPECT_EQ(transport.turn_ends, Lines(static_cast<std::size_t>(ends), protocol::kMarkerEndTurn));
}

gs::ServerCore& ServerTest::Core() {
    if (!core_) core_ = std::make_unique<gs::ServerCore>(options, transport, &log, &events);
    return *core_;
}

ClientId ServerTest::Connect() {
    const ClientId id = next_id_++;
    Core().OnConnect(id, now_ms);
    return id;
}

ClientId ServerTest::Named(const std::string& name) {
    const ClientId id = Connect();
    Say(id, name);
    EXPECT_EQ(Take(id), Lines{"ok: welcome, " + name});
    return id;
}

Lines ServerTest::Take(ClientId id) {
    Lines taken;
    taken.swap(transport.lines[id]);
    return taken;
}

Lines ServerTest::Ask(ClientId id, const std::string& line) {
    Take(id);
    Say(id, line);
    return Take(id);
}

std::string ServerTest::AskOne(ClientId id, const std::string& line) {
    const Lines reply = Ask(id, line);
    EXPECT_EQ(reply.size(), 1u) << line;
    return reply.empty() ? "" : reply.front();
}

std::vector<ClientId> ServerTest::Play(const std::vector<std::string>& names) {
    std::vector<ClientId> ids;
    for (const std::string& name : names) ids.push_back(Named(name));
    Say(ids[0], ".create");
    const std::string number =
        Take(ids[0]).back().substr(names[0].size() + 23);  // after "has created the game #"
    for (std::size_t i = 1; i < ids.size(); ++i) Say(ids[i], ".join " + number);
    Say(ids[0], "start");
    for (ClientId id : ids) Take(id);
    return ids;
}

void ServerTest::EndTurn(const std::vector<ClientId>& ids) {
    for (ClientId id : ids) Say(id, "turn");
}

std::string ServerTest::InfoOf(ClientId asker, const std::string& name) {
    for (const std::string& line : Ask(asker, "info")) {
        if (line.rfind("& INFO " + name + " ", 0) == 0) return line;
    }
    return "";
}

Lines ServerTest::LogLines() const {
    Lines lines;
    std::istringstream in(log.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace gs_test
