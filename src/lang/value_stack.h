// The value stack of a running script: tagged words in one flat, growing array.
#ifndef MOD_LANG_VALUE_STACK_H
#define MOD_LANG_VALUE_STACK_H

#include <cstddef>

// One value of a running script: a number, a borrowed text, a label node, a variable address,
// or an element of another kind that the stack owns.
struct Value {
    enum Kind : int { kInt, kStr, kLabel, kVarAddr, kElem };
    Kind kind;
    int num;        // kInt, kVarAddr
    const void* p;  // kStr: the text; kLabel: the node; kElem: the owned element
};

// Flat, growing stack of values; pushing a number allocates nothing once it has room. The
// run loop works on Base()/Top() directly and hands the top back with SetTop(), before
// anything that may report; it says which operation hands it back, so that a report can
// tell where in the script it comes from at the price of one store that is made anyway.
class CValueStack {
public:
    CValueStack() = default;
    ~CValueStack();
    CValueStack(const CValueStack&) = delete;
    CValueStack& operator=(const CValueStack&) = delete;

    bool IsEmpty() const { return top == base; }
    Value* Base() const { return base; }
    Value* Top() const { return top; }
    Value* Limit() const { return limit; }
    void SetTop(Value* t) { top = t; }
    // The same, noting who hands the top back: the run loop gives the operation it is at,
    // which is where a report that follows comes from.
    void SetTop(Value* t, const void* by) {
        top = t;
        handed_by = by;
    }
    const void* HandedBy() const { return handed_by; }
    void ClearHandedBy() { handed_by = nullptr; }
    // Doubles the room; gives the new top. Throws std::bad_alloc when memory runs out.
    Value* Grow();
    void Push(const Value& v) {
        if (top == limit) Grow();
        *top++ = v;
    }
    // Releases what a popped value owns.
    static void Release(const Value& v);

private:
    Value* base = nullptr;
    Value* top = nullptr;
    Value* limit = nullptr;
    const void* handed_by = nullptr;
};

#endif
