// The fuzz targets' shared set-up: console output dropped, reports answered and stopped by the
// target instead of standard input and exit().
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "lang/lex.h"
#include "robot/data.h"
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

void FillGameImage(CData& data) {
    data.turn_number = 3;
    data.game_number = 7;
    CopyGamerName(data.you.gamer_name, "fuzzbot");
    data.you.money = 10000;
    data.you.raw = 4;
    data.you.prod = 2;
    data.you.fabrics = 2;
    data.you.auto_plants = 1;
    const char* const others[] = {"alice", "bob", "carol"};
    for (int i = 0; i < 3; ++i) {
        CGamer& g = data.players[data.AddGamer(others[i])];
        g.money = 5000 * (i + 1);
        g.raw = i;
        g.prod = 2 * i;
        g.fabrics = 2;
        g.auto_plants = i;
    }
    data.players[2].money = -1;  // out of the game
    data.market.raw = 6;
    data.market.min_raw_price = 500;
    data.market.prod = 4;
    data.market.max_prod_price = 5500;
}

void AdvanceTurn(CData& data, int turn) {
    ++data.turn_number;
    data.market.raw += turn;
}

}  // namespace fuzz
