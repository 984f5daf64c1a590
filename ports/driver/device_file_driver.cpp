#include "ports/driver/device_file_driver.h"

#include <cerrno>

#include "platform/profile.h"

DevicePlace device_place(const PortSettings &s) {
    std::string n;
    switch (static_cast<PortKind>(s.kind)) {
    case PortKind::Serial:
        n = std::to_string(s.serial_port);
        return {"COM" + n, default_device_path(DeviceKind::Serial, s.serial_port)};
    case PortKind::Parallel:
        n = std::to_string(s.parallel_port);
        return {"LPT" + n, default_device_path(DeviceKind::Parallel, s.parallel_port)};
    case PortKind::Usb:
        n = std::to_string(s.device_number);
        if (s.device_family == 1) return {"VKUSB" + n, ""};
        return {"USB" + n, default_device_path(DeviceKind::Usb, s.device_number)};
    case PortKind::PrinterClass:
        n = std::to_string(s.device_number);
        return {"PRN" + n, default_device_path(DeviceKind::PrinterClass, s.device_number)};
    default:
        return {"", ""};
    }
}

std::string device_path(const DevicePlace &place) {
    if (std::optional<std::string> mapped = profile_string("devices", place.key.c_str()); mapped && !mapped->empty())
        return *mapped;
    return place.default_path;
}

bool DeviceFileDriver::open_device() {
    DevicePlace place = device_place(settings());
    std::string path = device_path(place);
    int error = ENOENT;
    if (!path.empty()) {
        if (device_.open(path)) {
            if (prepare_device()) return true;
            error = errno ? errno : EINVAL;
            device_.close();
        } else {
            error = errno;
        }
    }
    set_open_failure({place.key, path, error, place.key});
    return false;
}

void DeviceFileDriver::close_device() {
    release_device();
    device_.close();
}

bool DeviceFileDriver::reopen_device() { return device_.reopen() && prepare_device(); }

int32_t DeviceFileDriver::write_timeout_ms(int32_t length) const {
    return settings().send_multiplier * length + settings().send_constant;
}

int32_t DeviceFileDriver::write_piece(const uint8_t *data, int32_t length) {
    long n = device_.write_some(data, static_cast<size_t>(length), write_timeout_ms(length));
    if (n < 0) return device_gone_error(errno) ? -1 : 0;
    return static_cast<int32_t>(n);
}

int32_t DeviceFileDriver::write_now(const uint8_t *data, int32_t length) {
    long n = device_.write_some(data, static_cast<size_t>(length), 0);
    if (n < 0) return device_gone_error(errno) ? -1 : 0;
    return static_cast<int32_t>(n);
}

int32_t DeviceFileDriver::read_now(uint8_t *data, int32_t max) {
    long n = device_.read_now(data, static_cast<size_t>(max));
    if (n < 0) return device_gone_error(errno) ? -1 : 0;
    return static_cast<int32_t>(n);
}

int32_t DeviceFileDriver::read_piece(uint8_t *data, int32_t max) {
    long n = device_.read_some(data, static_cast<size_t>(max), READ_WAIT_MS);
    if (n < 0) {
        if (device_gone_error(errno)) return -1;
        device_.rest(READ_WAIT_MS);  // a refused read is not retried at once
        return 0;
    }
    return static_cast<int32_t>(n);
}
