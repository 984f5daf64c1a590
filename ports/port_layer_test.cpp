#include "ports/port_layer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "base/recv_ring.h"
#include "base/settings.h"
#include "core/node.h"
#include "ports/driver/fake_driver_test_util.h"
#include "ports/port_sets.h"
#include "printer/status_stores.h"
#include "printer/status_texts.h"

namespace {

const DriverKinds fake_kinds = FakeDriver::kinds();
const DriverKinds no_kinds = {};

// Opens a serial target on a fake driver with an empty profile; every test
// starts from a fresh port and reply state.
class PortLayer : public testing::Test {
protected:
    void SetUp() override {
        config_dir_ = testing::TempDir() + "port_layer_profile";
        std::system(("mkdir -p '" + config_dir_ + "/vordel'").c_str());
        setenv("XDG_CONFIG_HOME", config_dir_.c_str(), 1);
        write_profile("");
        port_driver_kinds = &fake_kinds;
        target_ = TargetSettings{};
        target_.kind = PortKind::Serial;
        target_.number = 1;
        current_port = serial_port_ops;
        reset_reply_state();
        recv_ring_clear();
    }
    void TearDown() override {
        current_port.port_close(0);
        current_port = no_target_port_ops;
        port_driver_kinds = &device_driver_kinds;
        FakeDriver::open_answer = true;
        FakeDriver::configure_answer = 1;
        FakeDriver::direct_next = false;
        run_options.status_analyze_mode = run_options.asb_watch_mode = 0;
        run_options.interactive_mode = run_options.terminal_mode = 0;
        unsetenv("XDG_CONFIG_HOME");
    }
    void write_profile(const std::string &text) { std::ofstream(config_dir_ + "/vordel/vordel.ini") << text; }
    FakeDriver &open() {
        EXPECT_EQ(current_port.port_open(target_), 1);
        return *FakeDriver::latest;
    }
    std::string config_dir_;
    TargetSettings target_;
};

TEST_F(PortLayer, FailedOpensLeaveNoDriver) {
    struct Row {
        const char *name;
        bool open_answer;
        int32_t configure_answer;
        const DriverKinds *kinds;
        const char *message;
    };
    const Row rows[] = {
        {"device does not open", false, 1, &fake_kinds, "Can't open port\n"},
        {"settings refused", true, 0, &fake_kinds, "Unknown error\n"},
        {"no driver for the kind", true, 1, &no_kinds, "Can't open port\n"},
    };
    for (const Row &r : rows) {
        FakeDriver::open_answer = r.open_answer;
        FakeDriver::configure_answer = r.configure_answer;
        port_driver_kinds = r.kinds;
        testing::internal::CaptureStderr();
        EXPECT_EQ(current_port.port_open(target_), 0) << r.name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), r.message) << r.name;
        EXPECT_EQ(port_handle(), -1) << r.name;
        EXPECT_EQ(drv_destroy_all(), 0) << r.name;
    }
}

TEST_F(PortLayer, SettingsAndProfileTimeouts) {
    write_profile(
        "; comment\n[other]\nCOMSendTimeoutConst=7\n[zqprtapi]\n"
        "comreceivetimeoutconst = 5\nCOMSendTimeoutConst=3000ms\nnot a line\nCOMSendTimeoutMulti=2\n");
    target_.serial.baud_index = 11;
    target_.serial.data_length = 2;
    target_.serial.parity = 2;
    target_.serial.stop_bits = 2;
    target_.serial.flow = 2;
    PortSettings s = open().configured();
    EXPECT_EQ(s.kind, 0);
    EXPECT_EQ(s.serial_port, 1);
    EXPECT_EQ(s.baud_code, 7);
    EXPECT_EQ(s.data_bits, 7);
    EXPECT_EQ(s.parity, 2);
    EXPECT_EQ(s.stop_bits, 2);
    EXPECT_EQ(s.flow, 2);
    EXPECT_EQ(s.read_interval, 1);
    EXPECT_EQ(s.receive_multiplier, 0);
    EXPECT_EQ(s.receive_constant, 10);  // below 11
    EXPECT_EQ(s.send_multiplier, 2);
    EXPECT_EQ(s.send_constant, 3000);
    current_port.port_close(0);

    // 600 bps has a code of its own; flow codes as drivers know them.
    struct Flow {
        int32_t startup, driver;
    };
    for (Flow f : {Flow{4, 0}, Flow{0, 1}, Flow{2, 2}, Flow{1, 3}}) {
        target_.serial.baud_index = 3;
        target_.serial.flow = f.startup;
        PortSettings t = open().configured();
        EXPECT_EQ(t.baud_code, BAUD_CODE_600);
        EXPECT_EQ(t.flow, f.driver);
        current_port.port_close(0);
    }

    write_profile("");
    target_.kind = PortKind::Usb;
    target_.number = 1003;
    current_port = device_port_ops;
    PortSettings u = open().configured();
    EXPECT_EQ(u.device_number, 3);
    EXPECT_EQ(u.device_family, 1);
    EXPECT_EQ(u.receive_constant, 50);
    EXPECT_EQ(u.send_constant, 1000);
}

