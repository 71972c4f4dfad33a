// The --on-error choice: what a match answers when a robot's runtime error asks "Try to continue?".
#pragma once

namespace match {

// Stop the robot at its first error, or answer "y" to errors in its script so that it plays on.
enum class OnError { kStop, kContinue };

// The answer ('y' or 'n') to the question after error report `number`.
char AnswerFor(int number, OnError mode);

}  // namespace match
