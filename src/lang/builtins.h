// Robot built-ins of the script: the commands sent to the game, "?print", "?macro" and the
// reads of game data by dotted names. Each is written once, in namespace builtin, and both
// its element class and the lowered engine run it.
#ifndef MOD_LANG_BUILTINS_H
#define MOD_LANG_BUILTINS_H

#include "lang/exec.h"
#include "lang/sem.h"
#include "robot/data.h"

class CRobot;

// Prints a "?print" text with its "%d" places filled from values, in order. Nothing else in
// the text is a format: every other byte, '%' included, is printed as it stands.
void PrintFilled(const char* text, const int* values, int count);

// Places in the text where "%d" begins; every position is tested.
int CountIntPlaces(const char* text);

// The position of a "?macro" name (quoted as written) in the macro table, or -1.
int FindMacro(const char* name);

// The name (quoted) at position index of the macro table; null past its end.
const char* MacroName(int index);

// The value of the macro at position index of the table.
int MacroValue(int index, CData& data, CRobot& robot);

// How a game data read names its value.
enum class DataShape : char {
    kName = 1,         // one part: ".turn_number"
    kTwoNames = 2,     // two parts: ".you.money"
    kIndexedName = 3,  // two parts with a popped index between them: ".players[$i].money"
};

class PolizFuncRoboWrite;

// The built-ins proper. Each takes its operands off the executor's value stack and pushes its
// result there; false when an operand was missing or of another kind, after the report.
namespace builtin {
bool Buy(CExecuter& exe);      // "?buy count, price"
bool Sell(CExecuter& exe);     // "?sell count, price"
bool Prod(CExecuter& exe);     // "?prod count"
bool Upgrade(CExecuter& exe);  // "?upgrade", and "?auto", which sends the same command
bool Turn(CExecuter& exe);     // "?turn": ends the robot's turn
bool Print(CExecuter& exe);    // "?print text, values"
// "?macro name": index is FindMacro(name).
bool Macro(CExecuter& exe, const char* name, int index);
// A game data read; field is read's Field(), which the engine resolves once. Defined below,
// inline: reads sit in the hot loops of scripts. The engine, which keeps the stack top in a
// register, runs its two halves itself: TraceDataRead, then DataValue with the popped index.
inline bool ReadData(CExecuter& exe, const PolizFuncRoboWrite& read, const CDataField& field);
inline void TraceDataRead(CExecuter& exe, const PolizFuncRoboWrite& read);
inline int DataValue(CExecuter& exe, const CDataField& field, int index);
}  // namespace builtin

// Base of the robot built-in elements; their operands are integers.
class PolizFuncRob : public PolizFunc {
protected:
    PolizElem* PopTest() override;
    // What EvaluateFunc gives after the built-in ran: nothing, as the built-in pushed its
    // result itself; a failed built-in has reported, which PolizExReported tells the caller.
    PolizElem* Ran(bool succeeded);
};

// "?buy count, price".
class PolizFuncRobBuy : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?sell count, price".
class PolizFuncRobSell : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?prod count".
class PolizFuncRobProd : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?upgrade".
class PolizFuncRobUpgrade : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?auto": the upgrade built-in, a class of its own so that the dump tells the two apart.
class PolizFuncRobAuto : public PolizFuncRobUpgrade {};

// "?turn": ends the robot's turn.
class PolizFuncRobTurn : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?print text, values": prints the text with its "%d" places filled.
class PolizFuncRobPrint : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?macro name": pushes a robot statistic or a field of the game data chosen by name.
class PolizFuncRobMacros : public PolizFuncRob {
public:
    // name is the quoted text as the script wrote it, borrowed from the lexeme list.
    explicit PolizFuncRobMacros(const char* macro_name) : name(macro_name) {}
    PolizElem* EvaluateFunc() override;
    const char* GetName() const { return name; }

protected:
    const char* name;
};

// A game data read: pushes the value named by the parts of the given shape (the class name
// says it writes the stack). The name parts are borrowed from the lexeme list.
class PolizFuncRoboWrite : public PolizFuncRob {
public:
    PolizFuncRoboWrite(const char* first, const char* second, DataShape data_shape)
        : s1(first), s2(second), shape(data_shape) {}
    PolizElem* EvaluateFunc() override;
    const char* GetS1() const { return s1; }
    const char* GetS2() const { return s2; }  // null for DataShape::kName
    DataShape GetShape() const { return shape; }
    // The field of the game data image the read gives.
    CDataField Field() const;

protected:
    const char* s1;
    const char* s2;
    DataShape shape;
};

inline void builtin::TraceDataRead(CExecuter& exe, const PolizFuncRoboWrite& read) {
    exe.Debug(" RData::s1(%s) -> ", read.GetS1());
    if (read.GetS2()) exe.Debug(" RData::s2(%s) -> ", read.GetS2());
}

inline int builtin::DataValue(CExecuter& exe, const CDataField& field, int index) {
    return exe.GetData() ? exe.GetData()->Read(field, index) : 0;
}

inline bool builtin::ReadData(CExecuter& exe, const PolizFuncRoboWrite& read,
                              const CDataField& field) {
    int index = 0;
    if (read.GetShape() == DataShape::kIndexedName && !exe.PopInt(index)) return false;
    if (exe.IsDebug()) TraceDataRead(exe, read);
    exe.PushInt(DataValue(exe, field, index));
    return true;
}

#endif
