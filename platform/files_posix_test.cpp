#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

bool is_dev_null(int fd) {
    struct stat a {}, b {};
    return fstat(fd, &a) == 0 && stat("/dev/null", &b) == 0 && a.st_rdev == b.st_rdev &&
           S_ISCHR(a.st_mode);
}

// A closed standard stream must be refilled before anything else is opened,
// or the next file would be read as the keyboard.
TEST(FillStandardStreams, ClosedStdinBecomesDevNull) {
    EXPECT_EXIT(
        {
            close(0);
            fill_standard_streams();
            int next = open("/dev/zero", O_RDONLY);
            std::exit(is_dev_null(0) && next > 2 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(FillStandardStreams, OpenStreamsAreLeftAlone) {
    EXPECT_EXIT(
        {
            int keep = open("/dev/zero", O_RDONLY);
            dup2(keep, 0);
            fill_standard_streams();
            std::exit(is_dev_null(0) ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
