// The executor of compiled scripts: the program list, the variable table and the runtime
// reports. The value stack is in value_stack.h; the program as the parser and the driver see
// it, and its run loop, in run.h; the lowered engine that runs the program in engine.h.
#ifndef MOD_LANG_EXEC_H
#define MOD_LANG_EXEC_H

#include <array>
#include <cstdint>
#include <memory>
#include <deque>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "lang/sem.h"
#include "lang/value_stack.h"
#include "ui/onerror.h"

class CData;
class CRobot;
class CEngine;

// Error numbers of the script reports.
enum ScriptErrorNumber {
    kSyntaxErrorNumber = -550,
    kRuntimeErrorNumber = -750,
};

// What a runtime report says; the texts are in RuntimeFaultText.
enum class RuntimeFault {
    kStackEmpty,
    kStrangeStack,
    kNotInt,
    kNotStr,
    kNotLabel,
    kWrongAddress,
    kWrongMacros,
    kUndefined,
    kArrayBound,
    kVarTableMemory,
};

// The report text of a runtime fault, byte for byte as printed after "Runtime error. ".
const char* RuntimeFaultText(RuntimeFault fault);

// One script variable or label: a name and its cells (a scalar is a one-cell array). A
// variable known to the program but not yet met at run time has no cells.
class CVar {
public:
    CVar() : count(0) {}
    explicit CVar(const char* var_name) : name(var_name ? var_name : ""), count(0) {}
    int GetValue(int index) const { return value[static_cast<size_t>(index)]; }
    const char* GetName() const { return name.c_str(); }
    const int* GetValueAddr() const { return value.data(); }
    int* Cells() { return value.data(); }
    int GetCount() const { return count; }
    bool IsNameEq(const char* other) const { return name == other; }
    bool IsPresent() const { return count > 0; }

private:
    friend class CVariables;

    std::string name;
    std::vector<int> value;  // grows geometrically; count says how many cells exist
    int count;
};

// Outcome of a store into the variable table.
enum class VarStatus { kOk, kBadIndex, kNoMemory };

// Variables and labels. Every name has a slot for good (the lowered engine addresses them
// by slot); the table lists the slots met at run time in the order their names were met.
class CVariables {
public:
    // Most cells one variable may have, and all variables together.
    static constexpr int kMaxCells = 1 << 24;       // cells (ints) per variable
    static constexpr long kMaxTotalCells = 1L << 25;  // cells (ints) of all variables

    // The slot of name, made (without cells) when the name is new.
    int Resolve(const char* name);
    // The slot of name, or -1 when the name has none.
    int FindSlot(const char* name) const;
    // Makes room for `count` more names, so that resolving them moves no table; the slots
    // may move now, as when a new name is resolved.
    void Reserve(std::size_t count);
    // Stores value in cell index of the slot, growing its cells to exactly index+1 when
    // needed; a refused store changes nothing.
    VarStatus Store(int slot, int value, int index);
    int SlotCount() const { return static_cast<int>(slots.size()); }
    // The slots as an array; it moves only when a new name is resolved.
    CVar* SlotData() { return slots.data(); }
    CVar& Slot(int slot) { return slots[static_cast<size_t>(slot)]; }
    const CVar& Slot(int slot) const { return slots[static_cast<size_t>(slot)]; }

    // Entries met at run time, in the order they were met.
    int GetCount() const { return static_cast<int>(order.size()); }
    const CVar& GetEntry(int i) const { return slots[static_cast<size_t>(order[static_cast<size_t>(i)])]; }
    void Print() const;

private:
    VarStatus Grow(CVar& var, int index);

    std::vector<CVar> slots;
    std::vector<int> order;                         // slots in the order they were met
    // One place of the name index: a name's hash and slot, or slot -1 when the place is free.
    struct IndexEntry {
        std::size_t hash;
        int slot;
    };
    // The place of key in the index: its entry, or the free place where it belongs.
    std::size_t PlaceOf(std::string_view key, std::size_t hash) const;
    // Makes the index hold `count` names while at most half full.
    void GrowIndex(std::size_t count);

