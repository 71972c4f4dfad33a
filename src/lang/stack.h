// Two stacks: a small stack of borrowed pointers built as a linked chain (the parser's
// operator stack), and the executor's value stack of tagged words.
#ifndef MOD_LANG_STACK_H
#define MOD_LANG_STACK_H

#include <cstddef>
#include <cstdlib>
#include <new>

class PolizElem;

// Thrown by value when popping an empty stack.
class CStackEmptyEx {};

// Stack of pointers to T; it never copies or deletes the T objects, only its chain records.
template <class T>
class CStack {
public:
    CStack() : end(nullptr), cur(nullptr) {}
    ~CStack() {
        while (cur) {
            CStackElem* below = cur->prev;
            delete cur;
            cur = below;
        }
    }
    CStack(const CStack&) = delete;
    CStack& operator=(const CStack&) = delete;

    void Push(T* x) {
        CStackElem* rec = new CStackElem(x);
        if (!end) {
            end = rec;
        } else {
            rec->prev = cur;
        }
        cur = rec;
    }

    T* Pop() {
        if (!cur) throw CStackEmptyEx();
        CStackElem* top = cur;
        T* x = top->Get();
        cur = top->prev;
        if (!cur) end = nullptr;
        delete top;
        return x;
    }

    bool IsEmpty() const { return cur == nullptr; }

private:
    // One chain record: the pointer and the record below it.
    struct CStackElem {
        explicit CStackElem(T* e) : elem(e), prev(nullptr) {}
        T* Get() const { return elem; }
        T* elem;
        CStackElem* prev;
    };

    CStackElem* end;  // bottom record, null when empty
    CStackElem* cur;  // top record, null when empty
};

// One value of a running script: a number, a borrowed text, a label node, a variable address,
// or an element of another kind that the stack owns.
struct Value {
    enum Kind : int { kInt, kStr, kLabel, kVarAddr, kElem };
    Kind kind;
    int num;        // kInt, kVarAddr
    const void* p;  // kStr: the text; kLabel: the node; kElem: the owned element
};

// Flat, growing stack of values; pushing a number allocates nothing once it has room. The
// run loop works on Base()/Top() directly and hands the top back with SetTop().
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
};

#endif
