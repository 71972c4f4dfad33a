// The fuzz targets' shared set-up: console output dropped, reports answered and stopped by the
// target instead of standard input and exit().
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "mod/lang/lex.h"
#include "ui/onerror.h"

namespace fuzz {
namespace {

int answers_given = 0;

bool AnswerYesAWhile() { return answers_given++ < kYesAnswersPerInput; }

[[noreturn]] void ThrowStopped(int number) { throw Stopped{number}; }

}  // namespace

void Setup() {
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    CError::SetAnswerSource(AnswerYesAWhile);
    CError::SetStopAction(ThrowStopped);
}

void BeginInput() { answers_given = 0; }

std::unique_ptr<CLexic> LexerFromBytes(const std::uint8_t* data, std::size_t size) {
    return std::make_unique<CLexic>(reinterpret_cast<const char*>(data), size, CLexic::FromMemory{});
}

}  // namespace fuzz
