// DIR through the real serial operation set on a fake driver: real-time
// bytes get out while the printer holds ordinary data off.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/port_ops.h"
#include "base/settings.h"
#include "interactive/token_scanner.h"
#include "ports/driver/fake_driver_test_util.h"
#include "ports/port_layer.h"
#include "ports/port_sets.h"

namespace {

const DriverKinds fake_kinds = FakeDriver::kinds();

TEST(DirectSend, RealTimeBytesPassAHeldLine) {
    std::string config = testing::TempDir() + "direct_send_profile";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    port_driver_kinds = &fake_kinds;
    current_port = serial_port_ops;
    TargetSettings target;
    target.kind = PortKind::Serial;
    target.number = 1;
    ASSERT_EQ(current_port.port_open(target), 1);
    FakeDriver &fake = *FakeDriver::latest;
    fake.hold_off(true);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ScanState st;
    scan_text(st, "DIR DLE EOT 1 DIR\n");
    EXPECT_TRUE(fake.wait_until([](FakeDriver &f) { return f.written_ == "\x10\x04\x01"; }));
    scan_text(st, "ESC @\n");
    int32_t tried = fake.attempts();
    EXPECT_TRUE(fake.wait_until([&](FakeDriver &f) { return f.attempts_ > tried + 3; }));
    EXPECT_EQ(fake.written(), "\x10\x04\x01");  // held off
    fake.hold_off(false);
    EXPECT_TRUE(fake.wait_until([](FakeDriver &f) { return f.written_ == "\x10\x04\x01\x1b@"; }));
    EXPECT_EQ(fake.flow_calls(), "010");  // opened with the handshake, off for DIR, back on
    EXPECT_EQ(current_port.port_close(1), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "<DIRECT MODE ON\n<DIRECT MODE OFF\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Busy\n");

    current_port = no_target_port_ops;
    port_driver_kinds = &device_driver_kinds;
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
