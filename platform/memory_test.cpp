#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Blocks either side of the large-page size come back zeroed, with all the
// room dense_room promises writable, and go back without complaint.
TEST(DenseMemory, BlocksAreZeroedAndHoldTheirRoom) {
    const size_t sizes[] = {1, 4096, (size_t{2} << 20) - 1, size_t{2} << 20, (size_t{5} << 20) + 3};
    for (size_t bytes : sizes) {
        size_t room = dense_room(bytes);
        ASSERT_GE(room, bytes);
        auto *block = static_cast<unsigned char *>(dense_alloc(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        for (size_t i = 0; i < bytes; i += 4093) ASSERT_EQ(block[i], 0) << bytes << " at " << i;
        EXPECT_EQ(block[bytes - 1], 0) << bytes;
        std::memset(block, 0xA5, room);
        dense_free(block, bytes);
    }
    dense_free(nullptr, 0);
}

}  // namespace
