#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

void advise_dense_use(void *start, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
    auto begin = reinterpret_cast<uintptr_t>(start);
    uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
    // A refusal (no large pages here) leaves ordinary pages: nothing to report.
    if (last > first) madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}
