// Robot built-ins of the script: commands through the robot, "?print", "?macro" statistics
// and game data reads through the executor's image, and the element classes that run them.
#include "lang/builtins.h"

#include <cstdio>
#include <cstring>

#include "lang/exec.h"
#include "robot/data.h"
#include "robot/robot.h"

void PrintFilled(const char* text, const int* values, int count) {
    int used = 0;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd' && used < count) {
            std::printf("%d", values[used++]);
            ++p;
        } else {
            std::putchar(*p);
        }
    }
}

int CountIntPlaces(const char* text) {
    int n = 0;
    for (const char* p = text; *p; ++p)
        if (p[0] == '%' && p[1] == 'd') ++n;
    return n;
}

namespace {

// A "?macro" name and how its value is computed.
struct Macro {
    const char* name;
    int (*value)(CData&, CRobot&);
};

const Macro kMacros[] = {
    {"\"YouProd\"", [](CData& d, CRobot& r) { return r.MaxProducing(d.you); }},
    {"\"AllProd\"", [](CData&, CRobot& r) { return r.GetAllPlayers_Prod(); }},
    {"\"AllRaw\"", [](CData&, CRobot& r) { return r.GetAllPlayers_Raw(); }},
    {"\"AllEffect\"", [](CData&, CRobot& r) { return r.GetAllPlayers_Producing(); }},
    {"\"Online\"", [](CData&, CRobot& r) { return r.GetPlayingGamers(); }},
    {"\"OptiProd\"", [](CData& d, CRobot& r) { return r.GetPlayerOptimalProdN(d.you); }},
    {"\".you.raw\"", [](CData& d, CRobot&) { return d.you.raw; }},
    {"\".you.fabrics\"", [](CData& d, CRobot&) { return d.you.fabrics; }},
    {"\".you.money\"", [](CData& d, CRobot&) { return d.you.money; }},
    {"\".you.prod\"", [](CData& d, CRobot&) { return d.you.prod; }},
    {"\".market.max_prod_price\"", [](CData& d, CRobot&) { return d.market.max_prod_price; }},
    {"\".market.min_raw_price\"", [](CData& d, CRobot&) { return d.market.min_raw_price; }},
    {"\".market.raw\"", [](CData& d, CRobot&) { return d.market.raw; }},
    {"\".market.prod\"", [](CData& d, CRobot&) { return d.market.prod; }},
};

// "?buy" and "?sell": the count and the price, the price on top.
bool Trade(CExecuter& exe, void (CRobot::*order)(int count, int price)) {
    int price = 0, count = 0;
    if (!exe.PopInt(price) || !exe.PopInt(count)) return false;
    if (exe.Robot) (exe.Robot->*order)(count, price);
    return true;
}

}  // namespace

int FindMacro(const char* name) {
    if (!name) return -1;
    for (std::size_t i = 0; i < sizeof kMacros / sizeof kMacros[0]; ++i)
        if (std::strcmp(name, kMacros[i].name) == 0) return static_cast<int>(i);
    return -1;
}

const char* MacroName(int index) {
    const int count = static_cast<int>(sizeof kMacros / sizeof kMacros[0]);
    return index >= 0 && index < count ? kMacros[index].name : nullptr;
}

int MacroValue(int index, CData& data, CRobot& robot) {
    return kMacros[index].value(data, robot);
}

// ---- The built-ins

namespace builtin {

bool Buy(CExecuter& exe) { return Trade(exe, &CRobot::Buy); }

bool Sell(CExecuter& exe) { return Trade(exe, &CRobot::Sell); }

bool Prod(CExecuter& exe) {
    int count = 0;
    if (!exe.PopInt(count)) return false;
    if (exe.Robot) exe.Robot->Prod(count);
    return true;
}

bool Upgrade(CExecuter& exe) {
    if (exe.Robot) exe.Robot->Upgrade();
    return true;
}

bool Turn(CExecuter& exe) {
    if (exe.Robot) exe.Robot->Turn();
    return true;
}

bool Print(CExecuter& exe) {
    std::printf("\t~Robot said: ");
    const char* text;
    if (!exe.PopText(text)) return false;
    if (!text) text = "";
    // A text of more places than two prints nothing and pops nothing more.
    int places = CountIntPlaces(text);
    int values[2] = {0, 0};  // the script's order: the value popped last comes first
    if (places == 1 && !exe.PopInt(values[0])) return false;
    if (places == 2 && (!exe.PopInt(values[1]) || !exe.PopInt(values[0]))) return false;
    if (places <= 2) PrintFilled(text, values, places);
    std::printf("\n");
    return true;
}

bool Macro(CExecuter& exe, const char* name, int index) {
    exe.Debug(" Macros '%s' -> ", name);
    if (!name || !exe.GetData() || !exe.Robot || index < 0) {
        exe.ShowFault(RuntimeFault::kWrongMacros);
        return false;
    }
    exe.PushInt(MacroValue(index, *exe.GetData(), *exe.Robot));
    return true;
}

}  // namespace builtin

// ---- The elements

PolizElem* PolizFuncRob::PopTest() { return PopTestInt(); }

PolizElem* PolizFuncRob::Ran(bool succeeded) {
    if (!succeeded) throw PolizExReported(this);
    return nullptr;
}

PolizElem* PolizFuncRobBuy::EvaluateFunc() { return Ran(builtin::Buy(*exe)); }

PolizElem* PolizFuncRobSell::EvaluateFunc() { return Ran(builtin::Sell(*exe)); }

PolizElem* PolizFuncRobProd::EvaluateFunc() { return Ran(builtin::Prod(*exe)); }

PolizElem* PolizFuncRobUpgrade::EvaluateFunc() { return Ran(builtin::Upgrade(*exe)); }

PolizElem* PolizFuncRobTurn::EvaluateFunc() { return Ran(builtin::Turn(*exe)); }

PolizElem* PolizFuncRobPrint::EvaluateFunc() { return Ran(builtin::Print(*exe)); }

PolizElem* PolizFuncRobMacros::EvaluateFunc() {
    return Ran(builtin::Macro(*exe, name, FindMacro(name)));
}

CDataField PolizFuncRoboWrite::Field() const {
    return CData::Resolve(s1, shape == DataShape::kName ? nullptr : s2);
}

PolizElem* PolizFuncRoboWrite::EvaluateFunc() { return Ran(builtin::ReadData(*exe, *this, Field())); }
