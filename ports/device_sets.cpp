// The serial, parallel and device operation sets: open with settings and
// time-outs, queued sending with the real-time handshake switch, polling,
// host busy and modem lines, block and receive sizes.
#include <atomic>
#include <cstdio>

#include "base/diag.h"
#include "base/settings.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/profile.h"
#include "platform/serial_lines.h"
#include "ports/file/dump.h"
#include "ports/port_layer.h"
#include "ports/port_sets.h"

namespace {

constexpr const char *PROFILE_SECTION = "ZQPRTAPI";
constexpr int32_t ERROR_UNKNOWN = -256;
constexpr int32_t ERROR_OPEN = -9;
constexpr int32_t ERROR_BUSY = -255;
constexpr int32_t LARGE_RECEIVE = 65540;

struct DeviceState {
    std::atomic<int32_t> handle{-1};
    int32_t os_handle = -1;
    PortKind kind = PortKind::File;
    int32_t flow = 0;  // the start-up flow code
    SerialSettings serial;
    std::atomic<bool> ignore_flow_active{false};
    std::atomic<bool> busy_reported{false};
    PortSettings settings;  // kept between opens: an unknown baud keeps the last code
};

DeviceState port;

// Time-out constants from the profile: anything below 11 becomes 10.
int32_t profile_constant(const char *key, int32_t fallback) {
    int32_t v = profile_int(PROFILE_SECTION, key, fallback);
    return v < 11 ? 10 : v;
}

int32_t profile_multiplier(const char *key, int32_t fallback) { return profile_int(PROFILE_SECTION, key, fallback); }

void read_timeouts(const char *prefix, int32_t receive_constant, int32_t send_constant, PortSettings &s) {
    char key[40];
    std::snprintf(key, sizeof key, "%sReceiveTimeoutMulti", prefix);
    s.receive_multiplier = profile_multiplier(key, 0);
    std::snprintf(key, sizeof key, "%sReceiveTimeoutConst", prefix);
    s.receive_constant = profile_constant(key, receive_constant);
    std::snprintf(key, sizeof key, "%sSendTimeoutMulti", prefix);
    s.send_multiplier = profile_multiplier(key, 0);
    std::snprintf(key, sizeof key, "%sSendTimeoutConst", prefix);
    s.send_constant = profile_constant(key, send_constant);
}

// Start-up flow codes (0 none, 1 XON/XOFF, 2 RTS/CTS, 4 DTR/DSR) as drivers see them.
int32_t driver_flow(int32_t flow) {
    switch (flow) {
    case 0: return FLOW_NONE;
    case 1: return FLOW_XON_XOFF;
    case 2: return FLOW_RTS_CTS;
    case 4: return FLOW_DTR_DSR;
    default: return port.settings.flow;
    }
}

void fill_settings(PortKind kind, int32_t number, const std::array<uint8_t, 4> &ip, const SerialSettings &serial) {
    PortSettings &s = port.settings;
    s.kind = static_cast<int32_t>(kind);
    s.direct_io = 0;
    switch (kind) {
    case PortKind::Serial:
        show_port_settings(stdout, number);
        s.serial_port = number;
        if (serial.baud_index >= 4 && serial.baud_index <= 11) s.baud_code = serial.baud_index - 4;
        else if (serial.baud_index == 3) s.baud_code = BAUD_CODE_600;
        s.data_bits = serial.data_length + 5;
        s.parity = serial.parity;
        s.stop_bits = serial.stop_bits;
        s.flow = driver_flow(serial.flow);
        s.read_interval = profile_multiplier("COMReadInterval", 1);
        read_timeouts("COM", 200, 1000, s);
        break;
    case PortKind::Parallel:
        s.parallel_port = number;
        read_timeouts("LPT", 20, 2000, s);
        break;
    case PortKind::Usb:
        s.device_number = number % 1000;
        s.device_family = number / 1000;
        read_timeouts("USB", 50, 1000, s);
        break;
    case PortKind::Ethernet:
        for (int i = 0; i < 4; ++i) s.address[i] = ip[static_cast<size_t>(i)];
        break;
    case PortKind::PrinterClass:
        s.device_number = number % 1000;
        s.device_family = number / 1000;
        break;
    case PortKind::File:
        break;
    }
}

[[noreturn]] void cancel_device_wait() { fatal("Canceled while waiting for the printer"); }

int32_t open_failed(int32_t handle, int32_t code) {
    drv_destroy(handle);
    port.handle = -1;
    port_error(code);
    return 0;
}

int32_t device_open(const TargetSettings &target) {
    PortKind kind = target.kind;
    port.kind = kind;
    port.flow = target.serial.flow;
    port.serial = target.serial;
    fill_settings(kind, target.number, target.ip, target.serial);
    port.ignore_flow_active = false;
    port.busy_reported = false;
    drv_destroy_all();
    drv_set_kinds(*port_driver_kinds);

    int32_t h = drv_create(static_cast<int32_t>(kind));
    if (h < 0) {
        port_error(ERROR_UNKNOWN);
        return 0;
    }
    port.handle = h;
    if (drv_configure(h, port.settings) == 0) return open_failed(h, ERROR_UNKNOWN);
    DriverCallbacks callbacks;
    callbacks.write_done = on_write_done;
    callbacks.device_waiting = on_device_waiting;
    if (drv_set_callbacks(h, callbacks) == 0) return open_failed(h, ERROR_UNKNOWN);
    if (drv_open(h) != 1) {
        const OpenFailure *why = drv_open_failure(h);
        OpenFailure failure = why ? *why : OpenFailure{};
        open_failed(h, ERROR_OPEN);
        if (why) print_open_hint(stderr, failure);
        return 0;
    }
    port.os_handle = drv_os_handle(h);
    drv_ignore_flow(h, 0);
    drv_clear_input(h);
    if (kind == PortKind::Serial) show_modem_lines();
    return 1;
}

int32_t port_close(int32_t wait) {
    int32_t h = port.handle;
    if (wait && drv_pending_output(h) > 0) {
        do {
            if (console_kbhit() && console_getch() == KEY_ESC) {
                if (drv_waiting_for_device(h) == 1) cancel_device_wait();
                break;
            }
            sleep_ms(1);
        } while (drv_pending_output(h) > 0);
    }
    if (port.ignore_flow_active) drv_ignore_flow(h, 0);
    int32_t result = drv_close(h) == 1 && drv_destroy(h) == 1 ? 1 : 0;
    drv_destroy_all();
    port.handle = -1;
    port.os_handle = -1;
    return result;
}

// Hands the bytes to the driver, retrying every millisecond (or sooner, when
// the queue makes room) while it refuses; 0 only without a driver.
int32_t queue_bytes(const uint8_t *data, int32_t length) {
    int32_t h = port.handle;
    if (run_options.terminal_mode || run_options.log_file)
        for (int32_t i = 0; i < length; ++i) dump_sent_byte(data[i]);
    while (length > 0) {
        int32_t written = 0;
        int32_t r = drv_write(h, 0, data, length, &written);
        if (r == 1) break;
        if (r < 0) return 0;
        data += written;
        length -= written;
        port_check_device_wait();
        console_flush_input();
        drv_wait_output_space(h, 1);
    }
    return 1;
}

// An ordinary send puts the handshake back once the real-time bytes are out.
int32_t send_ordinary(const uint8_t *data, int32_t length) {
    if (port.ignore_flow_active) {
        while (drv_pending_output(port.handle) > 0) {
            port_check_device_wait();
            sleep_ms(1);
        }
        if (drv_ignore_flow(port.handle, 0) == 0) return 0;
        port.ignore_flow_active = false;
    }
    return queue_bytes(data, length);
}

int32_t send_now(const uint8_t *data, int32_t length) {
    if (!port.ignore_flow_active) {
        if (drv_ignore_flow(port.handle, 1) == 0) return 0;
        port.ignore_flow_active = true;
    }
    return queue_bytes(data, length);
}

int32_t port_send_byte(int32_t b) {
    uint8_t byte = static_cast<uint8_t>(b);
    return send_ordinary(&byte, 1);
}

int32_t port_send_byte_now(int32_t b) {
    uint8_t byte = static_cast<uint8_t>(b);
    return send_now(&byte, 1);
}

int32_t port_send(const uint8_t *buffer, int32_t length) {
    if (length < 1) return 1;
    return send_ordinary(buffer, length);
}

// One hand-over for the whole request: a network printer gets it in one
// packet instead of one per byte.
int32_t port_send_now(const uint8_t *buffer, int32_t length) {
    if (length < 1) return 1;
    return send_now(buffer, length);
}

int32_t port_poll(const char *message) {
    port_check_device_wait();
    if (drv_pending_input(port.handle) < 1) return 1;
    do {
        int32_t r = recv_reply(255);
        if (r < 256 && !run_options.asb_watch_mode) {
            std::fflush(stdout);
            console_set_colour(7);
            clear_line();
            std::fputs(message, stderr);
            std::fflush(stderr);
        }
    } while (drv_pending_input(port.handle) > 0);
    return 1;
}

int32_t read_line(int32_t mask) {
    int32_t status = serial_modem_status(port.os_handle);
    if (status < 0) return -256;
    return status & mask ? 1 : 0;
}

int32_t port_get_dsr() { return read_line(MODEM_DSR); }
int32_t port_get_cts() { return read_line(MODEM_CTS); }

// Waits for the printer's ready line; the message comes before every check.
// Esc gives up the wait.
int32_t serial_wait_ready() {
    while (drv_pending_input(port.handle) > 0) recv_reply(255);
    const char *text = port.flow == 2 ? "Wait CTS\n" : port.flow == 4 ? "Wait DSR\n" : nullptr;
    if (!text) return 1;
    for (;;) {
        std::fputs(text, stderr);
        if ((port.flow == 2 ? port_get_cts() : port_get_dsr()) != 0) break;
        if (console_kbhit() && console_getch() == KEY_ESC) break;
        sleep_ms(1);
    }
    return 1;
}

int32_t port_recv_byte() {
    uint8_t b = 0;
    int32_t got = 0;
    return drv_read(port.handle, &b, 1, &got) == 1 ? b : -1;
}

int32_t serial_set_host_busy(int32_t busy) {
    int fd = port.os_handle;
    bool ok;
    const char *text;
    switch (port.flow) {
    case 1:
        ok = serial_send_flow_char(fd, busy != 0);
        text = busy ? "Host Busy(XOFF)\n" : "Host Ready(XON)\n";
        break;
    case 2:
        ok = serial_set_rts(fd, busy == 0);
        text = busy ? "Host Busy(RTS=LOW)\n" : "HOST Ready(RTS=HIGH)\n";
        break;
    case 4:
        ok = serial_set_dtr(fd, busy == 0);
        text = busy ? "Host Busy(DTR=LOW)\n" : "HOST Ready(DTR=HIGH)\n";
        break;
    default:
        return 0;
    }
    if (!ok) return 0;
    std::fputs(text, stderr);
    return 1;
}

int32_t port_rx_count() { return drv_pending_input(port.handle); }

int32_t port_set_block_size(int32_t n) {
    while (drv_pending_output(port.handle) > 0) {
        port_check_device_wait();
        sleep_ms(1);
    }
    return drv_set_block_size(port.handle, n);
}

// Receive time-out constant for long replies: the time 66 bytes take at the
// line's bit rate.
int32_t large_receive_constant(int32_t baud_code) {
    constexpr int32_t by_code[] = {550, 275, 137, 68, 34, 17, 11, 5};
    if (baud_code == BAUD_CODE_600) return 1100;
    return baud_code >= 0 && baud_code < 8 ? by_code[baud_code] : 660000;
}

int32_t port_set_large_receive(int32_t on) {
    int32_t h = port.handle;
    if (port.kind == PortKind::Parallel) return 1;
    if (on) {
        drv_set_receive_size(h, LARGE_RECEIVE);
        if (port.kind == PortKind::Serial) {
            port.settings.receive_constant = large_receive_constant(port.settings.baud_code);
            drv_configure(h, port.settings);
        }
    } else {
        drv_set_receive_size(h, port.kind == PortKind::Ethernet ? 1024 : 256);
        if (port.kind == PortKind::Serial) {
            port.settings.receive_constant = profile_constant("COMReceiveTimeoutConst", 50);
            drv_configure(h, port.settings);
        }
    }
    return 1;
}

int32_t port_reset() { return drv_reset(port.handle); }


}  // namespace

