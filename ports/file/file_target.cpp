// The binary output file target: the target name is created (or truncated) at
// open and receives every sent byte unchanged; sent bytes are also dumped.
// The file cannot answer: every receive-side operation reports -1.
// Sends from the interpreter and a close from the break handler's thread may
// meet, so the open file is guarded by a lock. The break handler's close
// gives up on the lock when a send is stuck in a write that does not return
// (a pipe nobody reads): the break must still end the program.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

#include "ports/file/dump.h"
#include "ports/port_sets.h"
#include "ports/port_state.h"

namespace {

// Large writes instead of one per byte; the bytes are the same.
constexpr size_t FILE_BUFFER_SIZE = 256 * 1024;

constexpr auto BREAK_CLOSE_PATIENCE = std::chrono::milliseconds(200);

int32_t file_open(const TargetSettings &target) {
    // Opening a FIFO waits for its reader: not under the lock.
    std::FILE *f = std::fopen(target.name.c_str(), "w+b");
    if (!f) {
        std::fprintf(stderr, "Can't create file <%s>\n", target.name.c_str());
        return 0;
    }
    std::lock_guard<std::timed_mutex> hold(port_state.file_lock);
    port_state.out_buffer.resize(FILE_BUFFER_SIZE);
    std::setvbuf(f, port_state.out_buffer.data(), _IOFBF, port_state.out_buffer.size());
    port_state.out_file = f;
    return 1;
}

// A write error that only shows when the buffer is flushed makes the close
// report 0, so no bytes are lost without notice.
int32_t file_close(int32_t wait) {
    std::unique_lock<std::timed_mutex> hold(port_state.file_lock, std::defer_lock);
    if (wait) hold.lock();
    else if (!hold.try_lock_for(BREAK_CLOSE_PATIENCE)) return 1;
    if (!port_state.out_file) return 1;
    int failed = std::fclose(port_state.out_file);
    port_state.out_file = nullptr;
    return failed ? 0 : 1;
}

int32_t file_send_byte(int32_t b) {
    std::lock_guard<std::timed_mutex> hold(port_state.file_lock);
    if (!port_state.out_file) return 0;
    dump_sent_byte(b);
    return std::fputc(b & 0xFF, port_state.out_file) == EOF ? 0 : 1;
}

int32_t file_send(const uint8_t *buffer, int32_t length) {
    if (length < 1) return 1;
    std::lock_guard<std::timed_mutex> hold(port_state.file_lock);
    if (!port_state.out_file) return 0;
    if (run_options.terminal_mode || run_options.log_file)
        for (int32_t i = 0; i < length; ++i) dump_sent_byte(buffer[i]);
    size_t n = static_cast<size_t>(length);
    return std::fwrite(buffer, 1, n, port_state.out_file) == n ? 1 : 0;
}

}  // namespace

const PortOps file_port_ops = {
    file_open,       file_close,         file_send_byte,    file_send_byte,
    ops_poll_ok,     ops_ok,             ops_none,          ops_none_arg,
    ops_ok_arg,      ops_zero,           ops_none,          ops_none,
    file_send,       ops_none_arg,       ops_none_arg,      ops_reset_message,
    ops_send_now_bytewise,
};
