#include "platform/temp_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(TempFile, UniqueAndRemoved) {
    std::string first_path;
    {
        TempFile first;
        TempFile second;
        ASSERT_TRUE(first.create("vordelw"));
        ASSERT_TRUE(second.create("vordelw"));
        first_path = first.path();
        EXPECT_NE(first.path(), second.path());
        EXPECT_EQ(fs::path(first_path).filename().string().rfind("vordelw", 0), 0u);
        EXPECT_TRUE(fs::exists(first_path));
        second.remove();
        EXPECT_TRUE(second.path().empty());
        second.remove();  // nothing left: harmless
    }
    EXPECT_FALSE(fs::exists(first_path));
}

}  // namespace
