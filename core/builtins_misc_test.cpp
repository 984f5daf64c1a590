// The receive buffer behind recv and recvlen.
#include <gtest/gtest.h>

#include "base/port_ops.h"
#include "base/recv_ring.h"
#include "core/builtin_test_util.h"
#include "core/builtins.h"

using namespace builtin_test;

namespace {

class MiscBuiltins : public ::testing::Test {
protected:
    void SetUp() override { init_null_string(); }
};

// A target that delivers a byte into the receive buffer on the third poll.
int polls = 0;
int32_t poll_then_deliver(const char *) {
    if (++polls == 3) recv_ring_push(0xC8);
    return 1;
}

TEST_F(MiscBuiltins, PortLines) {
    EXPECT_EQ(number(do_ready(args({N(300)}))), 44);
    EXPECT_EQ(number(do_ready(args({N(200)}))), -56);
    EXPECT_EQ(number(do_isDSR(nullptr)), current_port.port_get_dsr());
    EXPECT_EQ(number(do_busy(args({N(1)}))), 1);

    PortOps saved = current_port;
    current_port.port_poll = poll_then_deliver;
    recv_ring_clear();
    EXPECT_EQ(number(do_recvlen(nullptr)), 0);
    EXPECT_EQ(number(do_recv(nullptr)), 0xC8);
    EXPECT_EQ(polls, 3);
    for (int i = 0; i < RECV_RING_SIZE + 10; ++i) recv_ring_push(static_cast<uint8_t>(i));
    EXPECT_EQ(number(do_recvlen(nullptr)), RECV_RING_SIZE);  // the overflow is dropped
    EXPECT_EQ(number(do_recv(nullptr)), 0);
    recv_ring_clear();
    current_port = saved;
}

}  // namespace
