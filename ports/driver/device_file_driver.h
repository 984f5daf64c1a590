// The driver half every character-device kind shares (serial, parallel and
// both USB kinds): the device path from the profile's [devices] key or the
// kind's default, exclusive opening through CharDevice, writes and reads
// with the time-outs of the settings, the reconnect to a device that went
// away, and the reason an open failed (for the hint after "Can't open
// port"). A kind adds only what differs:
//  - prepare_device / release_device: after opening (also after a
//    reconnect) and before closing, e.g. line settings and modem lines.
//  - write_timeout_ms: how long one piece may wait for the device.
//  - write_piece / read_piece: to wrap the plain device calls.
// ignore_flow answers 1: there is no handshake to switch.
#pragma once

#include <string>

#include "platform/char_device.h"
#include "ports/driver/queued_driver.h"

// Where a kind's device is: the [devices] key and the default path ("" when
// the kind has none and only the key can name it).
struct DevicePlace {
    std::string key;
    std::string default_path;
};

// The place for the settings' kind and number.
DevicePlace device_place(const PortSettings &settings);
// The profile's path for the key, else the default.
std::string device_path(const DevicePlace &place);

class DeviceFileDriver : public QueuedDriver {
public:
    using QueuedDriver::QueuedDriver;

    int32_t ignore_flow(int32_t) override { return is_open(); }

protected:
    bool open_device() override;
    void close_device() override;
    bool reopen_device() override;
    int32_t write_piece(const uint8_t *data, int32_t length) override;
    int32_t write_now(const uint8_t *data, int32_t length) override;
    int32_t read_piece(uint8_t *data, int32_t max) override;
    int32_t read_now(uint8_t *data, int32_t max) override;
    int wait_readable(int32_t ms) override { return device_.wait_readable(ms); }
    void interrupt_device() override { device_.interrupt(); }
    int32_t device_fd() override { return device_.fd(); }
    std::string device_name() override { return device_.path(); }

    virtual bool prepare_device() { return true; }
    virtual void release_device() {}
    virtual int32_t write_timeout_ms(int32_t length) const;
    // How long read_piece waits for bytes before answering 0.
    static constexpr int READ_WAIT_MS = 100;

    CharDevice &device() { return device_; }

private:
    CharDevice device_;
};
