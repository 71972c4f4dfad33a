// Evaluation of the POLIZ elements: the shared frames, the operators, variable access and jumps.
#include "lang/sem.h"

#include <memory>
#include <typeinfo>

#include "lang/builtins.h"
#include "lang/exec.h"
#include "lang/operators.h"

namespace {

using OwnedElem = std::unique_ptr<PolizElem>;

// Number held by a value that an integer pop has already checked.
int IntOf(const PolizElem* v) {
    const PolizConstInt* c = dynamic_cast<const PolizConstInt*>(v);
    return c ? c->Get() : 0;
}

// Pops one value and keeps it if it has the kind K, else throws Ex carrying it.
template <class K, class Ex>
PolizElem* PopKind(PolizElem* popped) {
    if (popped && dynamic_cast<K*>(popped)) return popped;
    throw Ex(popped);
}

}  // namespace

// ---- PolizElem

thread_local CExecuter* PolizElem::exe = nullptr;

void PolizElem::Evaluate_main(CExecuter* e) {
    // Restores the outer executor on every exit, including the exceptions of runtime faults.
    struct Binding {
        explicit Binding(CExecuter* e) : outer(exe) { exe = e; }
        ~Binding() { exe = outer; }
        CExecuter* outer;
    } binding(e);
    Evaluate();
}

void PolizElem::Push(PolizElem* e) { exe->Push(e); }

PolizElem* PolizElem::Pop() { return exe->Pop(); }

bool PolizElem::Trace(const char* fmt, const char* data) const {
    return exe ? exe->Debug(fmt, data) : false;
}

unsigned int PolizElem::CurNum() const { return exe->GetCurNum(); }

int PolizElem::GetVar(const char* name, int index) const { return exe->GetVar(name, index); }

void PolizElem::SetVar(const char* name, int value, int index) const {
    exe->SetVar(name, value, index);
}

// ---- PolizFunc: the operation frame and the typed pops

void PolizFunc::Evaluate() {
    Trace(" EvaluateFunc -> ");
    OwnedElem result(EvaluateFunc());
    if (result) Push(result.release());
}

PolizElem* PolizFunc::PopTestInt() { return PopKind<PolizConstInt, PolizExNotInt>(Pop()); }

PolizElem* PolizFunc::PopTestStr() { return PopKind<PolizConstStr, PolizExNotStr>(Pop()); }

PolizElem* PolizFunc::PopTestLabel() { return PopKind<PolizConstLabel, PolizExNotLabel>(Pop()); }

int PolizFunc::PopInt() {
    OwnedElem v(PopTest());
    return IntOf(v.get());
}

// ---- Operators

int PolizFuncPlus::Compute(OperatorCode code, int left, int right) {
    if (kOperators[code].trace) Trace(kOperators[code].trace);
    return kOperators[code].apply(left, right);
}

PolizElem* PolizFuncPlus::PopTest() { return PopTestInt(); }

PolizElem* PolizFuncPlus::EvaluateFunc() {
    Trace(" Oper-Pop1 -> ");
    OwnedElem first(PopTest());
    Trace(" Oper-Pop2 -> ");
    OwnedElem second(PopTest());
    int r = Operate(IntOf(first.get()), IntOf(second.get()));
    return new PolizConstInt(r);
}

int PolizFuncPlus::Operate(int a, int b) { return Compute(kOpPlus, b, a); }

int PolizFuncMinus::Operate(int a, int b) { return Compute(kOpMinus, b, a); }

int PolizFuncMult::Operate(int a, int b) { return Compute(kOpMult, b, a); }

int PolizFuncDiv::Operate(int a, int b) { return Compute(kOpDiv, b, a); }

int PolizFuncMod::Operate(int a, int b) { return Compute(kOpMod, b, a); }

int PolizFuncEq::Operate(int a, int b) { return Compute(kOpEq, b, a); }

int PolizFuncLower::Operate(int a, int b) { return Compute(kOpLower, b, a); }

int PolizFuncHigher::Operate(int a, int b) { return Compute(kOpHigher, b, a); }

int PolizFuncAnd::Operate(int a, int b) { return Compute(kOpAnd, b, a); }

int PolizFuncOr::Operate(int a, int b) { return Compute(kOpOr, b, a); }

PolizElem* PolizFuncPriMinus::EvaluateFunc() {
    Trace(" FuncOperMinus::PopTest operand 1 -> ");
    OwnedElem x(PopTest());
    return new PolizConstInt(Operate(IntOf(x.get()), 0));
}

int PolizFuncPriMinus::Operate(int a, int) { return Compute(kOpNegate, a, 0); }

int PolizFuncWow::Operate(int a, int) { return Compute(kOpNot, a, 0); }

PolizElem* NewOperatorElem(OperatorCode code) {
    switch (code) {
        case kOpPlus: return new PolizFuncPlus();
        case kOpMinus: return new PolizFuncMinus();
        case kOpMult: return new PolizFuncMult();
        case kOpDiv: return new PolizFuncDiv();
        case kOpMod: return new PolizFuncMod();
        case kOpEq: return new PolizFuncEq();
        case kOpLower: return new PolizFuncLower();
        case kOpHigher: return new PolizFuncHigher();
        case kOpAnd: return new PolizFuncAnd();
        case kOpOr: return new PolizFuncOr();
        case kOpNegate: return new PolizFuncPriMinus();
        case kOpNot: return new PolizFuncWow();
        default: return nullptr;
    }
}

