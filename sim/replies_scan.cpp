#include "sim/replies_scan.h"

#include <algorithm>
#include <iterator>

#include "sim/control.h"
#include "sim/replies.h"

namespace {

constexpr uint8_t ACK = 0x06;
constexpr uint8_t WAVE_PROMPT = 0x81;
constexpr uint8_t LAST = 0x40;
constexpr uint8_t MORE = 0x41;
constexpr long max_side = 9999;  // so the size information fits its 29 bytes
constexpr size_t hex_block_max = 254;  // a block reply holds 512 bytes after its header
constexpr size_t wave_group = 40;

std::string hex_text(const uint8_t *bytes, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

Reply raw_block(uint8_t kind, std::string_view data, std::string what) {
    Reply r;
    r.bytes = {'S', 0x00, kind, static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
    for (char ch : data) r.bytes.push_back(static_cast<uint8_t>(ch));
    r.what = std::move(what);
    return r;
}

// Header 5F, an unused byte, the block kind, the text, NUL.
Reply kind_block(uint8_t kind, std::string_view text, std::string what) {
    Reply r = block_reply(std::string("0") + static_cast<char>(kind) + std::string(text));
    r.what = std::move(what);
    return r;
}

Reply with_wait(Reply r, uint8_t byte) {
    r.await = byte;
    return r;
}

std::string size_information(const ScanSettings &s) {
    auto n = [](long v) { return std::to_string(v) + '\x1F'; };
    std::string text = "S00\x1F" + n(0) + n(0) + n(s.width - 1) + n(s.height - 1) + n(s.width) +
                       std::to_string(s.height);
    return text;
}

const std::string file_information = "F00\x1FSCAN0001.BMP";

void scan_transfer(const ScanSettings &s, Replies &out) {
    const char *style = s.ncr ? "NCR " : "";
    // NCR scanners send their information as block replies in both encodings.
    auto info = [&](const std::string &text, const char *name) {
        std::string what = std::string(style) + name + " information";
        if (s.hex || s.ncr) return with_wait(kind_block(LAST, text, what), ACK);
        return with_wait(raw_block(LAST, text, what), ACK);
    };
    out.push_back(info(file_information, "file"));
    out.push_back(info(size_information(s), "size"));
    std::vector<uint8_t> picture = scan_picture(s);
    size_t per_block = static_cast<size_t>(s.block);
    if (s.hex) per_block = std::min(per_block, hex_block_max);
    size_t blocks = std::max<size_t>(1, (picture.size() + per_block - 1) / per_block);
    size_t sent = s.jam > 0 ? std::min(blocks, static_cast<size_t>(s.jam)) : blocks;
    for (size_t k = 0; k < sent; ++k) {
        size_t from = k * per_block, n = std::min(per_block, picture.size() - from);
        bool last = k + 1 == blocks;
        std::string what = std::string(style) + "data block " + std::to_string(k + 1) + "/" +
                           std::to_string(blocks) + " " + std::to_string(n) + " bytes";
        std::string_view data(reinterpret_cast<const char *>(picture.data()) + from, n);
        Reply r = s.hex ? kind_block(last ? LAST : MORE, hex_text(picture.data() + from, n), what)
                        : raw_block(last ? LAST : MORE, data, what);
        // No ACK follows the last NCR block.
        out.push_back(last && s.ncr ? r : with_wait(std::move(r), ACK));
    }
}

void text_blocks(uint8_t n, Replies &out) {
    const std::string lines[] = {"stored text " + std::to_string(n) + "\r\n", "line 2\r\n", "end\r\n"};
    for (size_t i = 0; i < std::size(lines); ++i)
        out.push_back(kind_block(i + 1 == std::size(lines) ? LAST : MORE, lines[i], "text block"));
}

// An echo of the request, so a test sees what arrived: "G61:0201".
void echo_block(const Command &c, Replies &out) {
    std::span<const uint8_t> p = c.params();
    std::string text = "G";
    text += std::to_string(c.param(2)) + ":";
    if (p.size() > 3) text += hex_text(p.data() + 3, std::min<size_t>(p.size() - 3, 200));
    out.push_back(block_reply(text));
}

}  // namespace

bool set_scan_setting(ScanSettings &s, std::string_view assignment, std::string *error) {
    size_t eq = assignment.find('=');
    std::string_view name = assignment.substr(0, eq), value = eq == std::string_view::npos ? "" : assignment.substr(eq + 1);
    long a = 0, b = 0;
    if (name == "size") {
        size_t x = value.find('x');
        if (x != std::string_view::npos && parse_count(value.substr(0, x), max_side, &a) &&
            parse_count(value.substr(x + 1), max_side, &b) && a > 0 && b > 0) {
            s.width = a;
            s.height = b;
            return true;
        }
        *error = "bad scan size '" + std::string(value) + "' (WxH, 1 to 9999 each)";
        return false;
    }
    if (name == "block") {
        if (parse_count(value, 65535, &a) && a > 0) return s.block = a, true;
        *error = "bad scan block '" + std::string(value) + "' (1 to 65535 bytes)";
        return false;
    }
    if (name == "encoding" && (value == "raw" || value == "hex")) return s.hex = value == "hex", true;
    if (name == "protocol" && (value == "standard" || value == "ncr")) return s.ncr = value == "ncr", true;
    if (name == "jam" && parse_count(value, 1L << 30, &a)) return s.jam = a, true;
    if (name == "wave" && parse_count(value, 65535, &a)) return s.wave = a, true;
    *error = "bad scan setting '" + std::string(assignment) +
             "' (size=WxH, block=N, encoding=raw|hex, protocol=standard|ncr, jam=N, wave=N)";
    return false;
}

std::string describe_scan_settings(const ScanSettings &s) {
    return "size=" + std::to_string(s.width) + "x" + std::to_string(s.height) + " block=" + std::to_string(s.block) +
           " encoding=" + (s.hex ? "hex" : "raw") + " protocol=" + (s.ncr ? "ncr" : "standard") +
           " jam=" + std::to_string(s.jam) + " wave=" + std::to_string(s.wave);
}

std::vector<uint8_t> scan_picture(const ScanSettings &s) {
    const size_t w = static_cast<size_t>(s.width), h = static_cast<size_t>(s.height);
    const size_t line = (w + 3) / 4 * 4;
    std::vector<uint8_t> bytes(line * h, 0);
    for (size_t row = 0; row < h; ++row) {
        size_t y = h - 1 - row;
        for (size_t x = 0; x < w; ++x) bytes[row * line + x] = static_cast<uint8_t>(3 * x + 5 * y);
    }
    return bytes;
}

// GS ( G pL pH fn ...
void answer_gs_paren_g(ScanSettings &s, const Command &c, Replies &out) {
    if (c.params().size() < 3) return;
    switch (c.param(2)) {
    case 0x20: case 0x3C: case 0x3D: case 0x40: case 0x43: case 0x47:
        echo_block(c, out);
        break;
    case 0x41: case 0x42:
        scan_transfer(s, out);
        break;
    case 0x46:
        text_blocks(c.param(3), out);
        break;
    default:  // 0x50 and the rest: settings this scanner takes silently
        break;
    }
}

// FS ( g pL pH 3C d: the encoding of the next scan (30 raw, 31 hex).
void answer_fs_paren_g(ScanSettings &s, const Command &c, Replies &) {
    if (c.param(2) != 0x3C) return;
    if (c.param(3) == 0x30 || c.param(3) == 0x31) s.hex = c.param(3) == 0x31;
}

// FS | 7F 4B 65 9A B2 00 00: "U", 2 bytes, the length, the data, a last byte.
void answer_wave(const ScanSettings &s, const Command &, Replies &out) {
    std::vector<uint8_t> data(static_cast<size_t>(s.wave));
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0x80 + 7 * i);
    const uint8_t head[4] = {0x57, 0x56, static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
    const uint8_t last = 0x45;
    Reply r;
    r.what = "wave record " + std::to_string(data.size()) + " bytes";
    r.bytes = {'U'};
    if (!s.hex) {
        r.bytes.insert(r.bytes.end(), head, head + 4);
        for (char ch : data) r.bytes.push_back(static_cast<uint8_t>(ch));
        r.bytes.push_back(last);
        out.push_back(std::move(r));
        return;
    }
    auto append_hex = [](Reply &to, const uint8_t *b, size_t n) {
        std::string text = hex_text(b, n);
        to.bytes.insert(to.bytes.end(), text.begin(), text.end());
    };
    append_hex(r, head, 4);
    for (size_t from = 0; from < data.size(); from += wave_group) {
        out.push_back(with_wait(std::move(r), WAVE_PROMPT));
        size_t n = std::min(wave_group, data.size() - from);
        r = Reply{};
        r.what = "wave data " + std::to_string(from) + ".." + std::to_string(from + n - 1);
        append_hex(r, data.data() + from, n);
    }
    r.bytes.push_back(last);
    out.push_back(std::move(r));
}