TEST_F(PortLayer, PlainBytesByMode) {
    FakeDriver &fake = open();
    testing::internal::CaptureStdout();
    fake.feed("A");
    EXPECT_EQ(current_port.port_recv_reply(0x10), 'A');
    fake.feed("B");
    EXPECT_EQ(current_port.port_recv_reply(2), 'B');
    fake.feed(std::string("C\x37xy\0", 5));
    EXPECT_EQ(current_port.port_recv_reply(0xF00), 256 + 0x37);
    fake.feed("\x53");
    EXPECT_EQ(current_port.port_recv_reply(32), 83);
    fake.feed("\x11\x13");
    EXPECT_EQ(current_port.port_recv_reply(1), 0x11);
    EXPECT_EQ(current_port.port_recv_reply(1), 0x13);
    fake.feed("\x11\x13\x80");
    EXPECT_EQ(current_port.port_recv_reply(65535), 0x11);
    EXPECT_EQ(current_port.port_recv_reply(2), 0x80);  // XOFF dropped
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "@@@");
}

TEST_F(PortLayer, FirstAsbShowsEveryBitLaterOnesOnlyChanges) {
    run_options.status_analyze_mode = 1;
    FakeDriver &fake = open();
    testing::internal::CaptureStdout();
    fake.feed(std::string("\x14\x00\x40\x00", 4));
    EXPECT_EQ(current_port.port_recv_reply(0x10), 276);
    std::string first = testing::internal::GetCapturedStdout();
    for (const LayoutRow &row : asb_layout)
        EXPECT_NE(first.find(std::string(row.title).substr(0, 16)), std::string::npos) << row.title;
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 4 + 32 + 1);

    testing::internal::CaptureStdout();
    fake.feed(std::string("\x14\x00\x00\x00", 4));  // one bit of byte 2 falls
    EXPECT_EQ(current_port.port_recv_reply(0x10), 276);
    const BitName &bit = asb_layout[2].bits[6];
    char line[128];
    std::snprintf(line, sizeof line, " %-30.30s  %-20.20s\n\n", bit.label, bit.text0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
    EXPECT_EQ(last_asb[0], 0x14);
}

TEST_F(PortLayer, StatusAndBlockBytesInsideEachOther) {
    FakeDriver &fake = open();
    // An ASB start inside a block is block data; XON/XOFF vanish everywhere.
    fake.feed(std::string("\x37\x10\x11q\x13\x00", 6));
    EXPECT_EQ(current_port.port_recv_reply(0xF00), 256 + 0x37);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(block_reply), 4), std::string("\x37\x10q\x00", 4));
    fake.feed(std::string("\x10\x11\x01\x13\x02\x03", 6));
    EXPECT_EQ(current_port.port_recv_reply(0x10), 276);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(last_asb), 4), "\x10\x01\x02\x03");
    // Ink and extended messages answer only the modes that ask for them.
    fake.feed(std::string("\x35\x01\x02\x03\x39\x04\x05\x06", 8));
    EXPECT_EQ(current_port.port_recv_reply(0x08), 313);
    EXPECT_EQ(last_ink_asb[3], 3);
    EXPECT_EQ(last_ext_asb[1], 4);
}

TEST_F(PortLayer, BlockOfExactlyFiveHundredTwelveDataBytes) {
    FakeDriver &fake = open();
    std::string block = "\x37" + std::string(511, 'd') + std::string(1, '\0');
    fake.feed(block);
    EXPECT_EQ(current_port.port_recv_reply(0xF00), 256 + 0x37);
    EXPECT_EQ(block_reply[512], 0);
}

