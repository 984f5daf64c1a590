#include "printer/status_builtins.h"

#include "base/diag.h"
#include "base/port_ops.h"
#include "base/settings.h"
#include "core/builtin_args.h"
#include "printer/request.h"
#include "printer/status_stores.h"
#include "printer/status_texts.h"

namespace {

constexpr int32_t DLE = 0x10, ESC = 0x1B, FS = 0x1C, GS = 0x1D, US = 0x1F;

// A reply byte decoded with -v. A cancelled wait (-1) or a byte taken for
// received data (256) is no status byte, so nothing is decoded for it.
NODE *byte_result(int32_t reply, StatusDecoder decode) {
    if (decode && run_options.status_analyze_mode && reply >= 0 && reply <= 255)
        show_status_everywhere(decode, static_cast<uint8_t>(reply));
    return number_result(reply);
}

// The command's fixed bytes, then the argument's byte.
int32_t ask_with(const char *name, std::initializer_list<int32_t> prefix, int32_t n, SendWith how, int32_t mode) {
    if (!send_command(name, prefix, how) || !send_command(name, {n}, how)) return REQUEST_NOT_SENT;
    return current_port.port_recv_reply(mode);
}

// Builtins of one numeric argument that ask for one reply byte.
NODE *ask_byte(NODE *list, const char *name, std::initializer_list<int32_t> prefix, SendWith how,
               StatusDecoder (*decoder_for)(int32_t n)) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    int32_t reply = ask_with(name, prefix, n, how, WAIT_BYTE);
    return byte_result(reply, decoder_for ? decoder_for(n) : nullptr);
}

StatusDecoder real_time_decoder(int32_t n) {
    constexpr StatusDecoder by_n[] = {show_printer_status,    show_offline_status, show_error_status,
                                      show_roll_paper_status, show_slip_status,    show_validation_status};
    return n >= 1 && n <= 6 ? by_n[n - 1] : nullptr;
}

StatusDecoder drawer_decoder(int32_t n) { return n == 0 || n == 0x30 ? show_drawer_status : nullptr; }

// GS a and GS j with n = 0 switch the automatic status off: nothing will come.
NODE *ask_status(NODE *list, const char *name, int32_t command, int32_t mode, const uint8_t *store) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    if ((n & 0xFF) == 0)
        send_command(name, {GS, command, n}, SendWith::Queued);
    else
        request_reply(name, {GS, command, n}, SendWith::Queued, mode);
    return status_result(store);
}

// Block requests: the text of the block that answers, without its NUL.
NODE *ask_block(const char *name, std::initializer_list<int32_t> bytes) {
    request_reply(name, bytes, SendWith::Queued, WAIT_BLOCK);
    return block_text_result(false);
}

NODE *one_number_block(NODE *list, const char *name, std::initializer_list<int32_t> prefix) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    ask_with(name, prefix, n, SendWith::Queued, WAIT_BLOCK);
    return block_text_result(false);
}

}  // namespace

NODE *do_word(NODE *list) {
    BuiltinArgs args(list);
    uint32_t n = static_cast<uint32_t>(arg_number(args));
    char bytes[2] = {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF)};
    return make_temp_string(bytes, sizeof bytes);
}

NODE *do_dword(NODE *list) {
    BuiltinArgs args(list);
    uint32_t n = static_cast<uint32_t>(arg_number(args));
    char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    return make_temp_string(bytes, sizeof bytes);
}

NODE *do_asb(NODE *) { return status_result(last_asb); }
NODE *do_inkasb(NODE *) { return status_result(last_ink_asb); }
NODE *do_exasb(NODE *) { return status_result(last_ext_asb); }

NODE *do_blockstatus(NODE *) {
    current_port.port_recv_reply(WAIT_BLOCK);
    return block_text_result(false);
}

NODE *do_GS_a(NODE *list) { return ask_status(list, "GS_a", 0x61, WAIT_ASB, last_asb); }
NODE *do_GS_j(NODE *list) { return ask_status(list, "GS_j", 0x6A, WAIT_INK_ASB, last_ink_asb); }

NODE *do_DLE_DC4(NODE *list) {
    BuiltinArgs args(list);
    int32_t fn = arg_number(args);
    int32_t a = arg_number(args);
    int32_t b = arg_number(args);
    if (unwinding()) return null_string;
    bool sent;
    switch (fn) {
    case 1: sent = send_command("DLE_DC4", {DLE, 0x14, 1, a, b}, SendWith::Now); break;
    case 2: sent = send_command("DLE_DC4", {DLE, 0x14, 2, 1, 8}, SendWith::Now); break;
    case 7: sent = send_command("DLE_DC4", {DLE, 0x14, 7, a}, SendWith::Now); break;
    case 8: sent = send_command("DLE_DC4", {DLE, 0x14, 8, 1, 3, 0x14, 1, 6, 2, 8}, SendWith::Now); break;
    default: return number_result(0);
    }
    return number_result(sent ? 1 : REQUEST_NOT_SENT);
}

