// The target table: which operation set a target argument selects.
// select_target walks the named rows in order, comparing each prefix without
// regard to case; the first unnamed row ends the named ones and is the file
// target; the last row (Ethernet) is reached only through a dotted address.
#pragma once

#include <cstdint>
#include <iterator>

#include "base/port_ops.h"
#include "ports/port_sets.h"

struct TargetEntry {
    const char *name;  // prefix, or null for the file and Ethernet rows
    PortKind kind;
    int32_t default_number;
    const PortOps *ops;
};

inline constexpr TargetEntry target_table[] = {
    {"COM", PortKind::Serial, 0, &serial_port_ops},
    {"AUX", PortKind::Serial, 0, &serial_port_ops},
    {"LPT", PortKind::Parallel, 0, &parallel_port_ops},
    {"BPN", PortKind::Parallel, 0, &parallel_port_ops},
    {"BPB", PortKind::Parallel, 0, &parallel_port_ops},
    {"USB", PortKind::Usb, 0, &device_port_ops},
    {"ZQUSB", PortKind::Usb, 0, &device_port_ops},
    {"VKUSB", PortKind::Usb, 0, &device_port_ops},
    {"PRN", PortKind::PrinterClass, 0, &device_port_ops},
    {"USBPRN", PortKind::PrinterClass, 0, &device_port_ops},
    {nullptr, PortKind::File, -1, &file_port_ops},
    {nullptr, PortKind::Ethernet, -1, &device_port_ops},
};

inline constexpr int FILE_ROW = 10;
inline constexpr int ETHERNET_ROW = 11;
static_assert(std::size(target_table) == 12);
static_assert(target_table[FILE_ROW].name == nullptr && target_table[FILE_ROW].kind == PortKind::File);
static_assert(target_table[ETHERNET_ROW].kind == PortKind::Ethernet);
