#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "base/settings.h"
#include "ports/file/dump.h"
#include "ports/port_sets.h"
#include "ports/port_state.h"

namespace {

TargetSettings named(const std::string &name) {
    TargetSettings target;
    target.name = name;
    return target;
}

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The answers of the operations that need no device, for both sets.
TEST(DevicelessSets, FixedAnswers) {
    for (const PortOps *ops : {&no_target_port_ops, &file_port_ops}) {
        EXPECT_EQ(ops->port_poll("msg"), 1);
        EXPECT_EQ(ops->port_wait_ready(), 1);
        EXPECT_EQ(ops->port_set_host_busy(1), 1);
        EXPECT_EQ(ops->port_recv_byte(), -1);
        EXPECT_EQ(ops->port_recv_reply(2), -1);
        EXPECT_EQ(ops->port_get_dsr(), -1);
        EXPECT_EQ(ops->port_get_cts(), -1);
        EXPECT_EQ(ops->port_set_block_size(64), -1);
        EXPECT_EQ(ops->port_set_large_receive(1), -1);
        EXPECT_EQ(ops->port_rx_count(), 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(ops->port_reset(), -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), " Reset()\n");
    }
}

TEST(NoTargetSet, OpenShowsHeaderAndRestartsNumbering) {
    port_state.sent_count = 7;
    port_state.received_count = 3;
    run_options.terminal_mode = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(no_target_port_ops.port_open(TargetSettings{}), 1);
    const uint8_t bytes[] = {0x1D, 'V'};
    EXPECT_EQ(no_target_port_ops.port_send(bytes, 2), 1);
    EXPECT_EQ(no_target_port_ops.port_send_byte_now(0x10), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string(dump_header) + ">000000:  29  1Dh  GS \n>000001:  86  56h  'V'\n>000002:  16  10h  DLE\n");
    EXPECT_EQ(run_options.terminal_mode, 1);
    run_options.terminal_mode = 0;
}

TEST(FileSet, TruncatesWritesEveryByteAndCloses) {
    std::string path = testing::TempDir() + "file_set_out.bin";
    { std::ofstream(path) << "old contents that must go"; }
    ASSERT_EQ(file_port_ops.port_open(named(path)), 1);
    const uint8_t block[] = {0x1B, '@', 0x00, 0xFF};
    EXPECT_EQ(file_port_ops.port_send(block, 4), 1);
    EXPECT_EQ(file_port_ops.port_send(block, 0), 1);
    EXPECT_EQ(file_port_ops.port_send_byte(0x0A), 1);
    EXPECT_EQ(file_port_ops.port_send_byte_now(0x110), 1);  // only the low byte
    EXPECT_EQ(file_port_ops.port_close(1), 1);
    EXPECT_EQ(slurp(path), std::string("\x1b@\0\xff\n\x10", 6));
    EXPECT_EQ(file_port_ops.port_send_byte('x'), 0);  // closed
    std::remove(path.c_str());
}

TEST(FileSet, WriteErrorsAreReported) {
    ASSERT_EQ(file_port_ops.port_open(named("/dev/full")), 1);
    std::string big(1 << 20, 'x');
    int32_t sent = file_port_ops.port_send(reinterpret_cast<const uint8_t *>(big.data()), 1 << 20);
    int32_t closed = file_port_ops.port_close(1);
    EXPECT_EQ(sent && closed, 0);
}

TEST(FileSet, UncreatableFileFailsToOpenWithMessage) {
    std::string path = testing::TempDir() + "no/such/dir/out.bin";
    testing::internal::CaptureStderr();
    EXPECT_EQ(file_port_ops.port_open(named(path)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Can't create file <" + path + ">\n");
}

}  // namespace
