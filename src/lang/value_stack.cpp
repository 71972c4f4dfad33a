// The value stack: its growth and the release of the elements it owns.
#include "lang/value_stack.h"

#include <cstdlib>
#include <new>

#include "lang/sem.h"

namespace {

constexpr std::size_t kFirstStackRoom = 64;  // values

}  // namespace

CValueStack::~CValueStack() {
    for (Value* v = base; v != top; ++v) Release(*v);
    std::free(base);
}

Value* CValueStack::Grow() {
    std::size_t used = static_cast<std::size_t>(top - base);
    std::size_t room = base ? static_cast<std::size_t>(limit - base) * 2 : kFirstStackRoom;
    void* grown = std::realloc(static_cast<void*>(base), room * sizeof(Value));
    if (!grown) throw std::bad_alloc();
    base = static_cast<Value*>(grown);
    top = base + used;
    limit = base + room;
    return top;
}

void CValueStack::Release(const Value& v) {
    if (v.kind == Value::kElem) delete static_cast<PolizElem*>(const_cast<void*>(v.p));
}
