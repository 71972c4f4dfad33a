// Robot built-ins of the script. Until the robot and the game data image are linked in,
// the commands only consume their operands and the reads give 0.
#include "mod/lang/builtins.h"

#include <memory>

#include "mod/lang/exec.h"

PolizElem* PolizFuncRob::PopTest() { return PopTestInt(); }

PolizElem* PolizFuncRobBuy::EvaluateFunc() {
    PopInt();
    PopInt();
    return nullptr;
}

PolizElem* PolizFuncRobSell::EvaluateFunc() {
    PopInt();
    PopInt();
    return nullptr;
}

PolizElem* PolizFuncRobProd::EvaluateFunc() {
    PopInt();
    return nullptr;
}

PolizElem* PolizFuncRobAuto::EvaluateFunc() { return nullptr; }

PolizElem* PolizFuncRobUpgrade::EvaluateFunc() { return nullptr; }

PolizElem* PolizFuncRobTurn::EvaluateFunc() { return nullptr; }

PolizElem* PolizFuncRobPrint::EvaluateFunc() {
    std::unique_ptr<PolizElem> text(PopTestStr());
    return nullptr;
}

PolizElem* PolizFuncRobMacros::EvaluateFunc() { throw PolizExWrongMacros(this); }

PolizElem* PolizFuncRoboWrite::PopTest() { return PopTestInt(); }

PolizElem* PolizFuncRoboWrite::EvaluateFunc() {
    if (typ == 3) n = PopInt();
    return new PolizConstInt(0);
}
