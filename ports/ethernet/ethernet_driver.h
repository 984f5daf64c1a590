// The driver for network printers (kind Ethernet): print data and replies
// over one TCP connection to port 9100, the UDP control protocol beside it
// (udp_control.h) for the presence check, the handshake switch and reset.
//  - open: the status query first (no reply in 3000 ms fails the open; a
//    not-ready reply does not), then the connection.
//  - A connection the printer closes, or one that fails, counts as a device
//    that went away (queued_driver.h): "Busy" once, then about once a second
//    the status query and a new connection, under the old descriptor number.
//  - ignore_flow(1)/(0) are the handshake-off/on requests, reset the reset
//    request; each waits up to 3000 ms for its reply.
//  - On an idle connection the caller sends, and waits for replies, on the
//    socket itself (queued_driver.h): a status request then costs no
//    thread hand-over.
#pragma once

#include <memory>

#include "platform/descriptors.h"
#include "platform/sockets.h"
#include "ports/driver/queued_driver.h"
#include "ports/ethernet/udp_control.h"

constexpr uint16_t PRINT_PORT = 9100;

class EthernetDriver : public QueuedDriver {
public:
    static constexpr int32_t RECEIVE_SIZE = 1024;

    EthernetDriver(int32_t handle, PortKind kind);
    ~EthernetDriver() override;

    static std::unique_ptr<PortDriver> make(int32_t handle, PortKind kind);

    int32_t configure(const PortSettings &settings) override;
    int32_t reset() override;
    int32_t ignore_flow(int32_t flag) override;

protected:
    bool open_device() override;
    void close_device() override;
    int32_t write_piece(const uint8_t *data, int32_t length) override;
    int32_t read_piece(uint8_t *data, int32_t max) override;
    int32_t write_now(const uint8_t *data, int32_t length) override;
    bool caller_reads_device() const override { return true; }
    int32_t read_now(uint8_t *data, int32_t max) override;
    int wait_readable(int32_t ms) override;
    bool reopen_device() override;
    std::string device_name() override;
    void interrupt_device() override;
    int32_t device_fd() override { return socket_.fd(); }
    bool busy_when_lost() const override { return true; }

private:
    Ipv4 address() const;
    // The status query, then a connection; false with errno set and, at
    // open, the failure kept for the hint line.
    bool connect_fresh(Socket *fresh, bool at_open);

    std::unique_ptr<UdpControl> control_;
    Socket socket_;  // opened and closed on the interpreter thread, while no worker runs
    WakePipe wake_;
    bool corked_ = false;  // send thread, and open while it does not run
};
