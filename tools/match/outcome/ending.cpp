// Reads the robot's error reports from its log and decides how each robot's game ended.
#include "match/outcome/ending.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstring>

#include "protocol/game_log.h"

namespace match {
namespace {

namespace out_reason = protocol::game_log::out_reason;
namespace game_end = protocol::game_log::game_end;

const char kReportLead[] = "~Error: ";
const char kNumberLead[] = " :: ";
const char kQuestion[] = "~Try to continue (may be errors)? [y/n]";
const char kRuntimeLead[] = "Runtime error.";
constexpr size_t kMaxPendingBytes = 16 * 1024;  // console bytes kept while no question appears

// The robot's numbers for reports about the script: a name the game does not know, a bad index
// or value; everything else is about the connection or the command line.
constexpr int kScriptErrorNumbers[] = {-700, -750};

// Whitespace runs become one space; the ends are trimmed.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (space && (out.empty() || out.back() == ' ')) continue;
        out += space ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Reads "-123" at `pos`; nullopt when there is no number.
std::optional<int> ReadSigned(const std::string& s, size_t pos) {
    bool negative = pos < s.size() && s[pos] == '-';
    size_t at = pos + (negative ? 1 : 0);
    int n = 0;
    size_t digits = 0;
    for (; at < s.size() && s[at] >= '0' && s[at] <= '9' && digits < 9; ++at, ++digits)
        n = n * 10 + (s[at] - '0');
    if (digits == 0) return std::nullopt;
    return negative ? -n : n;
}

// The exit status of a process that called exit(number).
int ExitStatusOf(int number) { return ((number % 256) + 256) % 256; }

std::string TurnText(std::int64_t turn) {
    return turn > 0 ? " at turn " + std::to_string(turn) : "";
}

// "3 turns timed out"; "all 12 turns timed out" when they were every turn the robot played.
std::string TimedOutText(int turns, bool all) {
    if (all && turns == 1) return "its one turn timed out";
    return (all ? "all " : "") + std::to_string(turns) + (turns == 1 ? " turn" : " turns") + " timed out";
}

// The first turn of the unbroken run of timed-out turns that ends at `last`, or 0 when `last`
// did not time out.
std::int64_t TimeoutRunStart(const std::vector<std::int64_t>& timed_out, std::int64_t last) {
    if (timed_out.empty() || timed_out.back() != last) return 0;
    size_t i = timed_out.size() - 1;
    while (i > 0 && timed_out[i - 1] + 1 == timed_out[i]) --i;
    return timed_out[i];
}

}  // namespace

std::vector<ErrorReport> ReadErrorReports(const std::string& console) {
    std::vector<ErrorReport> reports;
    for (size_t at = console.find(kReportLead); at != std::string::npos;
         at = console.find(kReportLead, at)) {
        size_t text_start = at + std::strlen(kReportLead);
        size_t sep = console.find(kNumberLead, text_start);
        // A report's text may itself hold " :: "; the number follows the last one before the next
        // report.
        size_t next = console.find(kReportLead, text_start);
        std::optional<int> number;
        for (size_t s = sep; s != std::string::npos && s < next;
             s = console.find(kNumberLead, s + 1)) {
            std::optional<int> n = ReadSigned(console, s + std::strlen(kNumberLead));
            if (n) number = n, sep = s;
        }
        at = text_start;
        if (!number) continue;
        std::string text = OneLine(console.substr(text_start, sep - text_start));
        if (text.rfind(kRuntimeLead, 0) == 0)
            text = OneLine(text.substr(std::strlen(kRuntimeLead)));
        reports.push_back(ErrorReport{*number, text});
    }
    return reports;
}

std::vector<ErrorLine> ReadErrorLines(const std::string& text) {
    std::vector<ErrorLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line cut short as the robot was stopped
        std::string row = text.substr(start, end - start);
        start = end + 1;
        size_t space = row.find(' ');
        std::optional<int> number = ReadSigned(row, 0);
        std::optional<int> line = space == std::string::npos ? std::nullopt : ReadSigned(row, space + 1);
        if (number && line && *line >= 0) lines.push_back(ErrorLine{*number, *line});
    }
    return lines;
}

void AttachErrorLines(std::vector<ErrorReport>& reports, const std::vector<ErrorLine>& lines,
                      bool all_reports) {
    std::vector<ErrorReport*> script_errors;
    for (ErrorReport& r : reports)
        if (IsScriptError(r.number)) script_errors.push_back(&r);
    const size_t pairs = std::min(script_errors.size(), lines.size());
    for (size_t i = 0; i < pairs; ++i) {
        ErrorReport& report = *script_errors[all_reports ? i : script_errors.size() - pairs + i];
        const ErrorLine& at = lines[all_reports ? i : lines.size() - pairs + i];
        report.line = at.number == report.number ? at.line : 0;
    }
}

std::string LineText(int line, bool after_turn) {
    if (line <= 0) return "";
    return (after_turn ? ", line " : " at line ") + std::to_string(line);
}

bool IsScriptError(int number) {
    for (int n : kScriptErrorNumbers)
        if (n == number) return true;
    return false;
}

