#include "ports/serial/serial_driver.h"

#include <cerrno>
#include <chrono>

SerialLine serial_line_for(const PortSettings &s) {
    constexpr int32_t rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    SerialLine line;
    if (s.baud_code == BAUD_CODE_600) line.bits_per_second = 600;
    else if (s.baud_code >= 0 && s.baud_code < 8) line.bits_per_second = rates[s.baud_code];
    line.data_bits = s.data_bits >= 5 && s.data_bits <= 8 ? s.data_bits : 8;
    line.parity = s.parity >= 1 && s.parity <= 4 ? s.parity : 0;
    line.stop_bits = s.stop_bits >= 0 && s.stop_bits <= 2 ? s.stop_bits : 0;
    line.rts_cts = s.flow == FLOW_RTS_CTS;
    line.xon_xoff = s.flow == FLOW_XON_XOFF;
    return line;
}

std::unique_ptr<PortDriver> make_serial_driver(int32_t handle, PortKind kind) {
    return std::make_unique<SerialDriver>(handle, kind);
}

bool SerialDriver::prepare_device() {
    int fd = device().fd();
    SerialLine line = serial_line_for(settings());
    serial_purge(fd, true);  // first: once the line shows its settings, it is ours
    if (!serial_configure(fd, line)) return false;
    if (flow_off_) serial_set_output_flow(fd, line, false);
    // Lines without modem control (a pseudo-terminal) refuse these: harmless.
    serial_set_dtr(fd, true);
    serial_set_rts(fd, true);
    return true;
}

int32_t SerialDriver::close() {
    drop_line_output_ = pending_output() > 0;
    return DeviceFileDriver::close();
}

void SerialDriver::release_device() {
    int fd = device().fd();
    serial_set_dtr(fd, false);
    serial_set_rts(fd, false);
    serial_purge(fd, drop_line_output_);
    flow_off_ = false;
}

int32_t SerialDriver::apply_settings() {
    int fd = device().fd();
    SerialLine line = serial_line_for(settings());
    if (!serial_configure(fd, line)) return 0;
    if (flow_off_ && !serial_set_output_flow(fd, line, false)) return 0;
    return 1;
}

int32_t SerialDriver::ignore_flow(int32_t flag) {
    if (!is_opened()) return 0;
    flow_off_ = flag != 0;
    SerialLine line = serial_line_for(settings());
    if (!line.rts_cts && !line.xon_xoff) return 1;
    return serial_set_output_flow(device().fd(), line, flag == 0) ? 1 : 0;
}

bool SerialDriver::dsr_holds_off() {
    if (settings().flow != FLOW_DTR_DSR || flow_off_) return false;
    int32_t lines = serial_modem_status(device().fd());
    return lines >= 0 && (lines & MODEM_DSR) == 0;
}

int32_t SerialDriver::write_piece(const uint8_t *data, int32_t length) {
    int32_t timeout = write_timeout_ms(length);
    if (dsr_holds_off()) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
        do {
            if (std::chrono::steady_clock::now() >= end || !device().rest(1)) return 0;
        } while (dsr_holds_off());
    }
    return DeviceFileDriver::write_piece(data, length);
}

// While DSR holds data off, the send thread's wait decides.
int32_t SerialDriver::write_now(const uint8_t *data, int32_t length) {
    return dsr_holds_off() ? 0 : DeviceFileDriver::write_now(data, length);
}

int32_t SerialDriver::read_wait_ms() { return settings().receive_multiplier + settings().receive_constant; }

int32_t SerialDriver::device_pending_output() { return serial_output_pending(device().fd()); }
