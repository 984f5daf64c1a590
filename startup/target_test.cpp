#include "startup/target.h"

#include <gtest/gtest.h>

#include "base/settings.h"
#include "ports/port_sets.h"
#include "ports/target_table.h"

namespace {

TEST(SelectTarget, TargetWordsPickTheirRow) {
    struct Row {
        const char *text;
        PortKind kind;
        int32_t number;
        const PortOps *ops;
    };
    const Row rows[] = {
        {"com", PortKind::Serial, 1, &serial_port_ops},
        {"Com3", PortKind::Serial, 3, &serial_port_ops},
        {"COM12", PortKind::Serial, 12, &serial_port_ops},
        {"COM0", PortKind::Serial, 1, &serial_port_ops},
        {"aux2", PortKind::Serial, 2, &serial_port_ops},
        {"COMX", PortKind::File, -1, &file_port_ops},
        {"lpt", PortKind::Parallel, 1, &parallel_port_ops},
        {"bpn2", PortKind::Parallel, 2, &parallel_port_ops},
        {"BPB", PortKind::Parallel, 1, &parallel_port_ops},
        {"usb", PortKind::Usb, 0, &device_port_ops},
        {"ZQUSB3", PortKind::Usb, 3, &device_port_ops},
        {"VKUSB2", PortKind::Usb, 1002, &device_port_ops},
        {"vkusb", PortKind::Usb, 1000, &device_port_ops},
        {"usbprn", PortKind::PrinterClass, 0, &device_port_ops},
        {"PRN4", PortKind::PrinterClass, 4, &device_port_ops},
        {"10.1.2.3", PortKind::Ethernet, -1, &device_port_ops},
        {"a.b.c.d", PortKind::Ethernet, -1, &device_port_ops},
        {"1.2.3", PortKind::File, -1, &file_port_ops},
        {"1.2.3.4.5", PortKind::File, -1, &file_port_ops},
        {"256.1.1.1", PortKind::File, -1, &file_port_ops},
        {"out.bin", PortKind::File, -1, &file_port_ops},
    };
    for (const Row &r : rows) {
        run_options.target.kind = PortKind::File;
        run_options.target.number = -1;
        select_target(r.text);
        EXPECT_EQ(run_options.target.kind, r.kind) << r.text;
        EXPECT_EQ(run_options.target.number, r.number) << r.text;
        EXPECT_EQ(current_port.port_open, r.ops->port_open) << r.text;
        EXPECT_EQ(run_options.target.name, r.text);
    }
    current_port = no_target_port_ops;
    run_options.target.kind = PortKind::File;
    run_options.target.number = -1;
}

TEST(SelectTarget, EthernetAddressBytes) {
    select_target("10.1.2.3");
    EXPECT_EQ(run_options.target.ip, (std::array<uint8_t, 4>{10, 1, 2, 3}));
    run_options.target.kind = PortKind::File;
    select_target("a.b.c.d");
    EXPECT_EQ(run_options.target.ip, (std::array<uint8_t, 4>{0, 0, 0, 0}));
    current_port = no_target_port_ops;
    run_options.target.kind = PortKind::File;
}

TEST(IsPortTarget, PortsAndAddressesButNotFiles) {
    EXPECT_TRUE(is_port_target("10.1.2.3"));
    EXPECT_TRUE(is_port_target("LPT2"));
    EXPECT_TRUE(is_port_target("usbprn"));
    EXPECT_FALSE(is_port_target("out.bin"));
    EXPECT_FALSE(is_port_target("LPT2.bin"));
    EXPECT_FALSE(is_port_target("COM-1"));
}

TEST(ParseIpv4, DottedAddresses) {
    struct Row {
        const char *text;
        bool valid;
        std::array<uint8_t, 4> bytes;
    };
    const Row rows[] = {
        {"10.1.2.3", true, {10, 1, 2, 3}},
        {"255.255.255.255", true, {255, 255, 255, 255}},
        {"1..2...3.4", true, {1, 2, 3, 4}},
        {".1.2.3.4.", true, {1, 2, 3, 4}},
        {"a.b.c.d", true, {0, 0, 0, 0}},
        {"7x.8.9.10", true, {7, 8, 9, 10}},
        {"1.2.3", false, {}},
        {"1.2.3.4.5", false, {}},
        {"256.1.1.1", false, {}},
        {"-1.2.3.4", false, {}},
        {"", false, {}},
        {"100.100.100.1000", false, {}},  // 16 characters
    };
    for (const Row &r : rows) {
        std::array<uint8_t, 4> out = {9, 9, 9, 9};
        EXPECT_EQ(parse_ipv4(r.text, &out), r.valid) << r.text;
        EXPECT_EQ(parse_ipv4(r.text, nullptr), r.valid) << r.text;
        if (r.valid) EXPECT_EQ(out, r.bytes) << r.text;
        else EXPECT_EQ(out, (std::array<uint8_t, 4>{9, 9, 9, 9})) << r.text;
    }
    EXPECT_FALSE(parse_ipv4(nullptr, nullptr));
}

}  // namespace

namespace {

TEST(SelectTarget, LongFileNamesAreKeptWhole) {
    std::string name = "dir/" + std::string(400, 'n') + ".bin";
    run_options.target.kind = PortKind::File;
    select_target(name.c_str());
    EXPECT_EQ(run_options.target.name, name);
    EXPECT_EQ(run_options.target.kind, PortKind::File);
    current_port = no_target_port_ops;
}

}  // namespace
