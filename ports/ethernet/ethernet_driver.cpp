#include "ports/ethernet/ethernet_driver.h"

#include <cerrno>
#include <string>

namespace {

constexpr int CONNECT_WAIT_MS = 3000;
// How long a piece waits for the printer to take data before the attempt
// counts as held off ("Busy").
constexpr int SEND_WAIT_MS = 1000;

}  // namespace

EthernetDriver::EthernetDriver(int32_t handle, PortKind kind) : QueuedDriver(handle, kind, RECEIVE_SIZE) {
    if (!wake_.open()) return;
    auto control = std::make_unique<UdpControl>();
    if (control->running()) control_ = std::move(control);
}

EthernetDriver::~EthernetDriver() { close(); }

std::unique_ptr<PortDriver> EthernetDriver::make(int32_t handle, PortKind kind) {
    return std::make_unique<EthernetDriver>(handle, kind);
}

Ipv4 EthernetDriver::address() const {
    const PortSettings &s = settings();
    return {s.address[0], s.address[1], s.address[2], s.address[3]};
}

int32_t EthernetDriver::configure(const PortSettings &settings) {
    int32_t result = QueuedDriver::configure(settings);
    if (control_) control_->set_address(address());
    return result;
}

int32_t EthernetDriver::reset() { return control_ ? control_->reset() : 0; }

int32_t EthernetDriver::ignore_flow(int32_t flag) { return control_ ? control_->handshake(flag ? 1 : 0) : 0; }

bool EthernetDriver::connect_fresh(Socket *fresh, bool at_open) {
    const std::string where = ipv4_text(address());
    auto failed = [&](uint16_t port, int error) {
        if (at_open) {
            const char *protocol = port == CONTROL_PORT ? "UDP" : "TCP";
            set_open_failure({where, std::string(protocol) + " port " + std::to_string(port), error, ""});
        }
        errno = error;
        return false;
    };
    if (control_->status_query() < 0) return failed(CONTROL_PORT, ETIMEDOUT);
    *fresh = Socket::tcp();
    if (!fresh->valid()) return failed(PRINT_PORT, errno);
    if (fresh->connect_to(address(), PRINT_PORT, CONNECT_WAIT_MS, wake_.read_fd()) != 1) {
        int error = errno;
        fresh->close();
        return failed(PRINT_PORT, error);
    }
    fresh->send_at_once();  // a request waits for its reply, not for an ACK
    return true;
}

bool EthernetDriver::open_device() {
    if (!control_) return false;
    control_->allow();
    wake_.drain();
    corked_ = false;
    return connect_fresh(&socket_, true);
}

bool EthernetDriver::reopen_device() {
    Socket fresh;
    if (!connect_fresh(&fresh, false)) return false;
    corked_ = false;
    return socket_.replace_with(std::move(fresh));
}

std::string EthernetDriver::device_name() { return ipv4_text(address()) + ":" + std::to_string(PRINT_PORT); }

// Close cuts short a control request or a connect under way too.
void EthernetDriver::interrupt_device() {
    wake_.notify();
    if (control_) control_->cancel();
}

void EthernetDriver::close_device() {
    socket_.shutdown_both();
    socket_.close();
}

int32_t EthernetDriver::write_piece(const uint8_t *data, int32_t length) {
    // With more queued behind this piece, full packets go instead of one
    // per piece; the last piece sends what was held.
    bool more = pending_output() > length;
    if (more != corked_) {
        socket_.cork(more);
        corked_ = more;
    }
    for (;;) {
        long n = socket_.send_some(data, static_cast<size_t>(length));
        if (n != 0) return n > 0 ? static_cast<int32_t>(n) : -1;
        WaitItem items[2] = {{socket_.fd(), false, true}, {wake_.read_fd(), true}};
        if (wait_descriptors(items, SEND_WAIT_MS) <= 0 || items[1].readable) return 0;
        if (items[0].failed && !items[0].writable) {
            errno = ECONNRESET;
            return -1;
        }
    }
}

// Only ever on an idle connection, which the send thread left uncorked.
int32_t EthernetDriver::write_now(const uint8_t *data, int32_t length) {
    long n = socket_.send_some(data, static_cast<size_t>(length));
    return n >= 0 ? static_cast<int32_t>(n) : -1;
}

int32_t EthernetDriver::read_now(uint8_t *data, int32_t max) {
    long n = socket_.receive_some(data, static_cast<size_t>(max));
    if (n == -1) return 0;
    if (n == 0) errno = ECONNRESET;
    return n > 0 ? static_cast<int32_t>(n) : -1;
}

int EthernetDriver::wait_readable(int32_t ms) {
    WaitItem items[2] = {{socket_.fd(), true}, {wake_.read_fd(), true}};
    wait_descriptors(items, ms);
    if (items[1].readable) return -1;
    return items[0].readable || items[0].failed ? 1 : 0;
}

int32_t EthernetDriver::read_piece(uint8_t *data, int32_t max) {
    WaitItem items[2] = {{socket_.fd(), true}, {wake_.read_fd(), true}};
    if (wait_descriptors(items, -1) <= 0 || items[1].readable) return 0;
    long n = socket_.receive_some(data, static_cast<size_t>(max));
    if (n == -1) return 0;
    if (n == 0) errno = ECONNRESET;  // the printer closed the connection
    return n > 0 ? static_cast<int32_t>(n) : -1;
}
