#include "platform/temp_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace {

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST(TempFile, PrivateUniqueAndRemoved) {
    std::string first_path;
    {
        TempFile first;
        TempFile second;
        ASSERT_TRUE(first.create("vordelw"));
        ASSERT_TRUE(second.create("vordelw"));
        first_path = first.path();
        EXPECT_NE(first.path(), second.path());
        EXPECT_NE(first_path.find("/vordelw"), std::string::npos);
        struct stat st;
        ASSERT_EQ(stat(first_path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        second.remove();
        EXPECT_TRUE(second.path().empty());
    }
    EXPECT_FALSE(exists(first_path));
}

}  // namespace
