// A small stack of borrowed pointers, built as a linked chain; used for the parser's
// operator stack and the executor's value stack.
#ifndef MOD_LANG_STACK_H
#define MOD_LANG_STACK_H

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

#endif
