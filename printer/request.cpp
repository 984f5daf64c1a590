#include "printer/request.h"

#include <cstring>

#include "base/diag.h"
#include "base/port_ops.h"
#include "printer/status_stores.h"

namespace {

bool refused(const char *builtin, SendWith how) {
    warning("%s: the printer port did not take the %srequest; no reply is awaited", builtin,
            how == SendWith::Now ? "real-time " : "");
    return false;
}

// A real-time request goes to the port in one call (in pieces only if it were
// ever longer than the buffer), so the printer gets it in one packet.
bool send_now(const char *builtin, std::initializer_list<int32_t> bytes) {
    uint8_t request[16];
    const int32_t *next = bytes.begin();
    while (next != bytes.end()) {
        int32_t n = 0;
        while (next != bytes.end() && n < static_cast<int32_t>(sizeof request))
            request[n++] = static_cast<uint8_t>(*next++ & 0xFF);
        if (current_port.port_send_now(request, n) == 0) return refused(builtin, SendWith::Now);
    }
    return true;
}

}  // namespace

bool send_command(const char *builtin, std::initializer_list<int32_t> bytes, SendWith how) {
    if (how == SendWith::Now) return send_now(builtin, bytes);
    for (int32_t b : bytes)
        if (current_port.port_send_byte(b & 0xFF) == 0) return refused(builtin, how);
    return true;
}

int32_t request_reply(const char *builtin, std::initializer_list<int32_t> bytes, SendWith how, int32_t mode) {
    if (!send_command(builtin, bytes, how)) return REQUEST_NOT_SENT;
    return current_port.port_recv_reply(mode);
}

NODE *status_result(const uint8_t *store) {
    return make_temp_string(reinterpret_cast<const char *>(store), STATUS_SIZE);
}

std::string_view block_text() {
    const char *text = reinterpret_cast<const char *>(block_reply);
    return {text, strnlen(text, sizeof block_reply)};
}

NODE *block_text_result(bool with_nul) {
    std::string_view text = block_text();
    // The buffer always ends in a NUL, so the one after the text is there.
    return make_temp_string(text.data(), text.size() + (with_nul ? 1 : 0));
}
