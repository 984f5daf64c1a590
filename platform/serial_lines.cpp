#include "platform/serial_lines.h"

#include <sys/ioctl.h>
#include <termios.h>

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
