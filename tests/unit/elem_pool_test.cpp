// Tests of the element pool: objects of every size stay apart, freed memory is reused, and
// threads may allocate at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "lang/elem_pool.h"

namespace {

constexpr std::size_t kSizes[] = {1, 8, 12, 16, 24, 32, 40, 64, 65, 200};

// Allocates count objects of every size, fills each with its own byte, then checks them all.
void FillAndCheck(int count, unsigned char seed) {
    std::vector<std::pair<unsigned char*, std::size_t>> objects;
    for (int i = 0; i < count; ++i)
        for (std::size_t size : kSizes) {
            auto* p = static_cast<unsigned char*>(elem_pool::Allocate(size));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(void*), 0u) << size;
            std::memset(p, static_cast<unsigned char>(seed + objects.size()), size);
            objects.emplace_back(p, size);
        }
    for (std::size_t k = 0; k < objects.size(); ++k) {
        auto [p, size] = objects[k];
        for (std::size_t b = 0; b < size; ++b)
            ASSERT_EQ(p[b], static_cast<unsigned char>(seed + k)) << "size " << size;
        elem_pool::Release(p, size);
    }
}

TEST(ElemPool, ObjectsOfEverySizeStayApart) { FillAndCheck(5000, 1); }

TEST(ElemPool, FreedMemoryIsReusedBySameSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer build uses the ordinary heap";
#endif
    void* p = elem_pool::Allocate(24);
    elem_pool::Release(p, 24);
    EXPECT_EQ(elem_pool::Allocate(24), p);
    elem_pool::Release(p, 24);
}

TEST(ElemPool, ThreadsAllocateAtOnce) {
    std::vector<std::thread> threads;
    for (unsigned char t = 0; t < 4; ++t) threads.emplace_back(FillAndCheck, 2000, t * 50);
    for (std::thread& t : threads) t.join();
}

}  // namespace
