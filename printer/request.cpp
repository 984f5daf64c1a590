#include "printer/request.h"

#include <cstring>

#include "base/diag.h"
#include "base/port_ops.h"
#include "printer/status_stores.h"

bool send_command(const char *builtin, std::initializer_list<int32_t> bytes, SendWith how) {
    auto send = how == SendWith::Now ? current_port.port_send_byte_now : current_port.port_send_byte;
    for (int32_t b : bytes) {
        if (send(b & 0xFF) != 0) continue;
        warning("%s: the printer port did not take the %srequest; no reply is awaited", builtin,
                how == SendWith::Now ? "real-time " : "");
        return false;
    }
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
