#include "ports/usb/usb_drivers.h"

#include <cerrno>

#include "platform/clock.h"

int32_t UsbDriver::write_piece(const uint8_t *data, int32_t length) {
    int32_t timeout = write_timeout_ms(length);
    int32_t limit = (settings().send_multiplier * length + settings().send_constant + 9) / 10;
    for (int32_t retries = 0;; ++retries) {
        long n = device().write_some(data, static_cast<size_t>(length), timeout);
        if (n >= 0) return static_cast<int32_t>(n);
        if (device_gone_error(errno)) return -1;
        if (retries >= limit || !device().rest(10)) return 0;
    }
}

int32_t UsbPrinterDriver::write(int32_t, const uint8_t *data, int32_t length, int32_t *written) {
    *written = 0;
    if (!is_open() || length < 1 || waiting_for_device()) return 0;
    uint32_t generation = device_generation();
    long n = device().write_some(data, static_cast<size_t>(length), DIRECT_SLICE_MS);
    if (n < 0) {
        if (device_gone_error(errno)) report_lost(errno, generation);
        return 0;
    }
    *written = static_cast<int32_t>(n);
    return n == length ? 1 : 0;
}

// The direct write has already waited for the device; while it is away
// this keeps the caller's retries at one per ms.
void UsbPrinterDriver::wait_output_space(int32_t ms) { sleep_ms(ms); }

std::unique_ptr<PortDriver> make_usb_driver(int32_t handle, PortKind kind) {
    return std::make_unique<UsbDriver>(handle, kind);
}

std::unique_ptr<PortDriver> make_usb_printer_driver(int32_t handle, PortKind kind) {
    return std::make_unique<UsbPrinterDriver>(handle, kind);
}
