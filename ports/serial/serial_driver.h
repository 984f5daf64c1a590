// The serial kind (COM and AUX targets) on a terminal device: raw line
// settings from PortSettings, DTR and RTS raised while open, RTS/CTS and
// XON/XOFF by the line discipline, DTR/DSR by the send thread (it holds a
// piece while DSR is off; a line without readable modem lines counts as on),
// reads that wait the receive time-out (the waiting caller reads the line
// itself), ignore_flow switching exactly the configured flow. Bytes the line
// still holds count as pending output, so a waiting close loses none (the
// line keeps sending what it took); a close that drops queued bytes drops
// the line's too.
#pragma once

#include <memory>

#include "platform/serial_lines.h"
#include "ports/driver/device_file_driver.h"

// The line settings PortSettings ask for.
SerialLine serial_line_for(const PortSettings &settings);

class SerialDriver : public DeviceFileDriver {
public:
    SerialDriver(int32_t handle, PortKind kind) : DeviceFileDriver(handle, kind) {}
    ~SerialDriver() override { close(); }

    int32_t ignore_flow(int32_t flag) override;
    int32_t close() override;

protected:
    bool prepare_device() override;
    void release_device() override;
    int32_t apply_settings() override;
    int32_t write_piece(const uint8_t *data, int32_t length) override;
    int32_t write_now(const uint8_t *data, int32_t length) override;
    int32_t read_wait_ms() override;
    bool caller_reads_device() const override { return true; }
    int32_t device_pending_output() override;

private:
    bool dsr_holds_off();

    std::atomic<bool> flow_off_{false};
    bool drop_line_output_ = false;
};

std::unique_ptr<PortDriver> make_serial_driver(int32_t handle, PortKind kind);