void port_error(int32_t code) {
    const char *text;
    switch (code) {
    case -255: text = "Busy\n"; break;
    case -9: text = "Can't open port\n"; break;
    case -8: text = "XON timeout\n"; break;
    case -6: text = "DSR timeout\n"; break;
    case -5: text = "CTS timeout\n"; break;
    case -4: text = "Timeout\n"; break;
    case -2: text = "Send buffer full\n"; break;
    default: text = "Unknown error\n"; break;
    }
    std::fputs(text, stderr);
}

void on_device_waiting(int32_t, const char *device, const char *reason) {
    std::fprintf(stderr, "Printer disconnected: %s (%s); waiting for it, Esc cancels\n", device, reason);
    std::fflush(stderr);
}

void port_check_device_wait() {
    if (drv_waiting_for_device(port.handle) != 1) return;
    if (console_kbhit() && console_getch() == KEY_ESC) cancel_device_wait();
}

void on_write_done(int32_t, int32_t, int32_t, int32_t ok) {
    if (!ok) {
        if (!port.busy_reported.exchange(true)) port_error(ERROR_BUSY);
    } else {
        port.busy_reported = false;
    }
}

void show_port_settings(std::FILE *out, int32_t port_number) {
    if (!run_options.status_analyze_mode) return;
    const SerialSettings &s = port.serial;
    std::fprintf(out, " PORTNO    : COM%d\n", static_cast<int>(port_number));
    std::fprintf(out, " BAUDRATE  : %s bps\n", baud_texts[s.baud_index]);
    std::fprintf(out, " DATALEN   : %s\n", data_length_texts[s.data_length]);
    std::fprintf(out, " PARITY    : %s\n", parity_texts[s.parity]);
    std::fprintf(out, " STOPBIT   : %s\n", stop_bits_texts[s.stop_bits]);
    const char *flow = s.flow == 0 ? "NONE" : s.flow == 1 ? "XON/XOFF" : s.flow == 2 ? "RTS/CTS" : s.flow == 4 ? "DTR/DSR" : "etc";
    std::fprintf(out, " FLOW      : %s\n", flow);
}

