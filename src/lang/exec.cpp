// The executor: program list, variable table, the checked pops of the value stack and the
// runtime reports; CRun collects the labels and hands the program to the lowered engine.
#include "lang/exec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <typeinfo>

#include "lang/engine.h"
#include "robot/data.h"

namespace {

// Prints a trace text: "%s" takes the one argument, "%%" is a percent sign, and any other
// '%' is printed as it stands, so no trace can ask for an argument that is not there.
void PrintTrace(const char* fmt, const char* data) {
    for (const char* p = fmt; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            std::fputs(data ? data : "(null)", stdout);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            std::putchar('%');
            ++p;
        } else {
            std::putchar(*p);
        }
    }
}

constexpr std::size_t kFirstIndexEntries = 64;  // places of the variable table's name index

}  // namespace

const char* RuntimeFaultText(RuntimeFault fault) {
    switch (fault) {
        case RuntimeFault::kStackEmpty: return "Stack access: stack is empty.";
        case RuntimeFault::kStrangeStack: return "Strange error about stack.";
        case RuntimeFault::kNotInt: return "Const int waiting on stack.";
        case RuntimeFault::kNotStr: return "Const str waiting on stack.";
        case RuntimeFault::kNotLabel: return "PolizEx throw.";
        case RuntimeFault::kWrongAddress: return "Wrong operation address.";
        case RuntimeFault::kWrongMacros: return "Wrong macros parameter.";
        case RuntimeFault::kUndefined: return "Undefined error.";
        case RuntimeFault::kArrayBound: return "Array bound corrupted. ";
        case RuntimeFault::kVarTableMemory: return "Undefined error in VarTable";
    }
    return "Undefined error.";
}

// ---- CVariables

std::size_t CVariables::PlaceOf(std::string_view key, std::size_t hash) const {
    const std::size_t mask = index.size() - 1;
    for (std::size_t place = hash & mask;; place = (place + 1) & mask) {
        const IndexEntry& entry = index[place];
        if (entry.slot < 0) return place;
        if (entry.hash == hash && names[static_cast<size_t>(entry.slot)] == key) return place;
    }
}

void CVariables::GrowIndex(std::size_t count) {
    std::size_t size = index.empty() ? kFirstIndexEntries : index.size();
    while (size < 2 * count) size *= 2;
    if (size == index.size()) return;
    std::vector<IndexEntry> previous(size, IndexEntry{0, -1});
    previous.swap(index);
    for (const IndexEntry& entry : previous)
        if (entry.slot >= 0) index[PlaceOf(names[static_cast<size_t>(entry.slot)], entry.hash)] = entry;
}

int CVariables::Resolve(const char* name) {
    std::string_view key(name ? name : "");
    std::size_t hash = std::hash<std::string_view>()(key);
    GrowIndex(slots.size() + 1);
    std::size_t place = PlaceOf(key, hash);
    if (index[place].slot >= 0) return index[place].slot;
    int slot = static_cast<int>(slots.size());
    slots.emplace_back(name);
    names.emplace_back(key);
    index[place] = IndexEntry{hash, slot};
    return slot;
}

int CVariables::FindSlot(const char* name) const {
    if (index.empty()) return -1;
    std::string_view key(name ? name : "");
    return index[PlaceOf(key, std::hash<std::string_view>()(key))].slot;
}

void CVariables::Reserve(std::size_t count) {
    slots.reserve(slots.size() + count);
    GrowIndex(slots.size() + count);
}

VarStatus CVariables::Grow(CVar& var, int index) {
    if (index >= kMaxCells) return VarStatus::kNoMemory;
    long added = static_cast<long>(index) + 1 - var.count;
    if (total_cells + added > kMaxTotalCells) return VarStatus::kNoMemory;
    try {
        var.value.resize(static_cast<size_t>(index) + 1, 0);
    } catch (const std::bad_alloc&) {
        return VarStatus::kNoMemory;
    }
    total_cells += added;
    if (var.count == 0) order.push_back(static_cast<int>(&var - slots.data()));
    var.count = index + 1;
    return VarStatus::kOk;
}

VarStatus CVariables::Store(int slot, int value, int index) {
    CVar& var = Slot(slot);
    if (index < 0) return VarStatus::kBadIndex;
    if (index >= var.count) {
        VarStatus grown = Grow(var, index);
        if (grown != VarStatus::kOk) return grown;
    }
    var.value[static_cast<size_t>(index)] = value;
    return VarStatus::kOk;
}

void CVariables::Print() const {
    std::printf("\n");
    for (int slot : order) {
        const CVar& v = slots[static_cast<size_t>(slot)];
        if (v.GetCount() == 1) {
            std::printf(" %s = %d; ", v.GetName(), v.GetValue(0));
        } else {
            for (int i = 0; i < v.GetCount(); ++i)
                std::printf(" %s[%d] = %d; ", v.GetName(), i, v.GetValue(i));
        }
        std::printf("\n");
    }
}

// ---- CExecuter

CExecuter::CExecuter(CData* data, CRobot* robot)
    : Robot(robot), Data(data), cur_num(1), jumped(false), flag_debug(-1) {}

CExecuter::~CExecuter() {
    for (PolizElem* e : program) delete e;
}

