// Listing of a compiled program: class names with their names, texts and numbers.
#include "lang/dump.h"

#include <typeinfo>

#include "lang/builtins.h"

namespace {

// Name of an argument-free class other than the operators, or null when e is none of them.
const char* PlainName(const PolizElem* e) {
    struct Entry {
        const std::type_info& type;
        const char* name;
    };
    static const Entry kPlain[] = {
        {typeid(PolizFuncRobBuy), "PolizFuncRobBuy"},
        {typeid(PolizFuncRobSell), "PolizFuncRobSell"},
        {typeid(PolizFuncRobProd), "PolizFuncRobProd"},
        {typeid(PolizFuncRobAuto), "PolizFuncRobAuto"},
        {typeid(PolizFuncRobUpgrade), "PolizFuncRobUpgrade"},
        {typeid(PolizFuncRobTurn), "PolizFuncRobTurn"},
        {typeid(PolizFuncRobPrint), "PolizFuncRobPrint"},
    };
    for (const Entry& entry : kPlain)
        if (typeid(*e) == entry.type) return entry.name;
    return nullptr;
}

// Name of a class that carries a variable or label name, or null.
const char* VarName(const PolizElem* e) {
    struct Entry {
        const std::type_info& type;
        const char* name;
    };
    static const Entry kVar[] = {
        {typeid(PolizFuncVarRead), "PolizFuncVarRead"},
        {typeid(PolizFuncVarWrite), "PolizFuncVarWrite"},
        {typeid(PolizFuncVarArrayRead), "PolizFuncVarArrayRead"},
        {typeid(PolizFuncVarArrayWrite), "PolizFuncVarArrayWrite"},
        {typeid(PolizFuncLabelRead), "PolizFuncLabelRead"},
    };
    for (const Entry& entry : kVar)
        if (typeid(*e) == entry.type) return entry.name;
    return nullptr;
}

std::string Text(const char* s) { return s ? s : "(null)"; }

}  // namespace

std::string DumpElem(const PolizElem* e) {
    if (!e) return "(null)";
    int op = OperatorOfElem(e);
    if (op >= 0) return kOperators[op].dump_name;
    if (const char* name = PlainName(e)) return name;
    if (const char* name = VarName(e))
        return std::string(name) + " " + Text(static_cast<const PolizFuncVar*>(e)->GetName());
    if (auto c = dynamic_cast<const PolizConstInt*>(e))
        return "PolizConst<int> " + std::to_string(c->Get());
    if (auto c = dynamic_cast<const PolizConstStr*>(e))
        return "PolizConst<char*> " + Text(c->Get());
    if (auto j = dynamic_cast<const PolizFuncPassIf*>(e))
        return "PolizFuncPassIf " + Text(j->GetLabel()) + " " + Text(j->GetLabelElse());
    if (auto j = dynamic_cast<const PolizFuncPassGo*>(e))
        return "PolizFuncPassGo " + Text(j->GetLabel());
    if (auto m = dynamic_cast<const PolizFuncRobMacros*>(e))
        return "PolizFuncRobMacros " + Text(m->GetName());
    if (auto r = dynamic_cast<const PolizFuncRoboWrite*>(e)) {
        std::string line = "PolizFuncRoboWrite " + Text(r->GetS1());
        if (r->GetS2()) line += " " + Text(r->GetS2());
        return line + " " + std::to_string(static_cast<int>(r->GetShape()));
    }
    return "PolizElem";
}

std::string DumpProgram(const CExecuter& exe) {
    std::string out;
    for (unsigned int number = 1; number <= exe.ElementCount(); ++number)
        out += std::to_string(number) + " " + DumpElem(exe.Element(number)) + "\n";
    return out;
}
