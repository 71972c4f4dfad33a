// The executor: program list, value stack, variable table, runtime reports and the run loop.
#include "mod/lang/exec.h"

#include <cstdio>
#include <memory>
#include <new>

#include "mod/robot/data.h"

namespace {

constexpr int kRuntimeError = -750;  // error number of every runtime report

const char* const kBoundError = "Array bound corrupted. ";

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

}  // namespace

// ---- CVar

CVar::CVar() : value(1, 0), count(1) {}

void CVar::Set(const char* new_name, int v, int index) {
    SetName(new_name);
    SetValue(v, index);
}

void CVar::SetName(const char* new_name) { name = new_name ? new_name : ""; }

void CVar::SetValue(int v, int index) {
    TestN(index, false);
    if (index >= count) {
        if (index >= CExecuter::kMaxCells) throw std::bad_alloc();
        value.resize(static_cast<size_t>(index) + 1, 0);
        value.shrink_to_fit();
        count = index + 1;
    }
    value[index] = v;
}

int CVar::GetValue(int index) const {
    TestN(index, true);
    return value[index];
}

void CVar::TestN(int index, bool strict) const {
    if (index < 0 || (strict && index >= count)) throw kBoundError;
}

// ---- CVarTable

int CExecuter::CVarTable::Find(const char* name) const {
    auto it = positions.find(name);
    return it == positions.end() ? -1 : it->second;
}

int CExecuter::CVarTable::Add(const char* name, int value, int index) {
    int pos = Find(name);
    if (pos >= 0) return pos;
    // Check the store first, so a refused one leaves no entry behind.
    if (index < 0) throw kBoundError;
    if (index >= kMaxCells) throw std::bad_alloc();
    CVar entry;
    entry.Set(name, value, index);
    var.push_back(std::move(entry));
    positions.emplace(var.back().GetName(), c);
    ++c;
    return -1;
}

void CExecuter::CVarTable::SetVar(const char* name, int value, int index) {
    int pos = Add(name, value, index);
    if (pos >= 0) var[pos].SetValue(value, index);
}

int CExecuter::CVarTable::GetVar(const char* name, int index) const {
    int pos = Find(name);
    if (pos < 0) throw "Var not found in VarTable.";
    return var[pos].GetValue(index);
}

void CExecuter::CVarTable::Print() const {
    std::printf("\n");
    for (const CVar& v : var) {
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
    : Robot(robot), Data(data), begin(nullptr), cur(nullptr), cur_num(1), flag_debug(-1) {}

CExecuter::~CExecuter() {
    // Values left on the stack belong to nobody else.
    while (!stack.IsEmpty()) {
        PolizItem* item = stack.Pop();
        delete item->p;
        delete item;
    }
    for (PolizItem* node : nodes) {
        delete node->p;
        delete node;
    }
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
    Error.OnErrorSpit(kRuntimeError, false);
}

void CExecuter::Append(PolizElem* elem) {
    std::unique_ptr<PolizItem> node(new PolizItem(elem));
    nodes.push_back(node.get());
    if (!begin) {
        begin = node.get();
    } else {
        nodes[nodes.size() - 2]->next = node.get();
    }
    cur = node.release();
}

void CExecuter::Rewind() {
    cur_num = 1;
    cur = begin;
}

unsigned int CExecuter::SetCur(unsigned int n, bool step) {
    if (step) {
        if (cur) cur = cur->next;
        ++cur_num;
        return cur_num;
    }
    if (n == 0) throw "Wrong operation address.";
    if (n > nodes.size()) {
        // Past the last element: the run ends as after its last element.
        cur = nullptr;
        cur_num = static_cast<unsigned int>(nodes.size()) + 1;
        return cur_num;
    }
    cur = nodes[n - 1];
    cur_num = n;
    return cur_num;
}

int CExecuter::GetVar(const char* name, int index) {
    try {
        return VarTable.GetVar(name, index);
    } catch (const char* text) {
        if (text == kBoundError) {
            ShowError(text, name);
            return 0;
        }
    }
    Debug("|GetVar for undefined var|");
    SetVar(name, 0, index);
    return 0;
}

void CExecuter::SetVar(const char* name, int value, int index) {
    try {
        VarTable.SetVar(name, value, index);
    } catch (const char* text) {
        ShowError(text, name);
    } catch (...) {
        ShowError("Undefined error in VarTable", nullptr);
    }
}

void CExecuter::Push(PolizElem* e) {
    PolizItem* item = new PolizItem(e);
    stack.Push(item);
}

PolizElem* CExecuter::Pop() {
    PolizItem* item = nullptr;
    try {
        item = stack.Pop();
    } catch (const CStackEmptyEx&) {
        ShowError("Stack access: stack is empty.", nullptr);
        return nullptr;
    } catch (...) {
        ShowError("Strange error about stack.", nullptr);
        return nullptr;
    }
    PolizElem* e = item->p;
    delete item;
    return e;
}

// ---- CRun

void CRun::AddElem(PolizElem* elem) { exe->Append(elem); }

bool CRun::Debug(const char* fmt, const char* data) { return exe->Debug(fmt, data); }

void CRun::LabelCollect() {
    Debug("\nLabel Collect ::\n");
    exe->Rewind();
    while (exe->cur) {
        PolizElem* e = exe->cur->p;
        if (dynamic_cast<PolizFuncLabelRead*>(e)) {
            e->Evaluate_main(exe);
            if (Debug("Label Addr: ")) std::printf("%d", static_cast<int>(exe->cur_num));
        }
        exe->SetCur(0, true);
    }
    Debug("\n :: Label Collect\n");
}

void CRun::Execute() {
    Debug("\n\n\n\t--- DEBUG MODE ---\n");
    if (!collected) {
        LabelCollect();
        collected = true;
    }
    // A run-ending error has been reported and nothing of this run follows it.
    if (!RunElements()) return;
    Debug("\n Execution end.");
    if (Debug("\n\n :: Var Table :: ")) exe->VarTable.Print();
    Debug("\n\n\t=== DEBUG MODE ===\n");
}

bool CRun::RunElements() {
    exe->Rewind();
    budget_exhausted = false;
    for (std::uint64_t steps = 0; exe->cur; ++steps) {
        if (step_budget != 0 && steps == step_budget) {
            budget_exhausted = true;
            return true;
        }
        if (Debug("\n ElemAddr: ")) {
            std::printf("%d =", static_cast<int>(exe->cur_num));
            if (!exe->cur->next) std::printf("\n next==NULL");
        }
        PolizItem* here = exe->cur;
        try {
            here->p->Evaluate_main(exe);
        } catch (PolizExNotInt& ex) {
            delete ex.GetAddr();  // a popped value, or null
            exe->ShowError("Const int waiting on stack.", nullptr);
            return false;
        } catch (PolizExNotStr& ex) {
            delete ex.GetAddr();
            exe->ShowError("Const str waiting on stack.", nullptr);
            return false;
        } catch (PolizExWrongAddr&) {
            exe->ShowError("Wrong operation address.", nullptr);
            return false;
        } catch (PolizExWrongMacros&) {
            exe->ShowError("Wrong macros parameter.", nullptr);
            return false;
        } catch (PolizExNotLabel& ex) {
            delete ex.GetAddr();
            exe->ShowError("PolizEx throw.", nullptr);
            return false;
        } catch (PolizEx&) {
            exe->ShowError("PolizEx throw.", nullptr);
            return false;
        } catch (...) {
            exe->ShowError("Undefined error.", nullptr);
            return false;
        }
        if (exe->cur == here) exe->SetCur(0, true);
    }
    return true;
}
