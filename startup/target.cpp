#include "startup/target.h"

#include <strings.h>

#include <cctype>
#include <cstring>
#include <string>

#include "base/settings.h"
#include "ports/target_table.h"
#include "startup/options.h"

namespace {

struct RowMatch {
    int row;         // -1: no named row matched
    int32_t number;  // the digits after the prefix, or the row's default
};

bool all_digits(const char *text) {
    for (; *text; ++text)
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    return true;
}

RowMatch match_named_row(const char *text) {
    for (int row = 0; target_table[row].name; ++row) {
        const TargetEntry &e = target_table[row];
        size_t n = std::strlen(e.name);
        if (strncasecmp(text, e.name, n) != 0) continue;
        const char *rest = text + n;
        if (*rest == '\0') return {row, e.default_number};
        if (all_digits(rest)) return {row, leading_number(rest)};
    }
    return {-1, -1};
}

}  // namespace

void select_target(const char *text) {
    run_options.target.name = text;
    RowMatch match = match_named_row(text);
    int row = FILE_ROW;
    if (match.row >= 0) {
        row = match.row;
        run_options.target.kind = target_table[row].kind;
        run_options.target.number = match.number;
    }
    switch (run_options.target.kind) {
    case PortKind::File:
        if (parse_ipv4(text, &run_options.target.ip)) {
            row = ETHERNET_ROW;
            run_options.target.kind = PortKind::Ethernet;
        }
        break;
    case PortKind::Serial:
    case PortKind::Parallel:
        if (run_options.target.number == 0) run_options.target.number = 1;
        break;
    case PortKind::Usb:
        if (text[0] == 'V' || text[0] == 'v') run_options.target.number += 1000;
        break;
    default:
        break;
    }
    current_port = *target_table[row].ops;
}

bool is_port_target(const char *text) {
    return match_named_row(text).row >= 0 || parse_ipv4(text, nullptr);
}

bool parse_ipv4(const char *text, std::array<uint8_t, 4> *out) {
    if (!text || std::strlen(text) > 15) return false;
    std::string copy = text;
    std::array<uint8_t, 4> bytes{};
    int pieces = 0;
    size_t pos = 0;
    while ((pos = copy.find_first_not_of('.', pos)) != std::string::npos) {
        size_t end = copy.find('.', pos);
        int32_t value = leading_number(copy.substr(pos, end - pos).c_str());
        if (value < 0 || value > 255 || pieces == 4) return false;
        bytes[pieces++] = static_cast<uint8_t>(value);
        pos = end;
    }
    if (pieces != 4) return false;
    if (out) *out = bytes;
    return true;
}
