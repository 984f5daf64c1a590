// The parallel kind (LPT, BPN, BPB targets) on /dev/lp<n-1>: writes through
// the send thread with a write time-out of at least 2000 ms ("Busy" after
// it); reads the port refuses (most parallel ports cannot read back) just
// leave the receive queue empty. No handshake to switch.
#pragma once

#include <memory>

#include "ports/driver/device_file_driver.h"

class ParallelDriver : public DeviceFileDriver {
public:
    static constexpr int32_t MIN_SEND_CONSTANT = 2000;

    ParallelDriver(int32_t handle, PortKind kind) : DeviceFileDriver(handle, kind) {}
    ~ParallelDriver() override { close(); }

protected:
    int32_t write_timeout_ms(int32_t length) const override;
    int32_t read_piece(uint8_t *data, int32_t max) override;
};

std::unique_ptr<PortDriver> make_parallel_driver(int32_t handle, PortKind kind);
