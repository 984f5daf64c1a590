#include "ports/file/comm_log.h"

#include <gtest/gtest.h>

namespace {

TEST(TotalTime, MillisecondsAndOneWrap) {
    struct Row {
        uint32_t start, end;
        const char *expected;
    };
    const Row rows[] = {
        {1000, 2234, " Total Time = 1.234 seconds\n"},
        {5, 5, " Total Time = 0.000 seconds\n"},
        {0xFFFFFF00u, 0x100u, " Total Time = 0.512 seconds\n"},
        {0, 61005, " Total Time = 61.005 seconds\n"},
    };
    for (const Row &r : rows) {
        testing::internal::CaptureStderr();
        print_total_time(r.start, r.end);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), r.expected);
    }
}

}  // namespace
