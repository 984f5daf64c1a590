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

namespace {

// The output flow bits a SerialLine asks for (DSR is the send thread's).
void set_output_flow(DCB &dcb, const SerialLine &line, bool on) {
    dcb.fOutxCtsFlow = on && line.rts_cts;
    dcb.fOutX = on && line.xon_xoff;
    dcb.fOutxDsrFlow = FALSE;
}

}  // namespace

bool serial_configure(int fd, const SerialLine &line) {
    HANDLE h = handle_of(fd);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (h == INVALID_HANDLE_VALUE || !GetCommState(h, &dcb)) return false;
    switch (line.bits_per_second) {
    case 600: case 1200: case 2400: case 4800: case 9600: case 38400: case 57600: case 115200:
        dcb.BaudRate = static_cast<DWORD>(line.bits_per_second);
        break;
    default:
        dcb.BaudRate = 19200;
        break;
    }
    // Parity and stop-bit codes are the system's own.
    dcb.ByteSize = static_cast<BYTE>(line.data_bits >= 5 && line.data_bits <= 8 ? line.data_bits : 8);
    dcb.Parity = static_cast<BYTE>(line.parity >= 0 && line.parity <= 4 ? line.parity : NOPARITY);
    dcb.StopBits = static_cast<BYTE>(line.stop_bits >= 0 && line.stop_bits <= 2 ? line.stop_bits : ONESTOPBIT);
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity != NOPARITY;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = line.rts_cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fInX = line.xon_xoff;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;  // a framing error must not stall later transfers
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 1024;
    dcb.XoffLim = 1024;
    set_output_flow(dcb, line, true);
    return SetCommState(h, &dcb) != 0;
}

bool serial_set_output_flow(int fd, const SerialLine &line, bool on) {
    HANDLE h = handle_of(fd);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (h == INVALID_HANDLE_VALUE || !GetCommState(h, &dcb)) return false;
    set_output_flow(dcb, line, on);
    return SetCommState(h, &dcb) != 0;
}

// No abort flags: they would fail the receive thread's read in flight. The
// output side is left to drain: the system counts bytes the far end has not
// read yet as queued (Wine on a pseudo-terminal does), and a purge would drop
// bytes already written.
bool serial_purge(int fd, bool) {
    HANDLE h = handle_of(fd);
    return h != INVALID_HANDLE_VALUE && PurgeComm(h, PURGE_RXCLEAR) != 0;
}

int32_t serial_output_pending(int fd) {
    HANDLE h = handle_of(fd);
    DWORD errors = 0;
    COMSTAT status{};
    if (h == INVALID_HANDLE_VALUE || !ClearCommError(h, &errors, &status)) return 0;
    return static_cast<int32_t>(status.cbOutQue);
}
