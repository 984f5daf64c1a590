#include <io.h>
#include <windows.h>

#include <cstring>

#include "platform/break_os.h"
#include "platform/break_signals.h"
#include "platform/console.h"
#include "platform/temp_file.h"

namespace {

// The system runs these on a thread of its own for every console event
// (0 Ctrl+C, 1 Ctrl+Break, 2 close, 5 logoff, 6 shutdown).
BOOL WINAPI on_console_event(DWORD event) {
    deliver_break(static_cast<int>(event));
    return TRUE;
}

BOOL WINAPI restore_then_default(DWORD) {
    console_restore_for_exit();
    return FALSE;  // the default handler ends the process
}

DWORD WINAPI flush_streams(void *) {
    std::fflush(stdout);
    std::fflush(stderr);
    return 0;
}

}  // namespace

void keep_terminal_on_default_break() { SetConsoleCtrlHandler(restore_then_default, TRUE); }

bool install_break_handler(BreakHandler handler) {
    set_break_handler(handler);
    static bool installed = false;
    if (installed) return true;
    SetConsoleCtrlHandler(restore_then_default, FALSE);
    installed = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
    return installed;
}

// The C library has no try-lock for a stream: the text goes straight to the
// descriptor (the error stream is unbuffered anyway).
void write_unlocked_text(std::FILE *stream, const char *text) {
    size_t left = std::strlen(text);
    int fd = _fileno(stream);
    while (left > 0) {
        int n = _write(fd, text, static_cast<unsigned>(left));
        if (n <= 0) break;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void quick_exit_process(int status) {
    // Flushing waits for a stream's lock, which a thread stopped by a forced
    // break may hold: flushed on the side, given half a second at most.
    if (HANDLE flusher = CreateThread(nullptr, 0, flush_streams, nullptr, 0, nullptr)) {
        WaitForSingleObject(flusher, 500);
        CloseHandle(flusher);
    }
    remove_temp_files_now();
    console_restore_for_exit();
    // Not ExitProcess: the library's own exit flushing could wait on that lock.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    for (;;) Sleep(INFINITE);
}
