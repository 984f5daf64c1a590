// Key decoding shared by both systems: VT sequences from a byte stream.
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/console_decode.h"

namespace {

struct VtKey {
    std::string_view sequence;  // after the ESC
    uint8_t first;
    uint8_t scan;
};

constexpr VtKey vt_keys[] = {
    {"[A", 224, 0x48}, {"[B", 224, 0x50}, {"[C", 224, 0x4D}, {"[D", 224, 0x4B},
    {"[H", 224, 0x47}, {"[F", 224, 0x4F}, {"OA", 224, 0x48}, {"OB", 224, 0x50},
    {"OC", 224, 0x4D}, {"OD", 224, 0x4B}, {"OH", 224, 0x47}, {"OF", 224, 0x4F},
    {"[1~", 224, 0x47}, {"[2~", 224, 0x52}, {"[3~", 224, 0x53}, {"[4~", 224, 0x4F},
    {"[5~", 224, 0x49}, {"[6~", 224, 0x51}, {"[7~", 224, 0x47}, {"[8~", 224, 0x4F},
    {"OP", 0, 0x3B}, {"OQ", 0, 0x3C}, {"OR", 0, 0x3D}, {"OS", 0, 0x3E},
    {"[11~", 0, 0x3B}, {"[12~", 0, 0x3C}, {"[13~", 0, 0x3D}, {"[14~", 0, 0x3E},
    {"[15~", 0, 0x3F}, {"[17~", 0, 0x40}, {"[18~", 0, 0x41}, {"[19~", 0, 0x42},
    {"[20~", 0, 0x43}, {"[21~", 0, 0x44},
};

constexpr size_t kMaxSequence = 8;

bool have_bytes(std::deque<unsigned char> &pending, MoreBytes more, size_t n) {
    while (pending.size() < n) {
        if (!more()) return false;
    }
    return true;
}

// "[1;5A" -> "[A", "[3;5~" -> "[3~": modifiers do not change the key.
std::string strip_modifiers(const std::string &seq) {
    size_t semi = seq.find(';');
    if (semi == std::string::npos) return seq;
    char final_byte = seq.back();
    if (final_byte == '~') return seq.substr(0, semi) + "~";
    return std::string("[") + final_byte;
}

// Decodes the bytes after an ESC; false when they form no key we know.
bool decode_escape(std::deque<unsigned char> &pending, MoreBytes more, Key &key) {
    if (!have_bytes(pending, more, 1) || (pending[0] != '[' && pending[0] != 'O')) {
        key = {KEY_ESC, -1};
        return true;
    }
    std::string seq(1, static_cast<char>(pending[0]));
    size_t used = 1;
    while (seq.size() < kMaxSequence && have_bytes(pending, more, used + 1)) {
        unsigned char c = pending[used++];
        seq.push_back(static_cast<char>(c));
        if (seq[0] == 'O' || (c >= 0x40 && c <= 0x7E)) break;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
    std::string plain = strip_modifiers(seq);
    for (const VtKey &k : vt_keys) {
        if (k.sequence == plain) {
            key = {k.first, k.scan};
            return true;
        }
    }
    return false;
}

}  // namespace

bool take_key(std::deque<unsigned char> &pending, MoreBytes more, Key &key) {
    while (!pending.empty()) {
        unsigned char b = pending.front();
        pending.pop_front();
        if (b != KEY_ESC) {
            key = {b, -1};
            return true;
        }
        if (decode_escape(pending, more, key)) return true;
    }
    return false;
}

std::string take_line(std::deque<unsigned char> &pending, size_t max_chars, MoreBytes wait_more) {
    std::string line;
    for (;;) {
        while (!pending.empty()) {
            unsigned char c = pending.front();
            pending.pop_front();
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return line;
            }
            if (line.size() < max_chars) line.push_back(static_cast<char>(c));
        }
        if (!wait_more()) return line;
    }
}
