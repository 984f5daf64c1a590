#include <gtest/gtest.h>

#include "platform/process.h"

namespace {

// The line reaches the system as written: the child's own parsing sees the
// quotes and the exit code comes back unchanged.
TEST(RunCommandLine, WaitsAndReportsExitCode) {
    EXPECT_EQ(run_command_line("cmd /c exit 3"), 3);
    EXPECT_EQ(run_command_line("cmd /c \"exit 0\""), 0);
    EXPECT_EQ(run_command_line("no-such-program-vordel"), -1);
    EXPECT_EQ(run_command_line("   "), -1);
}

}  // namespace