void show_modem_lines() {
    if (!run_options.status_analyze_mode) return;
    int32_t status = serial_modem_status(port.os_handle);
    auto state = [status](int32_t mask) { return status < 0 || (status & mask) ? "ON" : "OFF"; };
    std::printf(" CTS(CS)   : %s\n", state(MODEM_CTS));
    std::printf(" DSR(DR)   : %s\n", state(MODEM_DSR));
    std::printf(" RI (CI)   : %s\n", state(MODEM_RI));
    std::printf(" DCD(CD)   : %s\n", state(MODEM_DCD));
    std::fputs(dump_separator, stdout);
}

int32_t port_handle() { return port.handle; }

// Columns: open, close, send byte, send byte now, poll, wait ready, receive
// byte, receive reply, host busy, received count, DSR, CTS, send, block size,
// large receive, reset, send now.
const PortOps serial_port_ops = {
    device_open, port_close,    port_send_byte,       port_send_byte_now,
    port_poll,          serial_wait_ready, port_recv_byte,   recv_reply,
    serial_set_host_busy, port_rx_count, port_get_dsr,       port_get_cts,
    port_send,          port_set_block_size, port_set_large_receive, port_reset,
    port_send_now,
};

// Parallel ports have no handshake to switch off: real-time bytes go like others.
const PortOps parallel_port_ops = {
    device_open, port_close,    port_send_byte,       port_send_byte,
    port_poll,          ops_ok,        port_recv_byte,       recv_reply,
    ops_ok_arg,         port_rx_count, ops_none,             ops_none,
    port_send,          port_set_block_size, port_set_large_receive, port_reset,
    port_send,
};

const PortOps device_port_ops = {
    device_open, port_close,    port_send_byte,       port_send_byte_now,
    port_poll,          ops_ok,        port_recv_byte,       recv_reply,
    ops_ok_arg,         port_rx_count, ops_none,             ops_none,
    port_send,          port_set_block_size, port_set_large_receive, port_reset,
    port_send_now,
};
