// POLIZ element classes: constants, operations, variable access, jumps, and the runtime
// exceptions they throw. The robot built-ins derive from them in builtins.h.
#ifndef MOD_LANG_SEM_H
#define MOD_LANG_SEM_H

#include <cstddef>

#include "lang/elem_pool.h"
#include "lang/operators.h"

class CExecuter;

// Abstract base of every program element and every value on the value stack.
class PolizElem {
public:
    PolizElem() = default;
    virtual ~PolizElem() = default;
    PolizElem(const PolizElem&) = delete;
    PolizElem& operator=(const PolizElem&) = delete;

    // Elements live in the element pool: a compiled program holds hundreds of thousands.
    static void* operator new(std::size_t size) { return elem_pool::Allocate(size); }
    static void operator delete(void* p, std::size_t size) { elem_pool::Release(p, size); }

    virtual void Evaluate() = 0;
    // The one entry of the run loop and the label collector: binds the executor, then runs.
    virtual void Evaluate_main(CExecuter* e);

protected:
    void Push(PolizElem* e);
    PolizElem* Pop();
    // Prints a trace through the executor in debug mode; false without an executor.
    bool Trace(const char* fmt, const char* data = nullptr) const;
    unsigned int CurNum() const;
    int GetVar(const char* name, int index) const;
    void SetVar(const char* name, int value, int index) const;

    // The executor of the Evaluate_main call in progress on this thread, or null. Held once
    // per thread rather than in every element: a compiled program has hundreds of thousands.
    static thread_local CExecuter* exe;
};

// A place in a linked program, the kind of value a label constant holds. The executor keeps
// its program as an array of element pointers, so no element holds or makes one; the type
// remains as PolizConstLabel's value, which label pops test for.
struct PolizItem {
    explicit PolizItem(PolizElem* e) : next(nullptr), p(e) {}
    PolizItem* next;
    PolizElem* p;
};

// Constant element; evaluating it pushes a fresh clone, so consumers may delete what they pop.
template <class T>
class PolizConst : public PolizElem {
public:
    explicit PolizConst(T v) : val(v) {}
    void Evaluate() override {
        Push(Clone());
        Trace(" Const pushed -> ");
    }
    virtual PolizElem* Clone() const { return new PolizConst<T>(val); }
    T Get() const { return val; }

protected:
    T val;
};

using PolizConstInt = PolizConst<int>;
// The text is borrowed from the lexeme list; clones share it.
using PolizConstStr = PolizConst<char*>;
using PolizConstLabel = PolizConst<PolizItem*>;
using PolizConstVarAddr = PolizConst<unsigned int>;

// Base of the operations that pop operands and may push one result.
class PolizFunc : public PolizElem {
public:
    void Evaluate() override;
    // The operation proper: the result to push, or null.
    virtual PolizElem* EvaluateFunc() = 0;

protected:
    // The class's default operand pop (an integer pop in every class of the system).
    virtual PolizElem* PopTest() = 0;
    // Typed pops: the popped value, owned by the caller, or a PolizEx carrying it.
    virtual PolizElem* PopTestInt();
    virtual PolizElem* PopTestStr();
    virtual PolizElem* PopTestLabel();
    // Pops with PopTest() and gives the number, releasing the value.
    int PopInt();
};

// Addition, and the frame of every two-operand operator.
class PolizFuncPlus : public PolizFunc {
public:
    PolizElem* EvaluateFunc() override;
    // a is the value popped first (the right operand), b the left operand.
    virtual int Operate(int a, int b);

protected:
    PolizElem* PopTest() override;
    // Prints the operator's trace and applies it from the operator table.
    int Compute(OperatorCode code, int left, int right);
};

// Subtraction.
class PolizFuncMinus : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Multiplication.
class PolizFuncMult : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Division; 0 for a zero divisor.
class PolizFuncDiv : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Remainder with the sign of the dividend; 0 for a zero divisor.
class PolizFuncMod : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Equality test.
class PolizFuncEq : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Less-than test of the left operand against the right one.
class PolizFuncLower : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Greater-than test of the left operand against the right one.
class PolizFuncHigher : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Bitwise and.
class PolizFuncAnd : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Bitwise or.
class PolizFuncOr : public PolizFuncPlus {
public:
    int Operate(int a, int b) override;
};

// Unary minus, and the frame of every one-operand operator.
class PolizFuncPriMinus : public PolizFuncPlus {
public:
    PolizElem* EvaluateFunc() override;
    int Operate(int a, int b) override;
};

// Logical not.
class PolizFuncWow : public PolizFuncPriMinus {
public:
    int Operate(int a, int b) override;
};

// Base of the accesses to a named variable or label; the name is borrowed.
class PolizFuncVar : public PolizFunc {
public:
    explicit PolizFuncVar(const char* name) : s(name) {}
    const char* GetName() const { return s; }

protected:
    PolizElem* PopTest() override;
    // Pops a value into cell 0 of the variable.
    virtual void ReadStack();

    const char* s;
};

// Store of the popped value into a variable (the name says it reads the stack).
class PolizFuncVarRead : public PolizFuncVar {
public:
    using PolizFuncVar::PolizFuncVar;
    PolizElem* EvaluateFunc() override;
};