bool CExecuter::Debug(const char* fmt, const char* data) {
    if (flag_debug != 1) return false;
    if (fmt) PrintTrace(fmt, data);
    return true;
}

int CExecuter::GetDataInt(const char* a, const char* b, int n) {
    return Data ? Data->Get(a, b, n) : 0;
}

void CExecuter::ShowError(const char* msg, const char* name) {
    Error.ClearLastText();
    Error.Gum("Runtime error. ");
    Error.Gum(msg);
    if (name) {
        Error.Gum(" '");
        Error.Gum(name);
        Error.Gum("'");
    }
    Error.Gum("\n");
    Error.OnErrorSpit(kRuntimeErrorNumber, false);
}

void CExecuter::ShowFault(RuntimeFault fault, const char* name) {
    ShowError(RuntimeFaultText(fault), name);
}

void CExecuter::Append(PolizElem* elem, int line) {
    std::unique_ptr<PolizElem> owned(elem);
    program.push_back(elem);
    owned.release();
    if (line_starts.empty() || line_starts.back().line != line)
        line_starts.push_back(LineStart{static_cast<unsigned int>(program.size()), line});
}

int CExecuter::LineOf(unsigned int number) const {
    if (number < 1 || number > program.size()) return 0;
    // The last entry that starts at or before the element.
    auto after = std::upper_bound(line_starts.begin(), line_starts.end(), number,
                                  [](unsigned int n, const LineStart& s) { return n < s.element; });
    return after == line_starts.begin() ? 0 : (after - 1)->line;
}

unsigned int CExecuter::SetCur(unsigned int n, bool step) {
    if (step) return ++cur_num;
    if (n == 0) throw "Wrong operation address.";
    jumped = true;
    cur_num = n > program.size() ? static_cast<unsigned int>(program.size()) + 1 : n;
    return cur_num;
}

int CExecuter::GetSlot(int slot, int index) {
    const CVar& var = VarTable.Slot(slot);
    if (var.IsPresent()) {
        if (index >= 0 && index < var.GetCount()) return var.GetValue(index);
        ShowFault(RuntimeFault::kArrayBound, var.GetName());
        return 0;
    }
    // A read of a name not met yet reads 0 and brings the name into the table.
    Debug("|GetVar for undefined var|");
    SetSlot(slot, 0, index);
    return 0;
}

void CExecuter::SetSlot(int slot, int value, int index) {
    switch (VarTable.Store(slot, value, index)) {
        case VarStatus::kOk: return;
        case VarStatus::kBadIndex:
            ShowFault(RuntimeFault::kArrayBound, VarTable.Slot(slot).GetName());
            return;
        case VarStatus::kNoMemory:
            ShowFault(RuntimeFault::kVarTableMemory);
            return;
    }
}

int CExecuter::GetVar(const char* name, int index) {
    return GetSlot(VarTable.Resolve(name), index);
}

void CExecuter::SetVar(const char* name, int value, int index) {
    SetSlot(VarTable.Resolve(name), value, index);
}

void CExecuter::Push(PolizElem* e) {
    std::unique_ptr<PolizElem> owned(e);
    Value v{Value::kElem, 0, e};
    if (auto i = dynamic_cast<PolizConstInt*>(e)) {
        v = Value{Value::kInt, i->Get(), nullptr};
    } else if (auto s = dynamic_cast<PolizConstStr*>(e)) {
        v = Value{Value::kStr, 0, s->Get()};
    } else if (auto l = dynamic_cast<PolizConstLabel*>(e)) {
        v = Value{Value::kLabel, 0, l->Get()};
    } else if (auto a = dynamic_cast<PolizConstVarAddr*>(e)) {
        v = Value{Value::kVarAddr, static_cast<int>(a->Get()), nullptr};
    }
    values.Push(v);
    if (v.kind == Value::kElem) owned.release();
}

PolizElem* CExecuter::Pop() {
    if (values.IsEmpty()) {
        ShowFault(RuntimeFault::kStackEmpty);
        return nullptr;
    }
    Value v = values.Top()[-1];
    PolizElem* e = nullptr;
    switch (v.kind) {
        case Value::kInt: e = new PolizConstInt(v.num); break;
        case Value::kStr: e = new PolizConstStr(static_cast<char*>(const_cast<void*>(v.p))); break;
        case Value::kLabel:
            e = new PolizConstLabel(static_cast<PolizItem*>(const_cast<void*>(v.p)));
            break;
        case Value::kVarAddr: e = new PolizConstVarAddr(static_cast<unsigned int>(v.num)); break;
        case Value::kElem: e = static_cast<PolizElem*>(const_cast<void*>(v.p)); break;
    }
    values.SetTop(values.Top() - 1);
    return e;
}

bool CExecuter::FailPop(RuntimeFault missing) {
    if (values.IsEmpty()) {
        ShowFault(RuntimeFault::kStackEmpty);
    } else {
        Value wrong = values.Top()[-1];
        values.SetTop(values.Top() - 1);
        CValueStack::Release(wrong);
    }
    ShowFault(missing);
    return false;
}

bool CExecuter::PopText(const char*& out) {
    if (values.IsEmpty() || values.Top()[-1].kind != Value::kStr)
        return FailPop(RuntimeFault::kNotStr);
    values.SetTop(values.Top() - 1);
    out = static_cast<const char*>(values.Top()->p);
    return true;
}