    std::deque<std::string> names;  // the names of the slots, by slot
    // name -> slot, open addressing with linear probing over a power-of-two size: one flat
    // array that a lookup reads in one place, not a node per name scattered on the heap.
    std::vector<IndexEntry> index;
    long total_cells = 0;
};

// Execution context of the script: owns the program, the value stack and the variables.
class CExecuter {
public:
    static constexpr int kMaxCells = CVariables::kMaxCells;
    using CVarTable = CVariables;

    CExecuter(CData* data, CRobot* robot);
    ~CExecuter();
    CExecuter(const CExecuter&) = delete;
    CExecuter& operator=(const CExecuter&) = delete;

    void SetDebugMode(int mode) { flag_debug = mode; }
    bool IsDebug() const { return flag_debug == 1; }
    // Prints fmt with data in debug mode; tells whether debug mode is on.
    bool Debug(const char* fmt, const char* data = nullptr);
    // The runtime report (with the prompt); name may be null.
    void ShowError(const char* msg, const char* name);
    void ShowFault(RuntimeFault fault, const char* name = nullptr);

    CData* GetData() { return Data; }
    void SetData(CData* data) { Data = data; }
    void SetRobot(CRobot* robot) { Robot = robot; }
    int GetDataInt(const char* a, const char* b, int n);

    unsigned int SetCur(unsigned int n, bool step);
    unsigned int GetCurNum() const { return cur_num; }
    // Variable access by name, with the reports of a script's access.
    int GetVar(const char* name, int index);
    void SetVar(const char* name, int value, int index);
    // The same by slot.
    int GetSlot(int slot, int index);
    void SetSlot(int slot, int value, int index);

    // The value stack seen as elements: Push takes e over, Pop hands a new element over (null
    // after reporting an empty stack).
    void Push(PolizElem* e);
    PolizElem* Pop();
    // The value stack seen as words, as the built-ins and the run loop use it: a pop gives
    // false after reporting a missing value or one of another kind, which it releases.
    bool PopInt(int& out) {
        if (values.IsEmpty() || values.Top()[-1].kind != Value::kInt)
            return FailPop(RuntimeFault::kNotInt);
        values.SetTop(values.Top() - 1);
        out = values.Top()->num;
        return true;
    }
    bool PopText(const char*& out);
    void PushInt(int value) { values.Push(Value{Value::kInt, value, nullptr}); }

    bool IsStackEmpty() const { return values.IsEmpty(); }
    // Elements of the program list, numbered from 1.
    unsigned int ElementCount() const { return static_cast<unsigned int>(program.size()); }
    const PolizElem* Element(unsigned int number) const { return program[number - 1]; }
    // The script line of the statement element `number` was made for; 0 when unknown.
    int LineOf(unsigned int number) const;
    const CVariables& GetVarTable() const { return VarTable; }
    CVariables& VarTableForEngine() { return VarTable; }
    CValueStack& Values() { return values; }

    CRobot* Robot;

private:
    friend class CRun;
    friend class CEngine;

    void Append(PolizElem* elem, int line);
    // Reports a pop that found no value or one of another kind, releasing that value, and
    // the value `missing` it wanted; false.
    bool FailPop(RuntimeFault missing);

    CError Error;
    CData* Data;
    CVariables VarTable;
    unsigned int cur_num;
    bool jumped;  // an element called SetCur to jump
    CValueStack values;
    int flag_debug;
    // The program list: element number k is program[k - 1]. Pointers held in blocks, so a
    // program of hundreds of thousands of elements costs 8 bytes an element and growing it
    // copies nothing.
    std::deque<PolizElem*> program;
    // The lines of the program's elements, one entry where the line changes: the number of
    // the first element on a line, and the line. Statements have many elements each.
    struct LineStart {
        unsigned int element;
        int line;
    };
    std::vector<LineStart> line_starts;
};

#endif
