#include "platform/sockets.h"

#include <cstdio>

bool ipv4_from_text(const std::string &text, Ipv4 *out) {
    Ipv4 bytes{};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
        size_t start = pos;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
            value = value * 10 + (text[pos++] - '0');
        if (pos == start || value > 255) return false;
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
    }
    if (pos != text.size()) return false;
    if (out) *out = bytes;
    return true;
}

std::string ipv4_text(const Ipv4 &address) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
    return text;
}
