// Robot built-ins of the script: commands through the robot, "?print", "?macro" statistics
// and game data reads through the executor's image.
#include "lang/builtins.h"

#include <cstdio>
#include <cstring>
#include <memory>

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

}  // namespace

int FindMacro(const char* name) {
    if (!name) return -1;
    for (std::size_t i = 0; i < sizeof kMacros / sizeof kMacros[0]; ++i)
        if (std::strcmp(name, kMacros[i].name) == 0) return static_cast<int>(i);
    return -1;
}

int MacroValue(int index, CData& data, CRobot& robot) {
    return kMacros[index].value(data, robot);
}

PolizElem* PolizFuncRob::PopTest() { return PopTestInt(); }

PolizElem* PolizFuncRobBuy::EvaluateFunc() {
    int price = PopInt();
    int count = PopInt();
    if (exe->Robot) exe->Robot->Buy(count, price);
    return nullptr;
}

PolizElem* PolizFuncRobSell::EvaluateFunc() {
    int price = PopInt();
    int count = PopInt();
    if (exe->Robot) exe->Robot->Sell(count, price);
    return nullptr;
}

PolizElem* PolizFuncRobProd::EvaluateFunc() {
    int count = PopInt();
    if (exe->Robot) exe->Robot->Prod(count);
    return nullptr;
}

PolizElem* PolizFuncRobAuto::EvaluateFunc() {
    if (exe->Robot) exe->Robot->Upgrade();
    return nullptr;
}

PolizElem* PolizFuncRobUpgrade::EvaluateFunc() {
    if (exe->Robot) exe->Robot->Upgrade();
    return nullptr;
}

PolizElem* PolizFuncRobTurn::EvaluateFunc() {
    if (exe->Robot) exe->Robot->Turn();
    return nullptr;
}

PolizElem* PolizFuncRobPrint::EvaluateFunc() {
    std::printf("\t~Robot said: ");
    const char* text;
    {
        std::unique_ptr<PolizElem> popped(PopTestStr());
        text = static_cast<PolizConstStr*>(popped.get())->Get();
    }
    if (!text) text = "";
    int places = CountIntPlaces(text);
    if (places == 1) {
        int a = PopInt();
        PrintFilled(text, &a, 1);
    } else if (places == 2) {
        int a = PopInt();
        int b = PopInt();
        const int values[2] = {b, a};  // the script's order: the value popped last comes first
        PrintFilled(text, values, 2);
    } else if (places == 0) {
        PrintFilled(text, nullptr, 0);
    }
    std::printf("\n");
    return nullptr;
}

PolizElem* PolizFuncRobMacros::EvaluateFunc() {
    Trace(" Macros '%s' -> ", name);
    CData* data = exe->GetData();
    CRobot* robot = exe->Robot;
    if (!name || !data || !robot) throw PolizExWrongMacros(this);
    int index = FindMacro(name);
    if (index >= 0) return new PolizConstInt(MacroValue(index, *data, *robot));
    throw PolizExWrongMacros(this);
}

PolizElem* PolizFuncRoboWrite::PopTest() { return PopTestInt(); }

PolizElem* PolizFuncRoboWrite::EvaluateFunc() {
    if (typ == 3) n = PopInt();
    Trace(" RData::s1(%s) -> ", s1);
    if (s2) Trace(" RData::s2(%s) -> ", s2);
    int value = exe->GetDataInt(s1, typ == 1 ? nullptr : s2, typ == 3 ? n : 0);
    return new PolizConstInt(value);
}
