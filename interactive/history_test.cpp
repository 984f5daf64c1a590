#include "interactive/history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(History, RepeatsOldestDroppedAndLongLines) {
    History h;
    history_add(h, "one");
    history_add(h, "one");
    history_add(h, "two");
    history_add(h, "one");  // only the newest entry is compared
    EXPECT_EQ(h.entries, (std::vector<std::string>{"one", "two", "one"}));
    for (int i = 0; i < 18; ++i) history_add(h, "line " + std::to_string(i));
    ASSERT_EQ(h.entries.size(), 20u);
    EXPECT_EQ(h.entries.front(), "two");
    EXPECT_EQ(h.entries.back(), "line 17");
    EXPECT_EQ(h.browse, 20u);

    std::string long_line(200, 'x');
    history_add(h, long_line);
    history_add(h, long_line);  // equal once cut
    EXPECT_EQ(h.entries.back(), std::string(127, 'x'));
    EXPECT_EQ(h.entries[18], "line 17");
}

TEST(History, SavedAndLoadedWithItsFolders) {
    std::string dir = testing::TempDir() + "history_test_" + std::to_string(getpid());
    std::string path = dir + "/state/vordel/vordel.HST";
    History h;
    for (const char *line : {"ESC @", "\"Hi\" LF", "GS V 66 0"}) history_add(h, line);
    history_save(h, path);
    EXPECT_EQ(read_file(path), "ESC @\n\"Hi\" LF\nGS V 66 0\n");
    History back = history_load(path);
    EXPECT_EQ(back.entries, h.entries);
    EXPECT_EQ(back.browse, 3u);

    // A file written elsewhere: CR LF ends, empty lines, long lines, too many lines.
    std::ofstream(path, std::ios::binary) << "a\r\n\n" << std::string(300, 'y') << "\nb";
    back = history_load(path);
    EXPECT_EQ(back.entries, (std::vector<std::string>{"a", std::string(127, 'y'), "b"}));
    std::ofstream many(path, std::ios::binary);
    for (int i = 0; i < 25; ++i) many << i << "\n";
    many.close();
    back = history_load(path);
    EXPECT_EQ(back.entries.size(), 20u);
    EXPECT_EQ(back.entries.back(), "19");

    // Problems are skipped quietly.
    EXPECT_TRUE(history_load(dir + "/missing").entries.empty());
    EXPECT_TRUE(history_load("").entries.empty());
    std::ofstream(dir + "/file") << "x";
    history_save(h, dir + "/file/sub/vordel.HST");  // a file where a folder should be
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
