#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/temp_file.h"

namespace {

TEST(TempFile, OnlyTheOwnerMayReadIt) {
    TempFile file;
    ASSERT_TRUE(file.create("vordelw"));
    struct stat st;
    ASSERT_EQ(stat(file.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