std::vector<int> PromptScanner::Feed(const std::string& bytes) {
    pending_ += bytes;
    std::vector<int> numbers;
    for (size_t q = pending_.find(kQuestion); q != std::string::npos;
         q = pending_.find(kQuestion)) {
        std::vector<ErrorReport> reports = ReadErrorReports(pending_.substr(0, q));
        numbers.push_back(reports.empty() ? 0 : reports.back().number);
        pending_.erase(0, q + std::strlen(kQuestion));
    }
    if (pending_.size() > kMaxPendingBytes)
        pending_.erase(0, pending_.size() - kMaxPendingBytes / 2);
    return numbers;
}

RobotEnding DecideEnding(const EndingFacts& f) {
    RobotEnding e;
    const bool out = f.state && f.state->out;
    const std::int64_t turn = out && f.state->out_turn ? *f.state->out_turn : f.last_turn;
    const bool exited = f.wait_status && WIFEXITED(*f.wait_status) && f.stopped == StopCause::kNone;
    const ErrorReport* fatal = nullptr;
    if (exited && !f.reports.empty() && WEXITSTATUS(*f.wait_status) != 0 &&
        WEXITSTATUS(*f.wait_status) == ExitStatusOf(f.reports.back().number))
        fatal = &f.reports.back();
    for (const ErrorReport& r : f.reports)
        e.continued_errors += &r != fatal && IsScriptError(r.number);
    e.turn = turn;
    e.timed_out_turns = static_cast<int>(f.turn_times.timed_out.size());
    e.all_timed_out = e.timed_out_turns > 0 && e.timed_out_turns == f.turn_times.turns;
    // The timeout is why it went out, or why it did nothing, when it ended its turns for the
    // robot to the last one the robot played.
    const std::int64_t timeout_since = TimeoutRunStart(f.turn_times.timed_out, turn);
    const std::string reason = f.state ? f.state->out_reason : "";
    if (f.won) {
        e.kind = RobotEnding::Kind::kWon;
        e.turn = 0;
    } else if (f.wait_status && WIFSIGNALED(*f.wait_status) && f.stopped == StopCause::kNone) {
        e.kind = RobotEnding::Kind::kSignal;
        e.number = WTERMSIG(*f.wait_status);
    } else if (fatal) {
        e.kind = IsScriptError(fatal->number) ? RobotEnding::Kind::kRuntimeError
                                              : RobotEnding::Kind::kDisconnected;
        e.number = fatal->number;
        e.message = fatal->text;
        e.line = fatal->line;
    } else if (f.stopped == StopCause::kTimeLimit) {
        e.kind = RobotEnding::Kind::kTimeLimit;
    } else if (timeout_since > 0 && reason != out_reason::kDisconnected) {
        e.kind = RobotEnding::Kind::kTurnTimeout;
        e.turn = timeout_since;
        // A robot whose turns the timeout ends orders nothing, and its upkeep may bankrupt it
        // meanwhile, or leave it the poorer at the turn limit.
        if (reason == out_reason::kBankrupt) e.message = "bankrupt at turn " + std::to_string(turn);
        if (reason == out_reason::kTurnLimit) e.message = "lost at the turn limit";
    } else if (reason == out_reason::kBankrupt) {
        e.kind = RobotEnding::Kind::kBankrupt;
    } else if (reason == out_reason::kDisconnected) {
        e.kind = RobotEnding::Kind::kDisconnected;
    } else if (reason == out_reason::kTurnLimit ||
               (f.game_end_reason == game_end::kTurnLimit && turn == f.last_turn)) {
        e.kind = RobotEnding::Kind::kLostAtTurnLimit;
        e.turn = 0;
    } else {
        e.kind = RobotEnding::Kind::kLost;
    }
    return e;
}

std::string RobotEnding::Describe() const {
    std::string text;
    switch (kind) {
        case Kind::kWon:
            text = "won";
            break;
        case Kind::kLost:
            text = "lost" + TurnText(turn);
            break;
        case Kind::kLostAtTurnLimit:
            text = "lost at the turn limit";
            break;
        case Kind::kBankrupt:
            text = "bankrupt" + TurnText(turn);
            break;
        case Kind::kDisconnected:
            text = "out for a lost connection" + TurnText(turn);
            if (number != 0) text += " (error " + std::to_string(number) + ": " + message + ")";
            break;
        case Kind::kRuntimeError:
            text = "error " + std::to_string(number) + TurnText(turn) + LineText(line, turn > 0) + ": " +
                   message;
            break;
        case Kind::kTurnTimeout:
            text = "stopped by the turn timeout" + (turn > 0 ? " from turn " + std::to_string(turn) : "") +
                   " (" + TimedOutText(timed_out_turns, all_timed_out) + ")" +
                   (message.empty() ? "" : "; " + message);
            break;
        case Kind::kTimeLimit:
            text = "killed at the time limit" + TurnText(turn);
            break;
        case Kind::kSignal:
            text = "crashed with signal " + std::to_string(number) + " (" + strsignal(number) +
                   ")" + TurnText(turn);
            break;
    }
    if (timed_out_turns > 0 && kind != Kind::kTurnTimeout)
        text += "; " + TimedOutText(timed_out_turns, all_timed_out);
    if (continued_errors > 0)
        text += "; " + std::to_string(continued_errors) + " runtime error" +
                (continued_errors == 1 ? "" : "s") + " answered y";
    return text;
}

}  // namespace match