int KnownClassOf(const PolizElem* e) {
    // In the order of KnownClass.
    static const std::type_info* const kTypes[kKnownClassCount] = {
        &typeid(PolizFuncPlus), &typeid(PolizFuncMinus), &typeid(PolizFuncMult),
        &typeid(PolizFuncDiv), &typeid(PolizFuncMod), &typeid(PolizFuncEq),
        &typeid(PolizFuncLower), &typeid(PolizFuncHigher), &typeid(PolizFuncAnd),
        &typeid(PolizFuncOr), &typeid(PolizFuncPriMinus), &typeid(PolizFuncWow),
        &typeid(PolizConstInt), &typeid(PolizConstStr), &typeid(PolizFuncVarRead),
        &typeid(PolizFuncVarWrite), &typeid(PolizFuncVarArrayRead),
        &typeid(PolizFuncVarArrayWrite), &typeid(PolizFuncLabelRead), &typeid(PolizFuncPassGo),
        &typeid(PolizFuncPassIf), &typeid(PolizFuncRobBuy), &typeid(PolizFuncRobSell),
        &typeid(PolizFuncRobProd), &typeid(PolizFuncRobAuto), &typeid(PolizFuncRobUpgrade),
        &typeid(PolizFuncRobTurn), &typeid(PolizFuncRobPrint), &typeid(PolizFuncRobMacros),
        &typeid(PolizFuncRoboWrite),
    };
    const std::type_info& type = typeid(*e);
    // The same type_info object first, which is the rule inside one program; then equality,
    // which also holds across shared libraries but may compare names.
    for (int i = 0; i < kKnownClassCount; ++i)
        if (kTypes[i] == &type) return i;
    for (int i = 0; i < kKnownClassCount; ++i)
        if (*kTypes[i] == type) return i;
    return -1;
}

int OperatorOfElem(const PolizElem* e) {
    int known = KnownClassOf(e);
    return known >= 0 && known < kClassOperatorsEnd ? known : -1;
}

// ---- Variable access

PolizElem* PolizFuncVar::PopTest() {
    Trace("FuncVar[%s] ->", s);
    return PopKind<PolizConstInt, PolizExNotInt>(Pop());
}

void PolizFuncVar::ReadStack() {
    int value = PopInt();
    SetVar(s, value, 0);
}

PolizElem* PolizFuncVarRead::EvaluateFunc() {
    ReadStack();
    Trace("VTWriteVar[%s] ->", s);
    return nullptr;
}

PolizElem* PolizFuncVarWrite::EvaluateFunc() {
    Trace("VTReadVar[%s] ->", s);
    return new PolizConstInt(GetVar(s, 0));
}

PolizElem* PolizFuncVarArrayRead::EvaluateFunc() {
    n = 0;
    val = 0;
    Trace("VTWriteArray[%s] ->", s);
    val = PopInt();
    n = PopInt();
    SetVar(s, val, n);
    return nullptr;
}

PolizElem* PolizFuncVarArrayWrite::EvaluateFunc() {
    Trace("VTReadArray[%s] ->", s);
    int index = PopInt();
    return new PolizConstInt(GetVar(s, index));
}

void PolizFuncLabelRead::Evaluate() {
    label = CurNum();
    SetVar(s, static_cast<int>(label), 0);
    Trace("VTWriteLabel[%s] ->", s);
}

PolizElem* PolizFuncLabelRead::EvaluateFunc() { return nullptr; }

// ---- Jumps

void PolizFuncPass::Evaluate() {
    Trace(" Passage -> ");
    unsigned int n = EvaluatePass();
    if (n == 0) throw PolizExWrongAddr(this);
    exe->SetCur(n, false);
}

PolizElem* PolizFuncPass::PopTestInt() { return PopKind<PolizConstInt, PolizExNotInt>(Pop()); }

PolizElem* PolizFuncPass::PopTestStr() { return PopKind<PolizConstStr, PolizExNotStr>(Pop()); }

PolizElem* PolizFuncPass::PopTestLabel() {
    return PopKind<PolizConstLabel, PolizExNotLabel>(Pop());
}

PolizElem* PolizFuncPass::PopTest() { return PopTestLabel(); }

unsigned int PolizFuncPassGo::EvaluatePass() { return static_cast<unsigned int>(GetVar(label, 0)); }

PolizFuncPassIf::PolizFuncPassIf(char* end_label, char* else_label)
    : PolizFuncPass(end_label), label_else(else_label) {}

PolizFuncPassIf::~PolizFuncPassIf() {
    delete[] const_cast<char*>(label);
    delete[] label_else;
}

unsigned int PolizFuncPassIf::EvaluatePass() {
    OwnedElem cond(PopTestInt());
    if (IntOf(cond.get()) != 0) return CurNum() + 1;
    int n = GetVar(label_else, 0);
    if (n == 0) n = GetVar(label, 0);
    Trace(" goto %s", label);
    return static_cast<unsigned int>(n);
}