// Load of a variable's cell 0 (the name says it writes the stack).
class PolizFuncVarWrite : public PolizFuncVar {
public:
    using PolizFuncVar::PolizFuncVar;
    PolizElem* EvaluateFunc() override;
};

// Store of the popped value into the cell whose index is popped next (reads the stack).
class PolizFuncVarArrayRead : public PolizFuncVar {
public:
    explicit PolizFuncVarArrayRead(const char* name) : PolizFuncVar(name), n(0), val(0) {}
    PolizElem* EvaluateFunc() override;

protected:
    int n;    // index of the store in progress
    int val;  // value of the store in progress
};

// Load of the cell whose index is popped (writes the stack).
class PolizFuncVarArrayWrite : public PolizFuncVar {
public:
    using PolizFuncVar::PolizFuncVar;
    PolizElem* EvaluateFunc() override;
};

// Label definition: stores its own element number under the label name.
class PolizFuncLabelRead : public PolizFuncVar {
public:
    explicit PolizFuncLabelRead(const char* name) : PolizFuncVar(name), label(0) {}
    void Evaluate() override;
    PolizElem* EvaluateFunc() override;

protected:
    unsigned int label;  // the element number stored last
};

// Base of the jumps: moves the executor to the element number that EvaluatePass gives.
class PolizFuncPass : public PolizElem {
public:
    explicit PolizFuncPass(const char* target) : label(target) {}
    void Evaluate() override;
    const char* GetLabel() const { return label; }

protected:
    virtual PolizElem* PopTestInt();
    virtual PolizElem* PopTestStr();
    virtual PolizElem* PopTestLabel();
    virtual PolizElem* PopTest();
    // The element number to continue at; 0 when there is no target.
    virtual unsigned int EvaluatePass() = 0;

    const char* label;  // target label name
};

// Unconditional jump to a label.
class PolizFuncPassGo : public PolizFuncPass {
public:
    explicit PolizFuncPassGo(const char* target) : PolizFuncPass(target) {}

protected:
    unsigned int EvaluatePass() override;
};

// Conditional jump of an if statement: on a false condition to its else label, or to its
// end label when the else label has no position. It owns both generated label texts, which
// the parser allocates with new[]; the other elements of the same if only borrow them.
class PolizFuncPassIf : public PolizFuncPass {
public:
    PolizFuncPassIf(char* end_label, char* else_label);
    ~PolizFuncPassIf() override;
    const char* GetLabelElse() const { return label_else; }

protected:
    unsigned int EvaluatePass() override;

    char* label_else;
};

// Base of the runtime exceptions; addr is the element concerned. Thrown and caught by value;
// the catcher decides whether addr is a popped value to release.
class PolizEx {
public:
    explicit PolizEx(PolizElem* a) : addr(a) {}
    virtual PolizElem* GetAddr() { return addr; }
    virtual ~PolizEx() = default;

protected:
    PolizElem* addr;
};

// An integer pop found another kind of value or none; addr is the popped value or null.
class PolizExNotInt : public PolizEx {
public:
    using PolizEx::PolizEx;
    ~PolizExNotInt() override = default;
};

// A string pop found another kind of value or none; addr is the popped value or null.
class PolizExNotStr : public PolizEx {
public:
    using PolizEx::PolizEx;
    ~PolizExNotStr() override = default;
};

// A label pop found another kind of value or none; addr is the popped value or null.
class PolizExNotLabel : public PolizEx {
public:
    using PolizEx::PolizEx;
    ~PolizExNotLabel() override = default;
};

// A jump had no target position; addr is the jump, a program element.
class PolizExWrongAddr : public PolizEx {
public:
    using PolizEx::PolizEx;
    ~PolizExWrongAddr() override = default;
};

// "?macro" named a value the robot does not provide; addr is the macro, a program element.
class PolizExWrongMacros : public PolizEx {
public:
    using PolizEx::PolizEx;
    ~PolizExWrongMacros() override = default;
};

// A built-in found an operand missing or of another kind and has reported it; addr is the
// built-in, a program element.
class PolizExReported : public PolizEx {
public:
    using PolizEx::PolizEx;
    ~PolizExReported() override = default;
};

// A new element of the operator class at position code of the operator table.
PolizElem* NewOperatorElem(OperatorCode code);

// The element classes the lowered engine and the dump know by their exact type, named by
// what they do; the operators come first, in the order of the operator table.
enum KnownClass {
    kClassOperatorsEnd = kOperatorCount,
    kClassConstInt = kClassOperatorsEnd,
    kClassConstStr,
    kClassStore,       // PolizFuncVarRead: pops into a variable
    kClassLoad,        // PolizFuncVarWrite: pushes a variable
    kClassArrayStore,  // PolizFuncVarArrayRead
    kClassArrayLoad,   // PolizFuncVarArrayWrite
    kClassLabel,       // PolizFuncLabelRead: a label definition
    kClassGoto,
    kClassIf,
    kClassBuy,
    kClassSell,
    kClassProd,
    kClassAuto,
    kClassUpgrade,
    kClassTurn,
    kClassPrint,
    kClassMacro,
    kClassDataRead,    // PolizFuncRoboWrite: pushes a game data value
    kKnownClassCount
};

// The class e is exactly (a subclass is none of them), or -1.
int KnownClassOf(const PolizElem* e);

// The table position of e's operator when e is exactly one of the operator classes, else -1.
int OperatorOfElem(const PolizElem* e);

#endif
