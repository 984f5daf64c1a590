#include "interactive/history.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

using Lines = std::vector<std::string>;

TEST(History, FileRoundTripAndForeignFiles) {
    std::string dir = testing::TempDir() + "history_test_" + std::to_string(getpid());
    std::string path = dir + "/state/vordel/vordel.HST";
    History h;
    for (const std::string &line : Lines{"ESC @", "ESC @", std::string(200, 'x')}) history_add(h, line);
    history_save(h, path);  // makes the folders
    EXPECT_EQ(history_load(path).entries, (Lines{"ESC @", std::string(127, 'x')}));

    std::ofstream(path, std::ios::binary) << "a\r\n\n" << std::string(300, 'y') << "\nb";
    EXPECT_EQ(history_load(path).entries, (Lines{"a", std::string(127, 'y'), "b"}));
    std::ofstream many(path, std::ios::binary);
    for (int i = 0; i < 25; ++i) many << i << "\n";
    many.close();
    History loaded = history_load(path);
    EXPECT_EQ(loaded.entries.size(), 20u);
    EXPECT_EQ(loaded.browse, 20u);
    EXPECT_EQ(loaded.entries.back(), "19");

    EXPECT_TRUE(history_load(dir + "/missing").entries.empty());
    std::ofstream(dir + "/file") << "x";
    history_save(h, dir + "/file/sub/vordel.HST");  // quietly skipped
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
