// The serial driver against pseudo-terminals mapped in a temporary profile.
#include "ports/serial/serial_driver.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/pty.h"
#include "platform/temp_file.h"

namespace {

std::atomic<int> outages{0};
void count_outage(int32_t, const char *, const char *) { ++outages; }

class SerialOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vordel-serial-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(system(("mkdir -p " + dir_ + "/vordel").c_str()), 0);
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        ASSERT_TRUE(far_.open());
        link_ = dir_ + "/line";
        ASSERT_TRUE(far_.link(link_));
        map("COM7=" + link_ + "\nCOM8=" + dir_ + "/missing\n");
    }
    void TearDown() override {
        far_.close();
        unsetenv("XDG_CONFIG_HOME");
        ASSERT_EQ(system(("rm -rf " + dir_).c_str()), 0);
    }
    void map(const std::string &lines) {
        std::ofstream(dir_ + "/vordel/vordel.ini") << "[devices]\n" << lines;
    }
    static PortSettings line(int32_t port, int32_t flow) {
        PortSettings s;
        s.kind = static_cast<int32_t>(PortKind::Serial);
        s.serial_port = port;
        s.baud_code = 3;
        s.data_bits = 8;
        s.stop_bits = 2;
        s.flow = flow;
        s.receive_constant = 10000;  // read() returns as soon as the bytes are in
        s.send_constant = 10000;
        return s;
    }
    // Up to count bytes from the far end, waiting up to 20 s.
    static std::string far_read(PtyPair &far, size_t count) {
        std::string got;
        for (int i = 0; i < 20000 && got.size() < count; ++i) {
            char buffer[4096];
            ssize_t n = ::read(far.master_fd(), buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) got.append(buffer, static_cast<size_t>(n));
            else std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return got;
    }
    static termios far_termios(PtyPair &far) {
        termios t{};
        tcgetattr(far.master_fd(), &t);
        return t;
    }
    template <typename Cond>
    static bool eventually(Cond cond) {
        for (int i = 0; i < 20000 && !cond(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return cond();
    }

    std::string dir_, link_;
    PtyPair far_;
};

const uint8_t *bytes(const char *s) { return reinterpret_cast<const uint8_t *>(s); }

TEST_F(SerialOnPty, BytesBothWaysWithTheLineSettingsAPtyKeeps) {
    SerialDriver d(0, PortKind::Serial);
    d.configure(line(7, FLOW_RTS_CTS));
    ASSERT_EQ(d.open(), 1);
    termios t = far_termios(far_);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);

    int32_t n = 0;
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    ASSERT_EQ(d.write(0, bytes(all.data()), 256, &n), 1);
    EXPECT_EQ(far_read(far_, 256), all);

    ASSERT_EQ(::write(far_.master_fd(), "\x00\x11\xff", 3), 3);
    uint8_t got[3] = {};
    ASSERT_EQ(d.read(got, 3, &n), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(got), 3), std::string("\x00\x11\xff", 3));

    // Real-time bytes switch exactly the configured flow off, and back.
    EXPECT_EQ(d.ignore_flow(1), 1);
    EXPECT_EQ(far_termios(far_).c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(d.ignore_flow(0), 1);
    EXPECT_NE(far_termios(far_).c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(d.close(), 1);
    EXPECT_EQ(d.ignore_flow(1), 0);
}

TEST_F(SerialOnPty, XonXoffFlowSwitchesOnlyTheOutputSide) {
    SerialDriver d(0, PortKind::Serial);
    d.configure(line(7, FLOW_XON_XOFF));
    ASSERT_EQ(d.open(), 1);
    EXPECT_NE(far_termios(far_).c_iflag & IXON, 0u);
    EXPECT_EQ(d.ignore_flow(1), 1);
    termios t = far_termios(far_);
    EXPECT_EQ(t.c_iflag & IXON, 0u);
    EXPECT_NE(t.c_iflag & IXOFF, 0u);
    EXPECT_EQ(d.ignore_flow(0), 1);
    EXPECT_NE(far_termios(far_).c_iflag & IXON, 0u);
}

TEST_F(SerialOnPty, DtrDsrFlowOnALineWithoutModemLinesDoesNotHold) {
    SerialDriver d(0, PortKind::Serial);
    d.configure(line(7, FLOW_DTR_DSR));
    ASSERT_EQ(d.open(), 1);
    int32_t n = 0;
    ASSERT_EQ(d.write(0, bytes("ESC@"), 4, &n), 1);
    EXPECT_EQ(far_read(far_, 4), "ESC@");
}

TEST_F(SerialOnPty, OpenFailuresNameTheReason) {
    SerialDriver first(0, PortKind::Serial);
    first.configure(line(7, FLOW_NONE));
    ASSERT_EQ(first.open(), 1);
    SerialDriver second(1, PortKind::Serial);
    second.configure(line(7, FLOW_NONE));
    EXPECT_EQ(second.open(), 0);
    ASSERT_NE(second.open_failure(), nullptr);
    EXPECT_EQ(second.open_failure()->error, EBUSY);
    EXPECT_EQ(second.open_failure()->devices_key, "COM7");
    first.close();
    EXPECT_EQ(second.open(), 1);  // free again once the first let go
    EXPECT_EQ(second.open_failure(), nullptr);

    SerialDriver missing(2, PortKind::Serial);
    missing.configure(line(8, FLOW_NONE));
    EXPECT_EQ(missing.open(), 0);
    ASSERT_NE(missing.open_failure(), nullptr);
    EXPECT_EQ(missing.open_failure()->error, ENOENT);
    EXPECT_EQ(missing.open_failure()->device, dir_ + "/missing");

    map("COM9=/dev/null\n");  // no terminal: the line settings fail
    SerialDriver not_a_line(3, PortKind::Serial);
    not_a_line.configure(line(9, FLOW_NONE));
    EXPECT_EQ(not_a_line.open(), 0);
    ASSERT_NE(not_a_line.open_failure(), nullptr);
    EXPECT_EQ(not_a_line.open_failure()->error, ENOTTY);
}

TEST_F(SerialOnPty, AFarEndThatGoesAwayIsAwaitedAndTheLineReopened) {
    outages = 0;
    SerialDriver d(0, PortKind::Serial);
    DriverCallbacks callbacks;
    callbacks.device_waiting = count_outage;
    d.set_callbacks(callbacks);
    d.configure(line(7, FLOW_NONE));
    ASSERT_EQ(d.open(), 1);
    int fd = d.os_handle();
    int32_t n = 0;
    ASSERT_EQ(d.write(0, bytes("one"), 3, &n), 1);
    EXPECT_EQ(far_read(far_, 3), "one");

    far_.close();
    EXPECT_TRUE(eventually([&] { return d.waiting_for_device() == 1; }));
    ASSERT_EQ(d.write(0, bytes("two"), 3, &n), 1);
    PtyPair back;
    ASSERT_TRUE(back.open());
    ASSERT_TRUE(back.link(link_));
    EXPECT_EQ(far_read(back, 3), "two");
    EXPECT_EQ(d.waiting_for_device(), 0);
    EXPECT_EQ(outages.load(), 1);
    EXPECT_EQ(d.os_handle(), fd);  // the port layer's descriptor stays valid
    EXPECT_NE(far_termios(back).c_cflag & CSTOPB, 0u);  // reconfigured
    EXPECT_EQ(d.close(), 1);
}

}  // namespace