NODE *do_DLE_ENQ(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    return number_result(send_command("DLE_ENQ", {DLE, 0x05, n}, SendWith::Now) ? 1 : REQUEST_NOT_SENT);
}

NODE *do_DLE_EOT(NODE *list) { return ask_byte(list, "DLE_EOT", {DLE, 0x04}, SendWith::Now, real_time_decoder); }
NODE *do_DLE_EOT_BEL(NODE *list) { return ask_byte(list, "DLE_EOT_BEL", {DLE, 0x04, 7}, SendWith::Now, nullptr); }
NODE *do_DLE_EOT_BS(NODE *list) { return ask_byte(list, "DLE_EOT_BS", {DLE, 0x04, 8}, SendWith::Now, nullptr); }
NODE *do_DLE_EOT_NUL(NODE *list) { return ask_byte(list, "DLE_EOT_NUL", {DLE, 0x04, 0}, SendWith::Now, nullptr); }
NODE *do_ESC_u(NODE *list) { return ask_byte(list, "ESC_u", {ESC, 0x75}, SendWith::Queued, drawer_decoder); }

NODE *do_ESC_v(NODE *) {
    return byte_result(request_reply("ESC_v", {ESC, 0x76}, SendWith::Queued, WAIT_BYTE), show_paper_sensor_status);
}

NODE *do_GS_ENQ(NODE *) {
    return byte_result(request_reply("GS_ENQ", {GS, 0x05}, SendWith::Now, WAIT_BYTE), show_gs_enq_status);
}

NODE *do_FS_LP_e(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    // As for GS a 0 and GS j 0: no status follows a switch-off, so none is awaited.
    if ((n & 0xFF) == 0)
        send_command("FS_LP_e", {FS, 0x28, 0x65, 2, 0, 0x33, n}, SendWith::Queued);
    else
        request_reply("FS_LP_e", {FS, 0x28, 0x65, 2, 0, 0x33, n}, SendWith::Queued, WAIT_EXT_ASB);
    return status_result(last_ext_asb);
}

NODE *do_FS_LP_j(NODE *list) { return one_number_block(list, "FS_LP_j", {FS, 0x28, 0x6A}); }
NODE *do_FS_a0(NODE *list) { return one_number_block(list, "FS_a0", {FS, 0x61, 0x30}); }
NODE *do_FS_b(NODE *) { return ask_block("FS_b", {FS, 0x62}); }

NODE *do_FS_PLUS(NODE *list) {
    BuiltinArgs args(list);
    int32_t a = arg_number(args);
    uint32_t b = static_cast<uint32_t>(arg_number(args));
    uint32_t c = static_cast<uint32_t>(arg_number(args));
    if (unwinding()) return null_string;
    auto byte = [](uint32_t v, int i) { return static_cast<int32_t>((v >> (8 * i)) & 0xFF); };
    request_reply("FS_PLUS",
                  {FS, 0x2B, a, byte(b, 0), byte(b, 1), byte(b, 2), byte(b, 3), byte(c, 0), byte(c, 1), byte(c, 2),
                   byte(c, 3)},
                  SendWith::Queued, WAIT_ACK_RECORDS);
    return block_text_result(false);
}

NODE *do_GS_I(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    if (!send_command("GS_I", {GS, 0x49, n}, SendWith::Queued)) return number_result(REQUEST_NOT_SENT);
    if ((n >= 0 && n <= 9) || (n >= 0x30 && n <= 0x39)) return number_result(current_port.port_recv_reply(WAIT_BYTE));
    if ((n >= 0x20 && n <= 0x22) || (n >= 0x41 && n <= 0x45) || (n >= 0x70 && n <= 0x7A)) {
        current_port.port_recv_reply(WAIT_BLOCK);
        return block_text_result(false);
    }
    fatal("invalid GS_I() parameter");
}

NODE *do_GS_g2(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    int32_t x = arg_number(args);
    if (unwinding()) return null_string;
    request_reply("GS_g2", {GS, 0x67, 0x32, n, x, x >> 8}, SendWith::Queued, WAIT_BLOCK);
    return block_text_result(true);
}

NODE *do_US_v(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    send_command("US_v", {US, 0x76, n}, SendWith::Queued);
    return number_result(1);
}

NODE *do_GS_r(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    if (!send_command("GS_r", {GS, 0x72, n}, SendWith::Queued)) return number_result(REQUEST_NOT_SENT);
    constexpr StatusDecoder by_n[] = {show_paper_sensor_status, show_drawer_status, show_slip_paper_code,
                                      show_ink_status, show_scan_sensor_status};
    int32_t k = n >= 0x31 && n <= 0x35 ? n - 0x30 : n;
    if (k >= 1 && k <= 5) return byte_result(current_port.port_recv_reply(WAIT_BYTE), by_n[k - 1]);
    if (n < 0x50 || n > 0x52) return number_result(-1);
    current_port.port_recv_reply(WAIT_BLOCK);
    if (n == 0x50 && run_options.status_analyze_mode) show_slip_rest_dots_everywhere(block_text());
    return block_text_result(false);
}
