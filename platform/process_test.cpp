#include "platform/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
