#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/builtin_test_util.h"
#include "core/builtins.h"

using namespace builtin_test;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class FileBuiltins : public ::testing::Test {
protected:
    void SetUp() override {
        init_null_string();
        char tmpl[] = "/tmp/vordel_files_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char *name) const { return (dir / name).string(); }
    int32_t open(const std::string &name, const char *mode) { return number(do_fopen(args({S(name), S(mode)}))); }

    fs::path dir;
};

TEST_F(FileBuiltins, WriteThenReadBack) {
    int32_t h = open(path("a.txt"), "wb");
    ASSERT_GT(h, 0);
    EXPECT_EQ(number(do_fputs(args({S("line one\nab\0hidden"s), N(h)}))), 0);  // stops at NUL
    EXPECT_EQ(number(do_fputc(args({N(0x141), N(h)}))), 0x41);                // low 8 bits
    EXPECT_EQ(number(do_fputc(args({N(-1), N(h)}))), 255);
    EXPECT_EQ(number(do_ftell(args({N(h)}))), 13);
    EXPECT_EQ(number(do_fclose(args({N(h)}))), 0);
    EXPECT_EQ(number(do_fclose(args({N(h)}))), -1);  // closed already

    h = open(path("a.txt"), "rb");
    ASSERT_GT(h, 0);
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "line one\n");
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "abA\xFF");
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "[EOF]");
    EXPECT_EQ(number(do_fgetc(args({N(h)}))), -1);
    EXPECT_EQ(number(do_fseek(args({N(h), N(-2), N(2)}))), 0);  // SEEK_END
    EXPECT_EQ(number(do_fgetc(args({N(h)}))), 'A');
    EXPECT_EQ(number(do_fgetc(args({N(h)}))), 255);
    EXPECT_EQ(number(do_fseek(args({N(h), N(0), N(7)}))), -1);  // no such whence
    EXPECT_EQ(number(do_fclose(args({N(h)}))), 0);
}

TEST_F(FileBuiltins, LongLinesComeIn255ByteParts) {
    std::ofstream(path("long.txt")) << std::string(300, 'x') << "\n";
    int32_t h = open(path("long.txt"), "r");
    EXPECT_EQ(text(do_fgets(args({N(h)}))).size(), 255u);
    EXPECT_EQ(text(do_fgets(args({N(h)}))), std::string(45, 'x') + "\n");
    do_fclose(args({N(h)}));

    std::ofstream(path("nul.txt"), std::ios::binary) << "a\0b\n\0\n\0"s;  // NUL bytes are kept
    h = open(path("nul.txt"), "rb");
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "a\0b\n"s);
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "\0\n"s);
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "\0"s);
    EXPECT_EQ(text(do_fgets(args({N(h)}))), "[EOF]");
    do_fclose(args({N(h)}));
}

TEST_F(FileBuiltins, BadHandlesAndNamesFailQuietly) {
    EXPECT_EQ(open(path("missing"), "r"), 0);
    EXPECT_EQ(open(path("x"), ""), 0);
    for (int32_t bad : {0, -1, 99, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(number(do_fgetc(args({N(bad)}))), -1);
        EXPECT_EQ(number(do_fputc(args({N(65), N(bad)}))), -1);
        EXPECT_EQ(number(do_fputs(args({S("x"), N(bad)}))), -1);
        EXPECT_EQ(text(do_fgets(args({N(bad)}))), "[EOF]");
        EXPECT_EQ(number(do_fseek(args({N(bad), N(0), N(0)}))), -1);
        EXPECT_EQ(number(do_ftell(args({N(bad)}))), -1);
        EXPECT_EQ(number(do_fclose(args({N(bad)}))), -1);
    }
}

TEST_F(FileBuiltins, HandlesAreSmallAndReused) {
    int32_t a = open(path("1"), "w"), b = open(path("2"), "w");
    EXPECT_GT(a, 0);
    EXPECT_EQ(b, a + 1);
    do_fclose(args({N(a)}));
    EXPECT_EQ(open(path("3"), "w"), a);
    do_fclose(args({N(a)}));
    do_fclose(args({N(b)}));
}

TEST_F(FileBuiltins, Directories) {
    std::string d = path("sub");
    EXPECT_EQ(number(do_mkdir(args({S(d)}))), 0);
    EXPECT_EQ(number(do_mkdir(args({S(d)}))), -1);   // exists
    EXPECT_EQ(number(do_remove(args({S(d)}))), -1);  // a directory is not a file
    std::ofstream(d + "/f") << "x";
    EXPECT_EQ(number(do_rmdir(args({S(d)}))), -1);   // not empty
    EXPECT_EQ(number(do_rmdir(args({S(d + "/f")}))), -1);
    EXPECT_EQ(number(do_remove(args({S(d + "/f")}))), 0);
    EXPECT_EQ(number(do_remove(args({S(d + "/f")}))), -1);
    EXPECT_EQ(number(do_rmdir(args({S(d)}))), 0);
    EXPECT_FALSE(fs::exists(d));
}

}  // namespace
