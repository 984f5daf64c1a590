// The driver interface beneath the port layer.
//  - PortSettings: what port_open hands a driver's configure; 17 signed
//    32-bit fields in this order.
//  - DriverCallbacks: the four notifications a driver makes. write_done and
//    data_arrived run on the driver's worker threads; empty ones are skipped.
//  - PortDriver: one subclass per port kind, 25 operations. Results follow
//    the driver API (driver_table.h): 1 done, 0 failed or unsupported; counts
//    are bytes. Drivers print nothing.
#pragma once

#include <cstdint>

#include "base/settings.h"
#include "ports/driver/open_hint.h"

struct PortSettings {
    int32_t kind = 0;            // PortKind
    int32_t direct_io = 0;       // always 0: drivers run their worker threads
    int32_t serial_port = 0;     // COM1 is 1
    int32_t baud_code = 0;       // 0..7 = 1200..115200 bps, BAUD_CODE_600
    int32_t data_bits = 0;       // 7 or 8
    int32_t parity = 0;          // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int32_t stop_bits = 0;       // 0 one, 1 one and a half, 2 two
    int32_t flow = 0;            // 0 DTR/DSR, 1 none, 2 RTS/CTS, 3 XON/XOFF
    int32_t parallel_port = 0;   // LPT1 is 1
    int32_t device_number = 0;   // USB and printer-class kinds
    int32_t device_family = 0;   // 1 for the display channel
    uint8_t address[4] = {};     // Ethernet, most significant first
    int32_t read_interval = 0;   // ms, serial only
    int32_t receive_multiplier = 0;  // ms per byte
    int32_t receive_constant = 0;    // ms
    int32_t send_multiplier = 0;     // ms per byte
    int32_t send_constant = 0;       // ms
};
static_assert(sizeof(PortSettings) == 17 * 4);

// Baud codes beyond 0..7: 600 bps.
constexpr int32_t BAUD_CODE_600 = 8;

// Flow codes as drivers see them.
enum DriverFlow : int32_t { FLOW_DTR_DSR = 0, FLOW_NONE = 1, FLOW_RTS_CTS = 2, FLOW_XON_XOFF = 3 };

struct DriverCallbacks {
    void (*connected)(int32_t handle) = nullptr;
    void (*disconnected)(int32_t handle) = nullptr;
    // bytes: written so far of the current block; ok: the last piece went whole.
    void (*write_done)(int32_t handle, int32_t tag, int32_t bytes, int32_t ok) = nullptr;
    void (*data_arrived)(int32_t handle, int32_t pending_input) = nullptr;
    // Once per outage, on a worker thread: the device went away and the
    // driver waits for it to come back.
    void (*device_waiting)(int32_t handle, const char *device, const char *reason) = nullptr;
};

class PortDriver {
public:
    PortDriver(int32_t handle, PortKind kind) : handle_(handle), kind_(kind) {}
    PortDriver(const PortDriver &) = delete;
    PortDriver &operator=(const PortDriver &) = delete;
    // Closes the device when it is open.
    virtual ~PortDriver() = default;

    virtual int32_t open() = 0;  // 1 open (also when it already was)
    // 1 when all length bytes were accepted; *written gets the count.
    virtual int32_t write(int32_t tag, const uint8_t *data, int32_t length, int32_t *written) = 0;
    // 1 when exactly length bytes were delivered; *got gets the count.
    virtual int32_t read(uint8_t *data, int32_t length, int32_t *got) = 0;
    virtual int32_t close() = 0;
    virtual int32_t reset() = 0;
    virtual int32_t get_info(void *record) = 0;  // nothing in this program calls it
    virtual int32_t is_open() = 0;
    virtual int32_t can_send() = 0;              // nothing in this program calls it
    virtual int32_t os_handle() = 0;             // a descriptor, -1 while closed
    // Stores the settings; applies them at once when the device is open.
    virtual int32_t configure(const PortSettings &settings) = 0;
    virtual int32_t set_direct_mode(int32_t flag) = 0;
    virtual int32_t pending_output() = 0;  // queued plus in-flight bytes
    // Empties the send queue; the block being written stops after its piece.
    virtual int32_t clear_output() = 0;
    virtual void resume_sender() = 0;
    virtual void suspend_sender() = 0;
    virtual int32_t block_size() = 0;
    // 1..65536, else 0; the send queue limit becomes max(2n, 4096).
    virtual int32_t set_block_size(int32_t n) = 0;
    virtual int32_t pending_input() = 0;
    virtual int32_t clear_input() = 0;
    virtual void resume_receiver() = 0;
    virtual void suspend_receiver() = 0;
    virtual int32_t receive_size() = 0;
    virtual int32_t set_receive_size(int32_t n) = 0;  // 1..65540, else 0
    // 1 switches the device's output handshake off, 0 restores it; 0 where
    // unsupported.
    virtual int32_t ignore_flow(int32_t flag) = 0;

    // Why the last open failed; nullptr when it did not or nobody knows.
    virtual const OpenFailure *open_failure() const { return nullptr; }
    // 1 while the device has gone away and the driver waits for it.
    virtual int32_t waiting_for_device() { return 0; }

    // Wait up to ms for room in the send queue, or for received bytes;
    // drivers with queues return early on a change.
    virtual void wait_output_space(int32_t ms);
    virtual void wait_input(int32_t ms);
    // Sends what the driver held back for the caller's next write, before
    // an operation that must follow it (a handshake switch, a reset).
    virtual void send_held_back() {}

    int32_t handle() const { return handle_; }
    PortKind kind() const { return kind_; }
    void set_callbacks(const DriverCallbacks &callbacks) { callbacks_ = callbacks; }
    const DriverCallbacks &callbacks() const { return callbacks_; }

private:
    int32_t handle_;
    PortKind kind_;
    DriverCallbacks callbacks_;
};
