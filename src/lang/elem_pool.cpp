// Size-class pool behind the program elements' operator new and delete. Freed objects go to
// the free list of their size and are reused first, so running a script (which creates and
// deletes values all the time) does not grow memory. Blocks stay for the life of the process,
// reachable from the pool. One mutex guards it, so elements may be made on any thread.
#include "lang/elem_pool.h"

#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ELEM_POOL_BYPASS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ELEM_POOL_BYPASS 1
#endif
#endif

namespace elem_pool {

#ifdef ELEM_POOL_BYPASS
void* Allocate(std::size_t size) { return ::operator new(size); }
void Release(void* p, std::size_t) noexcept { ::operator delete(p); }
#else
namespace {

constexpr std::size_t kGrainBytes = 8;          // sizes are rounded up to this
constexpr std::size_t kLargestPooledBytes = 64;  // larger objects use the ordinary heap
constexpr std::size_t kBlockBytes = 64 * 1024;  // carved into objects as needed
constexpr std::size_t kClasses = kLargestPooledBytes / kGrainBytes;

struct FreeNode {
    FreeNode* next;
};

// A block holds a link to the previous block, then the objects carved from it.
struct Block {
    Block* prev;
};

class Pool {
public:
    void* Take(std::size_t cls) {
        std::lock_guard<std::mutex> hold(lock);
        if (FreeNode* node = free[cls]) {
            free[cls] = node->next;
            return node;
        }
        std::size_t bytes = (cls + 1) * kGrainBytes;
        if (static_cast<std::size_t>(end - cur) < bytes) NewBlock();
        void* p = cur;
        cur += bytes;
        return p;
    }

    void Give(void* p, std::size_t cls) {
        std::lock_guard<std::mutex> hold(lock);
        FreeNode* node = static_cast<FreeNode*>(p);
        node->next = free[cls];
        free[cls] = node;
    }

private:
    // The tail of the current block is abandoned; it is smaller than the largest object.
    void NewBlock() {
        char* raw = static_cast<char*>(::operator new(kBlockBytes));
        Block* b = reinterpret_cast<Block*>(raw);
        b->prev = last;
        last = b;
        cur = raw + alignof(std::max_align_t);
        end = raw + kBlockBytes;
    }

    std::mutex lock;
    FreeNode* free[kClasses] = {};
    Block* last = nullptr;
    char* cur = nullptr;
    char* end = nullptr;
};

// Never destroyed, so elements deleted during static destruction still find it.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

bool Pooled(std::size_t size) { return size != 0 && size <= kLargestPooledBytes; }
std::size_t ClassOf(std::size_t size) { return (size - 1) / kGrainBytes; }

}  // namespace

void* Allocate(std::size_t size) {
    if (!Pooled(size)) return ::operator new(size);
    return ThePool().Take(ClassOf(size));
}

void Release(void* p, std::size_t size) noexcept {
    if (p == nullptr) return;
    if (!Pooled(size)) {
        ::operator delete(p);
        return;
    }
    ThePool().Give(p, ClassOf(size));
}
#endif

}  // namespace elem_pool
