// The state folder: durable game numbers and the results of finished games.
#include "server/state_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>

#include "protocol/results.h"

namespace gs {
namespace {

constexpr mode_t kStateDirMode = 0755;

std::string UtcTime(std::time_t seconds) {
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string ResultLine(const GameResult& result) {
    namespace key = protocol::results::key;
    nlohmann::ordered_json players = nlohmann::ordered_json::array();
    for (const PlayerRecord& p : result.players) {
        nlohmann::ordered_json player;
        player[key::kName] = p.name;
        player[key::kMoney] = p.money;
        player[key::kOut] = p.out ? nlohmann::ordered_json(p.out_reason) : nullptr;
        player[key::kOutTurn] = p.out ? nlohmann::ordered_json(p.out_turn) : nullptr;
        players.push_back(std::move(player));
    }
    nlohmann::ordered_json line;
    line[key::kGame] = result.game;
    line[key::kStart] = UtcTime(result.start);
    line[key::kEnd] = UtcTime(result.end);
    line[key::kTurns] = result.turns;
    line[key::kReason] = result.reason;
    line[key::kWinner] =
        result.winner.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(result.winner);
    line[key::kPlayers] = std::move(players);
    // Names are ASCII; replacing keeps a line valid whatever bytes it holds.
    return line.dump(-1, ' ', true, nlohmann::ordered_json::error_handler_t::replace);
}

// The number in the last-game file: 0 when there is no file; -1 when it holds something else.
int ReadLastGame(const std::string& path) {
    std::ifstream file(path);
    if (!file) return 0;
    long long number = 0;
    if (!(file >> number) || number < 0 || number >= INT_MAX) return -1;
    return static_cast<int>(number);
}

}  // namespace

bool StateDir::Open(const std::string& dir, std::string& error) {
    if (::mkdir(dir.c_str(), kStateDirMode) != 0 && errno != EEXIST) {
        error = "cannot create the state folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    int highest = 0;
    if (!results_.Open(dir + "/" + protocol::results::kFileName, highest, error)) return false;
    last_game_path_ = dir + "/" + kLastGameFileName;
    const int last = ReadLastGame(last_game_path_);
    if (last < 0) {
        error = last_game_path_ + " does not hold a game number";
        return false;
    }
    reserved_ = std::max(last, highest);
    next_ = reserved_ + 1;
    return true;
}

int StateDir::NewGameNumber() {
    if (next_ > reserved_) {
        const int until = next_ + kGameNumbersPerReservation - 1;
        if (next_ >= INT_MAX - kGameNumbersPerReservation ||
            !ReplaceFileDurably(last_game_path_, std::to_string(until) + "\n")) {
            if (!warned_ && events_) {
                *events_ << "cannot reserve game numbers in " << last_game_path_ << ": "
                         << std::strerror(errno) << "; no games can be created" << std::endl;
            }
            warned_ = true;
            return 0;
        }
        warned_ = false;
        reserved_ = until;
    }
    return next_++;
}

void StateDir::GameEnded(const GameResult& result) { results_.Append(ResultLine(result)); }

}  // namespace gs