TEST_F(PortLayer, BlockLongerThanFiveHundredTwelveIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FakeDriver &fake = open();
            fake.feed("\x37" + std::string(513, 'd'));
            current_port.port_recv_reply(0xF00);
        },
        testing::ExitedWithCode(1), "Fatal error: block status is too long.");
}

TEST_F(PortLayer, AcknowledgedRecordsGetOneAckEach) {
    FakeDriver &fake = open();
    // Header, one byte, then records of a 4-byte head (length in bytes 2, 3)
    // and twice that many bytes.
    std::string reply = "\x37" "h";
    reply += std::string("ab\x33\x02") + "1234";
    reply += std::string("ab\x33\x01") + "56";
    reply += std::string("ab\x33\x10") + std::string(32, 'z');
    reply += std::string(1, '\0');
    fake.feed(reply);
    EXPECT_EQ(current_port.port_recv_reply(0x800), 256 + 0x37);
    EXPECT_TRUE(fake.wait_until([](FakeDriver &f) { return f.written_ == "\x81\x81\x81"; }));
}

TEST_F(PortLayer, RealTimeBytesThenOrdinaryOnes) {
    FakeDriver &fake = open();
    fake.hold_off(true);
    fake.set_gated(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(current_port.port_send_byte_now(0x10), 1);
    EXPECT_EQ(current_port.port_send_byte_now(0x04), 1);
    EXPECT_EQ(fake.flow_calls(), "01");  // the open's restore, then one switch off
    std::thread ordinary([] { current_port.port_send_byte('x'); });
    EXPECT_TRUE(fake.wait_until([](FakeDriver &f) { return f.attempts_ == 1; }));
    EXPECT_EQ(fake.flow_calls(), "01");  // not before the real-time bytes left
    fake.add_tickets(2);
    ordinary.join();
    EXPECT_EQ(fake.flow_calls(), "010");
    EXPECT_EQ(fake.written(), "\x10\x04");
    fake.set_gated(false);
    fake.hold_off(false);
    EXPECT_TRUE(fake.wait_until([](FakeDriver &f) { return f.written_ == "\x10\x04x"; }));
    testing::internal::GetCapturedStderr();
}

// A whole real-time request reaches the device in one write after one
// handshake switch, also when the device takes it piecemeal; a refused switch
// sends none of it and leaves the handshake alone for ordinary data.
TEST_F(PortLayer, RealTimeRequestInOneHandOver) {
    struct Row {
        const char *name;
        int32_t per_attempt;
        bool refuse;
        int32_t result;
        int32_t direct_writes;
        const char *written;     // after the request and one ordinary byte
        const char *flow_calls;  // the open's restore first
    };
    const Row rows[] = {
        {"whole", 0, false, 1, 1, "\x10\x04\x01x", "010"},
        {"one byte per attempt", 1, false, 1, 1, "\x10\x04\x01x", "010"},
        {"handshake switch refused", 0, true, 0, 0, "x", "01"},
    };
    const uint8_t request[] = {0x10, 0x04, 0x01};
    FakeDriver::direct_next = true;
    for (const Row &r : rows) {
        FakeDriver &fake = open();
        fake.set_per_attempt(r.per_attempt);
        fake.refuse_flow_off(r.refuse);
        EXPECT_EQ(current_port.port_send_now(request, 3), r.result) << r.name;
        EXPECT_EQ(fake.direct_writes(), r.direct_writes) << r.name;
        EXPECT_EQ(current_port.port_send_byte('x'), 1) << r.name;
        std::string want = r.written;
        EXPECT_TRUE(fake.wait_until([&](FakeDriver &f) { return f.written_ == want; })) << r.name;
        EXPECT_EQ(fake.flow_calls(), r.flow_calls) << r.name;
        current_port.port_close(1);
    }
}

// Without a driver: the dump lines are those of sending byte by byte; the
// byte-by-byte fallback stops at the first refusal.
TEST_F(PortLayer, RealTimeRequestWithoutADriver) {
    const uint8_t request[] = {0x10, 0x04, 0x01, 0x27, 0xFF, 0x00};
    std::string shown[2];
    for (int whole = 0; whole < 2; ++whole) {
        current_port = no_target_port_ops;
        testing::internal::CaptureStdout();
        EXPECT_EQ(current_port.port_open(target_), 1);
        if (whole) {
            EXPECT_EQ(current_port.port_send_now(request, sizeof request), 1);
        } else {
            for (uint8_t b : request) EXPECT_EQ(current_port.port_send_byte_now(b), 1);
        }
        shown[whole] = testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(shown[1], shown[0]);
    EXPECT_NE(shown[0].find(">000005:   0  00h  NUL"), std::string::npos) << shown[0];

    static std::string seen;
    static int32_t refuse_at;
    current_port.port_send_byte_now = [](int32_t b) {
        seen += static_cast<char>(b);
        return static_cast<int32_t>(seen.size()) == refuse_at ? 0 : 1;
    };
    current_port.port_send_now = ops_send_now_bytewise;
    for (int32_t at : {0, 1, 3}) {
        seen.clear();
        refuse_at = at;
        EXPECT_EQ(current_port.port_send_now(request, 3), at == 0 ? 1 : 0) << at;
        EXPECT_EQ(seen.size(), at == 0 ? 3u : static_cast<size_t>(at)) << at;
    }
}

TEST_F(PortLayer, BusyOncePerHoldPeriod) {
    FakeDriver &fake = open();
    testing::internal::CaptureStderr();
    for (int period = 0; period < 2; ++period) {
        fake.hold_off(true);
        current_port.port_send_byte('a' + period);
        int32_t start = fake.attempts();
        EXPECT_TRUE(fake.wait_until([start](FakeDriver &f) { return f.attempts_ >= start + 5; }));
        fake.hold_off(false);
        EXPECT_TRUE(fake.wait_until([period](FakeDriver &f) { return f.written_.size() == size_t(period + 1); }));
        while (drv_pending_output(port_handle()) > 0) drv_wait_output_space(port_handle(), 1);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Busy\nBusy\n");
}

TEST_F(PortLayer, HostBusyAndLinesWithoutModemLines) {
    open();
    testing::internal::CaptureStderr();
    target_.serial.flow = 0;
    for (int32_t busy : {1, 0}) EXPECT_EQ(current_port.port_set_host_busy(busy), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The fake has no device: the modem status cannot be read.
    EXPECT_EQ(current_port.port_get_dsr(), -256);
    EXPECT_EQ(current_port.port_get_cts(), -256);
    EXPECT_EQ(device_port_ops.port_get_cts(), -1);
    EXPECT_EQ(parallel_port_ops.port_set_host_busy(1), 1);
}

TEST_F(PortLayer, ReceiveRingAndInteractiveMode) {
    FakeDriver &fake = open();
    run_options.interactive_mode = 1;
    fake.feed("\x10");
    EXPECT_EQ(current_port.port_recv_reply(0x10), 256);
    run_options.interactive_mode = 0;

    NODE *recv = variable("RECV");
    unref(recv->left);
    recv->left = make_number(1);
    fake.feed("xy");
    EXPECT_EQ(current_port.port_recv_reply(2), 256);
    EXPECT_EQ(current_port.port_recv_reply(2), 256);
    EXPECT_EQ(recv_ring_count(), 2);
    for (int i = 2; i < RECV_RING_SIZE - 1; ++i) recv_ring_push('r');
    testing::internal::CaptureStdout();
    EXPECT_EQ(current_port.port_recv_reply(2), 256);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "*");
    unref(recv->left);
    recv->left = make_number(0);
    recv_ring_clear();
}

// Esc ends the waits that only a key can end: run in a child with a pipe
// as its keyboard.
void with_esc_typed() {
    int fds[2];
    if (pipe(fds) != 0) std::_Exit(9);
    dup2(fds[0], STDIN_FILENO);
    if (write(fds[1], "\x1b", 1) != 1) std::_Exit(9);
}

TEST_F(PortLayer, EscEndsTheDrainWaitAndTheReplyWait) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FakeDriver &fake = open();
            fake.hold_off(true);
            current_port.port_send_byte('a');
            with_esc_typed();
            std::_Exit(current_port.port_close(1) == 1 ? 0 : 2);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            open();
            with_esc_typed();
            std::_Exit(current_port.port_recv_reply(2) == -1 ? 0 : 2);
        },
        testing::ExitedWithCode(0), "Canceled\n");
}

}  // namespace
