// The operator table.
#include "lang/operators.h"

namespace {

template <OperatorCode code>
int Apply(int left, int right) {
    return ApplyOperator(code, left, right);
}

}  // namespace

const OperatorInfo kOperators[kOperatorCount] = {
    {'+', 1, false, "PolizFuncPlus", "|+|", Apply<kOpPlus>},
    {'-', 1, false, "PolizFuncMinus", "|---|", Apply<kOpMinus>},
    {'*', 2, false, "PolizFuncMult", "|*|", Apply<kOpMult>},
    {'/', 2, false, "PolizFuncDiv", "|/|", Apply<kOpDiv>},
    {'%', 2, false, "PolizFuncMod", "|%|", Apply<kOpMod>},
    {'=', 3, false, "PolizFuncEq", nullptr, Apply<kOpEq>},
    {'<', 3, false, "PolizFuncLower", nullptr, Apply<kOpLower>},
    {'>', 3, false, "PolizFuncHigher", nullptr, Apply<kOpHigher>},
    {'&', 4, false, "PolizFuncAnd", nullptr, Apply<kOpAnd>},
    {'|', 4, false, "PolizFuncOr", nullptr, Apply<kOpOr>},
    {'-', 0, true, "PolizFuncPriMinus", "|-|", Apply<kOpNegate>},
    {'!', 0, true, "PolizFuncWow", "|!|", Apply<kOpNot>},
};

int FindOperator(char symbol) {
    int unary = -1;
    for (int i = 0; i < kOperatorCount; ++i) {
        if (kOperators[i].symbol != symbol) continue;
        if (!kOperators[i].unary) return i;
        if (unary < 0) unary = i;
    }
    return unary;
}

int OperatorPriority(char symbol) {
    int i = FindOperator(symbol);
    return i < 0 ? 0 : kOperators[i].priority;
}
