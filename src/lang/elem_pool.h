// Storage of program elements, those of the program and those a value stack owns: small
// objects are carved out of large blocks and recycled through one free list per size, so an
// element costs its own size and nothing more (no allocator header, no rounding to 16
// bytes). Sanitizer builds use the ordinary heap, which keeps every misuse visible to the
// checker.
#ifndef MOD_LANG_ELEM_POOL_H
#define MOD_LANG_ELEM_POOL_H

#include <cstddef>

namespace elem_pool {

// Memory for an object of size bytes; never null (throws std::bad_alloc like operator new).
void* Allocate(std::size_t size);
// Gives back memory from Allocate with the same size; null is ignored.
void Release(void* p, std::size_t size) noexcept;

}  // namespace elem_pool

#endif
