// How each robot's game ended, told from the server's game log, the robot's own log and the way
// its process ended; and the robot's error reports, read back from its log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "match/game/log.h"

namespace match {

// One report the robot printed: "~Error: TEXT :: NUMBER".
struct ErrorReport {
    int number = 0;
    std::string text;  // on one line, without the robot's "Runtime error." lead-in
    std::int64_t turn = 0;  // the turn in play when the robot printed it; 0 unknown
    int line = 0;      // of the script, where a runtime error happened; 0 unknown
};

// The reports in a robot's console output, in the order printed.
std::vector<ErrorReport> ReadErrorReports(const std::string& console);

// One line of a robot's side file of runtime error lines (protocol::kErrorLinesVariable).
struct ErrorLine {
    int number = 0;
    int line = 0;
};

// The side file's lines, in order; lines that are not "NUMBER LINE" are left out.
std::vector<ErrorLine> ReadErrorLines(const std::string& text);

// Gives the script errors among `reports` their lines, pairing them in order with `lines`
// (one per script error the robot reported): from the first when `reports` holds all the
// robot printed, else from the last, as reports read from the end of a long log lack the
// first. A pair whose numbers differ gets no line.
void AttachErrorLines(std::vector<ErrorReport>& reports, const std::vector<ErrorLine>& lines,
                      bool all_reports);

// ", line 12" after a turn, " at line 12" without one; nothing for an unknown line.
std::string LineText(int line, bool after_turn);

// Reports about the script itself (a bad index, an unknown name), as opposed to connection faults.
bool IsScriptError(int number);

// Watches a robot's console output as it grows and tells when the robot asks its question.
class PromptScanner {
public:
    // The numbers of the reports whose question appeared in `bytes`, in order.
    std::vector<int> Feed(const std::string& bytes);

private:
    std::string pending_;  // output since the last question, bounded
};

// Why the match itself ended a robot's process, if it did.
enum class StopCause { kNone, kGameOver, kTimeLimit };

// Everything known about one robot once its game is over.
struct EndingFacts {
    const FinalState* state = nullptr;  // from the log's "end" event; null when absent
    bool won = false;
    std::int64_t last_turn = 0;
    std::string game_end_reason;           // "turn_limit", "last_player", "all_out"
    std::vector<ErrorReport> reports;      // from its log
    std::optional<int> wait_status;        // how its process ended, when it did
    StopCause stopped = StopCause::kNone;  // set when the match stopped it
    TurnTimes turn_times;                  // from the game log: its turns and the timed-out ones
};

// One robot's ending; `Describe` gives the words of the results table.
struct RobotEnding {
    enum class Kind {
        kWon,
        kLost,  // lost at the game's end without going out early
        kLostAtTurnLimit,
        kBankrupt,
        kDisconnected,  // its connection closed (a fault, or it left)
        kRuntimeError,  // its script failed and it stopped
        kTurnTimeout,   // the turn timeout ended its last turns (or all it played) for it
        kTimeLimit,     // killed when the game reached the match's time limit
        kSignal,        // crashed
    };
    Kind kind = Kind::kLost;
    std::int64_t turn = 0;     // when it happened; 0 unknown
    int number = 0;            // error number (kRuntimeError, kDisconnected) or signal (kSignal)
    std::string message;       // the error's text
    int line = 0;              // of the script, for kRuntimeError; 0 unknown
    int continued_errors = 0;  // script errors answered "y" (--on-error continue)
    int timed_out_turns = 0;   // turns the turn timeout ended before the robot did
    bool all_timed_out = false;  // every turn it played was ended by the timeout

    std::string Describe() const;
};

RobotEnding DecideEnding(const EndingFacts& facts);

}  // namespace match
