#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/process.h"

namespace {

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
