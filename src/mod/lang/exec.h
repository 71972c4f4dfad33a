// The executor of compiled scripts (program list, value stack, variable table, run loop) and
// CRun, the program as the parser and the driver see it.
#ifndef MOD_LANG_EXEC_H
#define MOD_LANG_EXEC_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "mod/lang/sem.h"
#include "mod/lang/stack.h"
#include "ui/onerror.h"

class CData;
class CRobot;

// One script variable or label: a name and its cells (a scalar is a one-cell array).
class CVar {
public:
    CVar();
    void Set(const char* name, int value, int index);
    void SetName(const char* name);
    // Stores value in cell index, growing the cells to exactly index+1 when needed.
    void SetValue(int value, int index);
    int GetValue(int index) const;
    const char* GetName() const { return name.c_str(); }
    const int* GetValueAddr() const { return value.data(); }
    int GetCount() const { return count; }
    bool IsNameEq(const char* other) const { return name == other; }

private:
    // Throws "Array bound corrupted. " unless index is a cell (strict) or may become one.
    void TestN(int index, bool strict) const;

    std::string name;
    std::vector<int> value;
    int count;
};

// Execution context of the script: owns the program, the value stack and the variables.
class CExecuter {
public:
    // Most cells one variable may have; a write beyond fails as an allocation failure.
    static constexpr int kMaxCells = 1 << 24;  // cells (ints) per variable

    // Variables and labels in the order their names were first met.
    class CVarTable {
    public:
        CVarTable() : c(0) {}
        // Position of the entry named name, or -1 after appending it with value in cell index.
        int Add(const char* name, int value, int index);
        void SetVar(const char* name, int value, int index);
        int GetVar(const char* name, int index) const;
        void Print() const;
        int GetCount() const { return c; }
        const CVar& GetEntry(int i) const { return var[i]; }

    private:
        int Find(const char* name) const;

        std::vector<CVar> var;
        std::unordered_map<std::string, int> positions;  // name -> index into var
        int c;
    };

    CExecuter(CData* data, CRobot* robot);
    ~CExecuter();
    CExecuter(const CExecuter&) = delete;
    CExecuter& operator=(const CExecuter&) = delete;

    void SetDebugMode(int mode) { flag_debug = mode; }
    // Prints fmt with data in debug mode; tells whether debug mode is on.
    bool Debug(const char* fmt, const char* data = nullptr);
    // The runtime report (-750, with the prompt); name may be null.
    void ShowError(const char* msg, const char* name);

    CData* GetData() { return Data; }
    void SetData(CData* data) { Data = data; }
    void SetRobot(CRobot* robot) { Robot = robot; }
    int GetDataInt(const char* a, const char* b, int n);

    unsigned int SetCur(unsigned int n, bool step);
    unsigned int GetCurNum() const { return cur_num; }
    int GetVar(const char* name, int index);
    void SetVar(const char* name, int value, int index);
    void Push(PolizElem* e);
    PolizElem* Pop();

    bool IsStackEmpty() const { return stack.IsEmpty(); }
    const PolizItem* GetBegin() const { return begin; }
    const CVarTable& GetVarTable() const { return VarTable; }

    CRobot* Robot;

private:
    friend class CRun;

    void Append(PolizElem* elem);
    // Moves to the first element for a run or for label collection.
    void Rewind();

    CError Error;
    CData* Data;
    CVarTable VarTable;
    PolizItem* begin;
    PolizItem* cur;
    unsigned int cur_num;
    CStack<PolizItem> stack;
    int flag_debug;
    std::vector<PolizItem*> nodes;  // the program list by element number - 1, for jumps
};

// The compiled program: the parser appends to it, the driver runs it once per turn.
class CRun {
public:
    explicit CRun(CExecuter* executer)
        : exe(executer), collected(false), step_budget(0), budget_exhausted(false) {}

    void AddElem(PolizElem* elem);
    void LabelCollect();
    void Execute();
    bool Debug(const char* fmt, const char* data = nullptr);
    // Most elements one Execute() runs before it ends quietly as at the program's end; 0 (the
    // default) is no limit. For callers that must finish whatever the script (a fuzzer).
    void SetStepBudget(std::uint64_t steps) { step_budget = steps; }
    // Whether the last Execute() ended because its step budget ran out.
    bool BudgetExhausted() const { return budget_exhausted; }

private:
    // Runs elements from the first until the end or a run-ending error; false after the
    // error, which it has reported.
    bool RunElements();

    CExecuter* exe;
    bool collected;
    std::uint64_t step_budget;
    bool budget_exhausted;
};

#endif
