#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t kLargePage = size_t{2} << 20;

size_t whole_large_pages(size_t bytes) { return (bytes + kLargePage - 1) & ~(kLargePage - 1); }

}  // namespace

size_t dense_room(size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (bytes >= kLargePage) return whole_large_pages(bytes);
#endif
    return bytes;
}

void *dense_alloc(size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (bytes >= kLargePage) {
        size_t size = whole_large_pages(bytes);
        // Over-map by one large page, then cut the ends so the block is aligned.
        void *map = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) return nullptr;
        auto begin = reinterpret_cast<uintptr_t>(map);
        uintptr_t aligned = (begin + kLargePage - 1) & ~(kLargePage - 1);
        if (aligned > begin) munmap(map, aligned - begin);
        uintptr_t end = begin + size + kLargePage;
        if (end > aligned + size) munmap(reinterpret_cast<void *>(aligned + size), end - (aligned + size));
        // A refusal (no large pages here) leaves ordinary pages: nothing to report.
        madvise(reinterpret_cast<void *>(aligned), size, MADV_HUGEPAGE);
        return reinterpret_cast<void *>(aligned);
    }
#endif
    return std::calloc(1, bytes);
}

void dense_free(void *block, size_t bytes) {
    if (!block) return;
#ifdef MADV_HUGEPAGE
    if (bytes >= kLargePage) {
        munmap(block, whole_large_pages(bytes));
        return;
    }
#endif
    std::free(block);
}
