// Robot built-ins of the script: the commands sent to the game, "?print", "?macro" and the
// reads of game data by dotted names.
#ifndef MOD_LANG_BUILTINS_H
#define MOD_LANG_BUILTINS_H

#include "lang/sem.h"

class CData;
class CRobot;

// Prints a "?print" text with its "%d" places filled from values, in order. Nothing else in
// the text is a format: every other byte, '%' included, is printed as it stands.
void PrintFilled(const char* text, const int* values, int count);

// Places in the text where "%d" begins; every position is tested.
int CountIntPlaces(const char* text);

// The position of a "?macro" name (quoted as written) in the macro table, or -1.
int FindMacro(const char* name);

// The value of the macro at position index of the table.
int MacroValue(int index, CData& data, CRobot& robot);

// Base of the robot built-ins; their operands are integers.
class PolizFuncRob : public PolizFunc {
protected:
    PolizElem* PopTest() override;
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

// "?auto": sends the same upgrade command as "?upgrade".
class PolizFuncRobAuto : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

// "?upgrade".
class PolizFuncRobUpgrade : public PolizFuncRob {
public:
    PolizElem* EvaluateFunc() override;
};

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

// Pushes a game data value named by one part (typ 1), two parts (typ 2) or two parts with a
// popped index between them (typ 3). The name parts are borrowed from the lexeme list.
class PolizFuncRoboWrite : public PolizFunc {
public:
    PolizFuncRoboWrite(const char* first, const char* second, char shape)
        : s1(first), s2(second), n(0), typ(shape) {}
    PolizElem* EvaluateFunc() override;
    const char* GetS1() const { return s1; }
    const char* GetS2() const { return s2; }
    char GetTyp() const { return typ; }

protected:
    PolizElem* PopTest() override;

    const char* s1;
    const char* s2;  // null with typ 1
    int n;           // index of the last typ 3 read
    char typ;
};

#endif
