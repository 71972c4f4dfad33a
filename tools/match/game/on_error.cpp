// Answers a robot's "Try to continue?" question as the --on-error choice says.
#include "match/game/on_error.h"

#include "match/outcome/ending.h"

namespace match {

char AnswerFor(int number, OnError mode) {
    // "y" after a connection fault makes the robot ask again for every byte it fails to read.
    return mode == OnError::kContinue && IsScriptError(number) ? 'y' : 'n';
}

}  // namespace match
