// The two USB kinds, both on the kernel's printer-class device file:
//  - UsbDriver (USB, ZQUSB, VKUSB targets): writes through the send thread;
//    a piece the printer does not take within the send time-out reports
//    "Busy" and is retried; other write errors are retried every 10 ms up to
//    (send multiplier x length + send constant + 9) / 10 times.
//  - UsbPrinterDriver (PRN, USBPRN): writes straight through on the caller's
//    thread, which waits for the printer (no "Busy"); the caller retries
//    the rest in slices so it can still see Esc.
// Both read ahead into the receive queue, answer reset with 0 (no private
// control codes here) and ignore_flow with 1: there is no handshake to
// switch, so real-time requests go out like everything else.
#pragma once

#include <memory>

#include "ports/driver/device_file_driver.h"

class UsbDriver : public DeviceFileDriver {
public:
    UsbDriver(int32_t handle, PortKind kind) : DeviceFileDriver(handle, kind) {}
    ~UsbDriver() override { close(); }

protected:
    int32_t write_piece(const uint8_t *data, int32_t length) override;
};

class UsbPrinterDriver : public DeviceFileDriver {
public:
    UsbPrinterDriver(int32_t handle, PortKind kind) : DeviceFileDriver(handle, kind) {}
    ~UsbPrinterDriver() override { close(); }

    int32_t write(int32_t tag, const uint8_t *data, int32_t length, int32_t *written) override;
    void wait_output_space(int32_t ms) override;

    // How long one direct write waits before the caller gets the count so far.
    static constexpr int DIRECT_SLICE_MS = 100;
};

std::unique_ptr<PortDriver> make_usb_driver(int32_t handle, PortKind kind);
std::unique_ptr<PortDriver> make_usb_printer_driver(int32_t handle, PortKind kind);
