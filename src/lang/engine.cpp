// The lowered engine: the lowering of the element list into operations, one per element,
// and the element a report came from.
#include "lang/engine.h"

#include <functional>

#include "lang/builtins.h"

namespace {

constexpr const char* kCodeNames[] = {
#define ENGINE_NAME(name) #name,
    ENGINE_OPERATIONS(ENGINE_NAME)
#undef ENGINE_NAME
};
static_assert(sizeof kCodeNames / sizeof kCodeNames[0] == CEngine::kCodeCount,
              "one name for each operation");

}  // namespace

const char* CEngine::CodeName(Code code) {
    return code < kCodeCount ? kCodeNames[code] : "?";
}

CEngine::CEngine(CExecuter* executer) : exe(executer), element_count(executer->program.size()) {
    plain.reserve(element_count);
    plain_start.reserve(element_count);
    for (std::size_t i = 0; i < element_count; ++i) {
        plain.push_back(LowerElement(exe->program[i], static_cast<unsigned int>(i + 1)));
        plain_start.push_back(static_cast<int>(i));
    }
    plain.push_back(Op{kEnd, kOpPlus, 0, 0, 0, 0, -1, nullptr});
}

unsigned int CEngine::SiteElement() const {
    const Op* site = static_cast<const Op*>(exe->values.HandedBy());
    if (!site) return 0;
    // Ops of the two forms live in two arrays; pointers into different arrays are ordered
    // by std::less alone.
    auto within = [site](const std::vector<Op>& ops) {
        std::less<const Op*> before;
        return !ops.empty() && !before(site, ops.data()) && before(site, ops.data() + ops.size());
    };
    if (within(plain)) return NumberOf(*site);
    if (within(fused)) return fused_first[static_cast<std::size_t>(site - fused.data())];
    return 0;
}

CEngine::Op CEngine::LowerElement(PolizElem* e, unsigned int number) {
    CVariables& vars = exe->VarTable;
    Op op{kCall, kOpPlus, 0, 0, 0, 0, -1, e};
    int known = KnownClassOf(e);
    if (known >= 0 && known < kClassOperatorsEnd) {
        op.code = kOperators[known].unary ? kUnary : kBinary;
        op.oper = static_cast<OperatorCode>(known);
        return op;
    }
    switch (known) {
        case kClassConstInt:
            op.code = kPushInt;
            op.a = static_cast<PolizConstInt*>(e)->Get();
            break;
        case kClassConstStr: op.code = kPushStr; break;
        case kClassStore: op.code = kStore; break;
        case kClassLoad: op.code = kLoad; break;
        case kClassArrayStore: op.code = kArrayStore; break;
        case kClassArrayLoad: op.code = kArrayLoad; break;
        case kClassLabel:
            op.code = kLabel;
            op.b = static_cast<int>(number);
            break;
        case kClassGoto:
            op.code = kGoto;
            op.d = vars.Resolve(static_cast<PolizFuncPassGo*>(e)->GetLabel());
            break;
        case kClassIf:
            op.code = kIf;
            op.c = vars.Resolve(static_cast<PolizFuncPassIf*>(e)->GetLabelElse());
            op.d = vars.Resolve(static_cast<PolizFuncPassIf*>(e)->GetLabel());
            break;
        case kClassBuy: op.code = kBuy; break;
        case kClassSell: op.code = kSell; break;
        case kClassProd: op.code = kProd; break;
        case kClassAuto:
        case kClassUpgrade: op.code = kUpgrade; break;
        case kClassTurn: op.code = kTurn; break;
        case kClassPrint: op.code = kPrint; break;
        case kClassMacro:
            op.code = kMacro;
            op.a = FindMacro(static_cast<PolizFuncRobMacros*>(e)->GetName());
            break;
        case kClassDataRead: {
            op.b = static_cast<int>(fields.size());
            fields.push_back(static_cast<const PolizFuncRoboWrite*>(e)->Field());
            // Only a read the game data may refuse notes where it is, so that the reads that
            // sit in the hot loops of scripts pay nothing for it.
            const CDataField& field = fields.back();
            op.code = field.found && field.short_names.empty() && !field.indexed ? kData
                                                                                 : kDataNoted;
            break;
        }
        default: break;
    }
    if (op.code == kStore || op.code == kLoad || op.code == kArrayStore ||
        op.code == kArrayLoad || op.code == kLabel)
        op.a = vars.Resolve(static_cast<PolizFuncVar*>(e)->GetName());
    return op;
}
