#include "platform/serial_lines.h"

#include <sys/ioctl.h>
#include <termios.h>

#include "platform/serial_termios.h"

int32_t serial_modem_status(int fd) {
    int lines = 0;
    if (fd < 0 || ioctl(fd, TIOCMGET, &lines) != 0) return -1;
    int32_t status = 0;
    if (lines & TIOCM_CTS) status |= MODEM_CTS;
    if (lines & TIOCM_DSR) status |= MODEM_DSR;
    if (lines & TIOCM_RNG) status |= MODEM_RI;
    if (lines & TIOCM_CAR) status |= MODEM_DCD;
    return status;
}

namespace {

bool set_line(int fd, int line, bool high) {
    return fd >= 0 && ioctl(fd, high ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

}  // namespace

bool serial_set_rts(int fd, bool high) { return set_line(fd, TIOCM_RTS, high); }
bool serial_set_dtr(int fd, bool high) { return set_line(fd, TIOCM_DTR, high); }

bool serial_send_flow_char(int fd, bool stop) { return fd >= 0 && tcflow(fd, stop ? TCIOFF : TCION) == 0; }

speed_t serial_speed(int32_t bits_per_second) {
    switch (bits_per_second) {
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B19200;
    }
}

void serial_line_termios(const SerialLine &line, bool flow_on, struct termios &t) {
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (line.data_bits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
    }
    switch (line.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (line.stop_bits != 0) t.c_cflag |= CSTOPB;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (line.xon_xoff) t.c_iflag |= IXOFF;
    if (flow_on && line.xon_xoff) t.c_iflag |= IXON;
    if (flow_on && line.rts_cts) t.c_cflag |= CRTSCTS;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    speed_t speed = serial_speed(line.bits_per_second);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
}

bool serial_configure(int fd, const SerialLine &line) {
    struct termios t {};
    if (fd < 0 || tcgetattr(fd, &t) != 0) return false;
    serial_line_termios(line, true, t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool serial_set_output_flow(int fd, const SerialLine &line, bool on) {
    struct termios t {};
    if (fd < 0 || tcgetattr(fd, &t) != 0) return false;
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~IXON;
    if (on && line.rts_cts) t.c_cflag |= CRTSCTS;
    if (on && line.xon_xoff) t.c_iflag |= IXON;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool serial_purge(int fd, bool output) { return fd >= 0 && tcflush(fd, output ? TCIOFLUSH : TCIFLUSH) == 0; }

int32_t serial_output_pending(int fd) {
    int n = 0;
    if (fd < 0 || ioctl(fd, TIOCOUTQ, &n) != 0 || n < 0) return 0;
    return n;
}
