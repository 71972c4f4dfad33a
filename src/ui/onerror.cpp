// The error reporter: the one place where failures are printed and the user decides.
#include "ui/onerror.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Reads one answer line from standard input. Its first character decides; the rest of the
// line, up to and including its line feed, is consumed so that the next prompt of the same
// run reads a fresh answer. End of input counts as a refusal.
bool UserSaysYes() {
    int first = std::getchar();
    int c = first;
    while (c != EOF && c != '\n') c = std::getchar();
    return first == 'y';
}

[[noreturn]] void ExitWith(int number) { std::exit(number); }

CError::AnswerSource answer_source = UserSaysYes;
CError::StopAction stop_action = ExitWith;
CError::Watcher watcher;

}  // namespace

CError::AnswerSource CError::SetAnswerSource(AnswerSource source) {
    AnswerSource previous = answer_source;
    answer_source = source ? source : UserSaysYes;
    return previous;
}

CError::StopAction CError::SetStopAction(StopAction action) {
    StopAction previous = stop_action;
    stop_action = action ? action : ExitWith;
    return previous;
}

CError::Watcher CError::SetWatcher(Watcher replacement) {
    Watcher previous = watcher;
    watcher = replacement;
    return previous;
}

CError::CError() : number(0) {}

CError::CError(const char* text, int number) : number(0) { OnError(text, number, false); }

CError::~CError() = default;

void CError::OnError(const char* text, int number, bool quiet) {
    // The text may be our own (OnErrorSpit), so copy it before replacing it.
    std::string copy = text ? text : "";
    if (watcher.told) watcher.told(watcher.context, number);
    last_error_text.swap(copy);
    this->number = number;
    std::printf("\n\n~Error: %s :: %d", last_error_text.c_str(), number);
    if (quiet) return;
    std::printf("\n~Try to continue (may be errors)? [y/n]");
    std::fflush(stdout);
    if (answer_source()) return;
    stop_action(number);
}

void CError::OnError(const char* text, const char* more, int number) {
    std::string joined = std::string(text ? text : "") + (more ? more : "");
    OnError(joined.c_str(), number, false);
}

void CError::OnQuietError(int number) {
    last_error_text = "QUIET";
    this->number = number;
}

void CError::Gum(const char* piece) {
    if (piece) last_error_text += piece;
}

void CError::ClearLastText() { last_error_text.clear(); }

void CError::OnErrorSpit(int number, bool quiet) { OnError(last_error_text.c_str(), number, quiet); }

int CError::get_number() {
    int n = number;
    number = 0;
    return n;
}
