// The preprocessor's line markers as the lexer reads them: every word must be
// reported on its own source line and file after comments, continued
// directives, skipped groups and includes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

#include "frontend/keywords.h"
#include "frontend/lexer.h"
#include "frontend/parser.h"
#include "frontend/preprocessor.h"

namespace fs = std::filesystem;

namespace {

TEST(PreprocessThenLex, WordsKeepTheirSourceLines) {
    std::string templ = (fs::temp_directory_path() / "vordel-pplex-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    fs::path dir = templ;
    fs::path old = fs::current_path();
    fs::current_path(dir);
    fs::create_directories("lib");
    // Each word wN / iN stands on line N of its file; i3 follows a comment that
    // spans lines and so counts on the line where the comment began.
    std::ofstream("lib/part.inc") << "i1\n/* two\n three */ i3\n#define J \\\n  5\ni6\n";
    std::ofstream("main.vd") << "w1\n/* a\n   b\n */\nw5 // c\n#define K(x) \\\n   x\n"
                                "#if 0\nskipped\n#else\nw11\n#endif\n"
                                "#include \"lib/part.inc\"\nw14\n#line 40\nw40\n";
    ASSERT_EQ(preprocess("main.vd", "out.tmp"), 0);
    std::FILE *in = std::fopen("out.tmp", "r");
    ASSERT_NE(in, nullptr);
    parser_reset();
    lexer_open(in, "out.tmp");
    std::map<std::string, std::string> seen;
    for (int token; (token = yylex()) != 0;)
        if (token == static_cast<int>(Token::NAME)) seen[yylval.text] = input_file_name + ":" + std::to_string(line_number);
    std::fclose(in);
    fs::current_path(old);
    fs::remove_all(dir);
    const std::map<std::string, std::string> want = {
        {"w1", "main.vd:1"},       {"w5", "main.vd:5"},       {"w11", "main.vd:11"},
        {"i1", "lib/part.inc:1"},  {"i3", "lib/part.inc:2"},  {"i6", "lib/part.inc:6"},
        {"w14", "main.vd:14"},     {"w40", "main.vd:40"},
    };
    EXPECT_EQ(seen, want);
}

// A syntax error after an include, a long comment and a continued #define is
// reported by the parser on the line where it stands in the source.
TEST(PreprocessThenParseDeathTest, SyntaxErrorNamesTheSourceLine) {
    std::string templ = (fs::temp_directory_path() / "vordel-ppparse-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    fs::path dir = templ;
    std::ofstream(dir / "part.inc") << "#define PART 1\n";
    std::ofstream(dir / "s.vd") << "#include \"part.inc\"\n/* a comment\n   over three lines */\n"
                                   "#define TWICE(x) \\\n    ((x) * 2)\nBEGIN {\n    x = TWICE(PART)\n"
                                   "    y = x +* 2\n}\n";
    std::string out = (dir / "out.tmp").string();
    ASSERT_EQ(preprocess((dir / "s.vd").c_str(), out.c_str()), 0);
    EXPECT_EXIT(
        {
            std::FILE *in = std::fopen(out.c_str(), "r");
            parser_reset();
            lexer_open(in, out.c_str());
            yyparse();
            std::exit(0);
        },
        testing::ExitedWithCode(1), "s\\.vd\\(8\\) : syntax error\n    y = x \\+\\* 2\n");
    fs::remove_all(dir);
}

}  // namespace
