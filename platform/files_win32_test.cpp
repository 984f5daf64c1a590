#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

TEST(SameFile, BothSlashKindsAndBinaryReads) {
    fs::path dir = fs::temp_directory_path() / "vordel_files_test";
    fs::create_directories(dir);
    std::string file = (dir / "data.bin").string();
    // Line ends and a Ctrl+Z must come back as written.
    const char bytes[] = "a\r\nb\nc\x1a" "d";
    std::FILE *f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes, 1, sizeof bytes - 1, f);
    std::fclose(f);

    std::string forward = file;
    for (char &c : forward)
        if (c == '\\') c = '/';
    EXPECT_TRUE(same_file(file.c_str(), forward.c_str()));
    EXPECT_FALSE(same_file(file.c_str(), dir.string().c_str()));
    EXPECT_FALSE(same_file(file.c_str(), (dir / "missing").string().c_str()));

    ReadFile in;
    ASSERT_TRUE(in.open(forward.c_str()));
    char back[32];
    long n = in.read_some(back, sizeof back);
    EXPECT_EQ(std::string(back, static_cast<size_t>(n > 0 ? n : 0)), std::string(bytes, sizeof bytes - 1));
    EXPECT_EQ(in.read_some(back, sizeof back), 0);
    fs::remove_all(dir);
}

}  // namespace
