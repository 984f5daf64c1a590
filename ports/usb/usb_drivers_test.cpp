// The printer-class driver's direct writes against a pseudo-terminal.
#include "ports/usb/usb_drivers.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/pty.h"

namespace {

template <typename Cond>
bool eventually(Cond cond) {
    for (int i = 0; i < 20000 && !cond(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return cond();
}

std::string far_read(PtyPair &far, size_t count) {
    std::string got;
    eventually([&] {
        char buffer[256];
        ssize_t n = ::read(far.master_fd(), buffer, sizeof buffer);
        if (n > 0) got.append(buffer, static_cast<size_t>(n));
        return got.size() >= count;
    });
    return got;
}

TEST(UsbPrinterDriver, WritesStraightThroughAndWaitsForAVanishedPrinter) {
    char pattern[] = "/tmp/vordel-usb-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern;
    ASSERT_EQ(system(("mkdir -p " + dir + "/vordel").c_str()), 0);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    std::string link = dir + "/lp";
    std::ofstream(dir + "/vordel/vordel.ini") << "[devices]\nPRN2=" << link << "\n";
    PtyPair far;
    ASSERT_TRUE(far.open());
    ASSERT_TRUE(far.link(link));

    UsbPrinterDriver d(0, PortKind::PrinterClass);
    PortSettings s;
    s.kind = static_cast<int32_t>(PortKind::PrinterClass);
    s.device_number = 2;
    d.configure(s);
    ASSERT_EQ(d.open(), 1);
    EXPECT_EQ(d.ignore_flow(1), 1);  // nothing to switch: real-time bytes may go
    int32_t n = 0;
    ASSERT_EQ(d.write(0, reinterpret_cast<const uint8_t *>("\x10\x04\x01"), 3, &n), 1);
    EXPECT_EQ(d.pending_output(), 0);
    EXPECT_EQ(far_read(far, 3), "\x10\x04\x01");

    far.close();
    EXPECT_TRUE(eventually([&] {
        d.write(0, reinterpret_cast<const uint8_t *>("x"), 1, &n);
        return d.waiting_for_device() == 1;
    }));
    PtyPair back;
    ASSERT_TRUE(back.open());
    ASSERT_TRUE(back.link(link));
    EXPECT_TRUE(eventually([&] { return d.waiting_for_device() == 0; }));
    ASSERT_EQ(d.write(0, reinterpret_cast<const uint8_t *>("ok"), 2, &n), 1);
    EXPECT_EQ(far_read(back, 2), "ok");
    EXPECT_EQ(d.close(), 1);
    back.close();
    unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(system(("rm -rf " + dir).c_str()), 0);
}

}  // namespace
