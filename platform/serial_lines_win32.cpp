#include <io.h>
#include <windows.h>

#include "platform/serial_lines.h"

namespace {

HANDLE handle_of(int fd) {
    if (fd < 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool escape(int fd, DWORD function) {
    HANDLE h = handle_of(fd);
    return h != INVALID_HANDLE_VALUE && EscapeCommFunction(h, function) != 0;
}

}  // namespace

// The system's modem status bits are the layout the port layer shows.
static_assert(MS_CTS_ON == MODEM_CTS && MS_DSR_ON == MODEM_DSR && MS_RING_ON == MODEM_RI &&
              MS_RLSD_ON == MODEM_DCD);

int32_t serial_modem_status(int fd) {
    HANDLE h = handle_of(fd);
    DWORD lines = 0;
    if (h == INVALID_HANDLE_VALUE || !GetCommModemStatus(h, &lines)) return -1;
    return static_cast<int32_t>(lines & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON));
}

bool serial_set_rts(int fd, bool high) { return escape(fd, high ? SETRTS : CLRRTS); }
bool serial_set_dtr(int fd, bool high) { return escape(fd, high ? SETDTR : CLRDTR); }
bool serial_send_flow_char(int fd, bool stop) { return escape(fd, stop ? SETXOFF : SETXON); }
