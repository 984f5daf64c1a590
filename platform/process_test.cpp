#include "platform/process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

TEST(SplitCommandLine, WindowsRules) {
    using Words = std::vector<std::string>;
    struct Case { const char *line; Words words; } cases[] = {
        {"", {}},
        {"  a  b\tc ", {"a", "b", "c"}},
        {R"(print "two words" x)", {"print", "two words", "x"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"("")", {""}},
        {R"(a\b\\c)", {R"(a\b\\c)"}},                 // backslashes alone are literal
        {R"(\"x\")", {R"("x")"}},                      // odd count: literal quote
        {R"("a\\" b)", {R"(a\)", "b"}},                // even count: the quote closes
        {R"("say ""hi""")", {R"(say "hi")"}},          // doubled quote inside quotes
        {R"("open)", {"open"}},                        // unclosed quote runs to the end
    };
    for (const auto &c : cases) EXPECT_EQ(split_command_line(c.line), c.words) << c.line;
}

TEST(RunCommandLine, WaitsAndReportsStatus) {
    char dir[] = "/tmp/vordel_proc_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string out = std::string(dir) + "/out";
    // The child writes late; the file must be complete when the call returns.
    std::string line = "sh -c \"sleep 0.2; echo done > '" + out + "'; exit 3\"";
    EXPECT_EQ(run_command_line(line), 3);
    std::ifstream in(out);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "done");
    EXPECT_EQ(run_command_line("true"), 0);
    EXPECT_EQ(run_command_line("no-such-program-vordel"), -1);
    EXPECT_EQ(run_command_line("   "), -1);
    std::remove(out.c_str());
    rmdir(dir);
}

}  // namespace
