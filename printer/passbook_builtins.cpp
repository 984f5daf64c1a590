#include "printer/passbook_builtins.h"

#include <cstdio>
#include <string>

#include "base/port_ops.h"
#include "base/settings.h"
#include "core/builtin_args.h"
#include "printer/request.h"

namespace {

constexpr int32_t ESC = 0x1B, ENQ = 0x05;
constexpr uint8_t CANCELED_BYTE = 0xFF;

// The request, then count reply bytes in arrival order; a request that could
// not be sent is answered by nothing, so every byte reads as cancelled.
std::string exchange(const char *name, std::initializer_list<int32_t> request, size_t count) {
    std::string reply(count, static_cast<char>(CANCELED_BYTE));
    if (!send_command(name, request, SendWith::Queued)) return reply;
    for (char &b : reply) {
        int32_t c = current_port.port_recv_reply(WAIT_RAW);
        if (c >= 0 && c <= 255) b = static_cast<char>(c);
    }
    return reply;
}

NODE *third_byte(const std::string &reply) { return number_result(static_cast<uint8_t>(reply[2])); }

NODE *decimal(const std::string &reply) { return number_result(reply_decimal(std::string_view(reply).substr(2, 4))); }

constexpr struct {
    int bit;
    const char *text;
} esc_u_lines[] = {
    {2, "bit2: Printing is enabled when the operator button is pressed\n"},
    {1, "bit1: Operator 2 was pressed\n"},
    {0, "bit0: Operator 1 pressed\n"},
};

}  // namespace

int32_t reply_decimal(std::string_view bytes) {
    size_t i = 0;
    auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < bytes.size() && space(bytes[i])) ++i;
    bool negative = false;
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
    int32_t n = 0;
    for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i) n = n * 10 + (bytes[i] - '0');
    return negative ? -n : n;
}

NODE *do_PR2_ESC_SP_B(NODE *) { return text_result(exchange("PR2_ESC_SP_B", {ESC, 0x20, 0x42}, 6)); }
NODE *do_PR2_ESC_SP_a(NODE *) { return text_result(exchange("PR2_ESC_SP_a", {ESC, 0x20, 0x61}, 1)); }
NODE *do_PR2_ESC_SP_b(NODE *) { return text_result(exchange("PR2_ESC_SP_b", {ESC, 0x20, 0x62}, 17)); }

NODE *do_PR2_ESC_U(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    std::string reply = exchange("PR2_ESC_U", {ESC, 0x55, n}, 3);
    uint8_t bits = static_cast<uint8_t>(reply[2]);
    if (run_options.status_analyze_mode)
        for (const auto &line : esc_u_lines)
            if (bits & (1u << line.bit)) std::fputs(line.text, stdout);
    return number_result(bits);
}

NODE *do_PR2_ESC_Z(NODE *) { return third_byte(exchange("PR2_ESC_Z", {ESC, 0x5A}, 3)); }
NODE *do_PR2_ESC_i(NODE *) { return text_result(exchange("PR2_ESC_i", {ESC, 0x69}, 6)); }
NODE *do_PR2_ESC_j(NODE *) { return third_byte(exchange("PR2_ESC_j", {ESC, 0x6A}, 3)); }
NODE *do_PR2_ESC_MINUS(NODE *) { return decimal(exchange("PR2_ESC_MINUS", {ESC, 0x2D}, 6)); }
NODE *do_PR2_ESC_RBR_MINUS(NODE *) { return decimal(exchange("PR2_ESC_RBR_MINUS", {ESC, 0x7D, 0x2D}, 6)); }

NODE *do_ITHACA_ENQ(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    return text_result(exchange("ITHACA_ENQ", {ENQ, n}, 2));
}
