#include "sim/udp_replies.h"

#include <cstring>

namespace {

constexpr size_t HEADER = 14;
constexpr uint8_t PRINTER = 3;
constexpr uint8_t FUNCTION_STATUS = 0x20;
constexpr uint8_t FUNCTION_HANDSHAKE = 0x15;
constexpr uint8_t FUNCTION_RESET = 0x12;
constexpr uint8_t junk[] = {0x00, 0xFF, 'K', 'A'};  // also a false start of the magic

std::vector<uint8_t> packet(char letter, uint8_t function, uint8_t data) {
    std::vector<uint8_t> p = {'K', 'A', 'V', 'R', 'O', static_cast<uint8_t>(letter), PRINTER, 0, 0, function, 0, 0, 0, 1,
                              data};
    return p;
}

}  // namespace

std::vector<std::vector<uint8_t>> answer_control(std::span<const uint8_t> request, const PrinterState &state,
                                                 const UdpOptions &options, std::string *what) {
    *what = std::to_string(request.size()) + " bytes (unknown)";
    if (request.size() < HEADER || std::memcmp(request.data(), "KAVRO", 5) != 0 || request[6] != PRINTER ||
        request[7] != 0 || request[8] != 0)
        return {};
    size_t length = static_cast<size_t>(request[12]) << 8 | request[13];
    if (request.size() < HEADER + length) return {};
    const char letter = static_cast<char>(request[5]);
    const uint8_t function = request[9];
    std::vector<uint8_t> reply;
    if (letter == 'Q' && function == FUNCTION_STATUS) {
        bool ready = !is_offline(state);
        reply = packet('q', function, ready ? 0 : 1);
        *what = std::string("status query -> ") + (ready ? "ready" : "not ready");
    } else if (letter == 'C' && function == FUNCTION_HANDSHAKE && length == 1 && request[14] <= 1) {
        uint8_t echo = options.refuse ? 0 : request[14];
        reply = packet('c', function, echo);
        *what = std::string("handshake ") + (request[14] ? "off" : "on") + " -> " + (echo ? "01" : "00");
    } else if (letter == 'C' && function == FUNCTION_RESET) {
        reply = packet('c', function, 0);
        *what = "reset -> 00";
    } else {
        return {};
    }
    if (options.silent) {
        *what += " (silent)";
        return {};
    }
    if (!options.split) return {reply};
    std::vector<uint8_t> first(std::begin(junk), std::end(junk));
    first.insert(first.end(), reply.begin(), reply.begin() + 8);
    return {first, std::vector<uint8_t>(reply.begin() + 8, reply.end())};
}
