#include "sim/commands.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint8_t DLE = 0x10, ESC = 0x1B, FS = 0x1C, GS = 0x1D, US = 0x1F;

using R = Rule;
using Q = Request;

// Sorted by prefix, so the rows that share their first two bytes are
// neighbours (checked below).
constexpr CommandSpec rows[] = {
    {{0x09}, 1, R::Fixed, 0, Q::None, "HT"},
    {{0x0A}, 1, R::Fixed, 0, Q::LineFeed, "LF"},
    {{0x0C}, 1, R::Fixed, 0, Q::None, "FF"},
    {{0x0D}, 1, R::Fixed, 0, Q::None, "CR"},
    {{DLE, 0x04}, 2, R::StatusSelect, 0, Q::DleEot, "DLE EOT"},
    {{DLE, 0x05}, 2, R::Fixed, 1, Q::DleEnq, "DLE ENQ"},
    {{DLE, 0x14}, 2, R::Dc4Function, 0, Q::DleDc4, "DLE DC4"},
    {{DLE, 0x28}, 2, R::Selector16, 0, Q::None, "DLE ("},
    {{0x18}, 1, R::Fixed, 0, Q::None, "CAN"},
    {{ESC, 0x0C}, 2, R::Fixed, 0, Q::None, "ESC FF"},
    {{ESC, 0x20}, 2, R::Fixed, 1, Q::None, "ESC SP"},
    {{ESC, 0x21}, 2, R::Fixed, 1, Q::None, "ESC !"},
    {{ESC, 0x24}, 2, R::Fixed, 2, Q::None, "ESC $"},
    {{ESC, 0x25}, 2, R::Fixed, 1, Q::None, "ESC %"},
    {{ESC, 0x26}, 2, R::UserChars, 0, Q::None, "ESC &"},
    {{ESC, 0x28}, 2, R::Selector16, 0, Q::None, "ESC ("},
    {{ESC, 0x2A}, 2, R::ColumnImage, 0, Q::None, "ESC *"},
    {{ESC, 0x2D}, 2, R::Fixed, 1, Q::None, "ESC -"},
    {{ESC, 0x32}, 2, R::Fixed, 0, Q::None, "ESC 2"},
    {{ESC, 0x33}, 2, R::Fixed, 1, Q::None, "ESC 3"},
    {{ESC, 0x3C}, 2, R::Fixed, 0, Q::None, "ESC <"},
    {{ESC, 0x3D}, 2, R::Fixed, 1, Q::None, "ESC ="},
    {{ESC, 0x3F}, 2, R::Fixed, 1, Q::None, "ESC ?"},
    {{ESC, 0x40}, 2, R::Fixed, 0, Q::Initialize, "ESC @"},
    {{ESC, 0x44}, 2, R::NulEnded, 33, Q::None, "ESC D"},
    {{ESC, 0x45}, 2, R::Fixed, 1, Q::None, "ESC E"},
    {{ESC, 0x47}, 2, R::Fixed, 1, Q::None, "ESC G"},
    {{ESC, 0x4A}, 2, R::Fixed, 1, Q::None, "ESC J"},
    {{ESC, 0x4B}, 2, R::Fixed, 1, Q::None, "ESC K"},
    {{ESC, 0x4C}, 2, R::Fixed, 0, Q::None, "ESC L"},
    {{ESC, 0x4D}, 2, R::Fixed, 1, Q::None, "ESC M"},
    {{ESC, 0x52}, 2, R::Fixed, 1, Q::None, "ESC R"},
    {{ESC, 0x53}, 2, R::Fixed, 0, Q::None, "ESC S"},
    {{ESC, 0x54}, 2, R::Fixed, 1, Q::None, "ESC T"},
    {{ESC, 0x55}, 2, R::Fixed, 1, Q::None, "ESC U"},
    {{ESC, 0x56}, 2, R::Fixed, 1, Q::None, "ESC V"},
    {{ESC, 0x57}, 2, R::Fixed, 8, Q::None, "ESC W"},
    {{ESC, 0x5C}, 2, R::Fixed, 2, Q::None, "ESC \\"},
    {{ESC, 0x61}, 2, R::Fixed, 1, Q::None, "ESC a"},
    {{ESC, 0x63}, 2, R::Fixed, 2, Q::None, "ESC c"},
    {{ESC, 0x64}, 2, R::Fixed, 1, Q::FeedLines, "ESC d"},
    {{ESC, 0x65}, 2, R::Fixed, 1, Q::None, "ESC e"},
    {{ESC, 0x66}, 2, R::Fixed, 2, Q::None, "ESC f"},
    {{ESC, 0x69}, 2, R::Fixed, 0, Q::Cut, "ESC i"},
    {{ESC, 0x6A}, 2, R::Fixed, 1, Q::None, "ESC j"},
    {{ESC, 0x6D}, 2, R::Fixed, 0, Q::Cut, "ESC m"},
    {{ESC, 0x70}, 2, R::Fixed, 3, Q::DrawerPulse, "ESC p"},
    {{ESC, 0x72}, 2, R::Fixed, 1, Q::None, "ESC r"},
    {{ESC, 0x74}, 2, R::Fixed, 1, Q::None, "ESC t"},
    {{ESC, 0x75}, 2, R::Fixed, 1, Q::EscU, "ESC u"},
    {{ESC, 0x76}, 2, R::Fixed, 0, Q::EscV, "ESC v"},
    {{ESC, 0x7B}, 2, R::Fixed, 1, Q::None, "ESC {"},
    {{FS, 0x21}, 2, R::Fixed, 1, Q::None, "FS !"},
    {{FS, 0x26}, 2, R::Fixed, 0, Q::None, "FS &"},
    {{FS, 0x28}, 2, R::Selector16, 0, Q::None, "FS ("},
    {{FS, 0x28, 0x65}, 3, R::Length16, 0, Q::FsParenE, "FS ( e"},
    {{FS, 0x28, 0x67}, 3, R::Length16, 0, Q::FsParenG, "FS ( g"},
    {{FS, 0x28, 0x6A}, 3, R::Fixed, 1, Q::FsParenJ, "FS ( j"},
    {{FS, 0x2B}, 2, R::Fixed, 9, Q::FsPlus, "FS +"},
    {{FS, 0x2D}, 2, R::Fixed, 1, Q::None, "FS -"},
    {{FS, 0x2E}, 2, R::Fixed, 0, Q::None, "FS ."},
    {{FS, 0x32}, 2, R::Fixed, 74, Q::None, "FS 2"},
    {{FS, 0x43}, 2, R::Fixed, 1, Q::None, "FS C"},
    {{FS, 0x53}, 2, R::Fixed, 2, Q::None, "FS S"},
    {{FS, 0x57}, 2, R::Fixed, 1, Q::None, "FS W"},
    {{FS, 0x61}, 2, R::Fixed, 2, Q::FsA, "FS a"},
    {{FS, 0x62}, 2, R::Fixed, 0, Q::FsB, "FS b"},
    {{FS, 0x70}, 2, R::Fixed, 2, Q::None, "FS p"},
    {{FS, 0x71}, 2, R::NvImages, 0, Q::None, "FS q"},
    {{FS, 0x7C}, 2, R::Fixed, 7, Q::FsBar, "FS |"},
    {{GS, 0x05}, 2, R::Fixed, 0, Q::GsEnq, "GS ENQ"},
    {{GS, 0x21}, 2, R::Fixed, 1, Q::None, "GS !"},
    {{GS, 0x24}, 2, R::Fixed, 2, Q::None, "GS $"},
    {{GS, 0x28}, 2, R::Selector16, 0, Q::None, "GS ("},
    {{GS, 0x28, 0x47}, 3, R::Length16, 0, Q::GsParenG, "GS ( G"},
    {{GS, 0x2A}, 2, R::DownloadImage, 0, Q::None, "GS *"},
    {{GS, 0x2F}, 2, R::Fixed, 1, Q::None, "GS /"},
    {{GS, 0x38}, 2, R::Selector32, 0, Q::None, "GS 8"},
    {{GS, 0x3A}, 2, R::Fixed, 0, Q::None, "GS :"},
    {{GS, 0x42}, 2, R::Fixed, 1, Q::None, "GS B"},
    {{GS, 0x43}, 2, R::Counter, 0, Q::None, "GS C"},
    {{GS, 0x45}, 2, R::Fixed, 1, Q::None, "GS E"},
    {{GS, 0x48}, 2, R::Fixed, 1, Q::None, "GS H"},
    {{GS, 0x49}, 2, R::Fixed, 1, Q::GsI, "GS I"},
    {{GS, 0x4C}, 2, R::Fixed, 2, Q::None, "GS L"},
    {{GS, 0x50}, 2, R::Fixed, 2, Q::None, "GS P"},
    {{GS, 0x51, 0x30}, 3, R::RasterImage, 0, Q::None, "GS Q 0"},
    {{GS, 0x54}, 2, R::Fixed, 1, Q::None, "GS T"},
    {{GS, 0x56}, 2, R::Cut, 0, Q::Cut, "GS V"},
    {{GS, 0x57}, 2, R::Fixed, 2, Q::None, "GS W"},
    {{GS, 0x5C}, 2, R::Fixed, 2, Q::None, "GS \\"},
    {{GS, 0x5E}, 2, R::Fixed, 3, Q::None, "GS ^"},
    {{GS, 0x61}, 2, R::Fixed, 1, Q::GsA, "GS a"},
    {{GS, 0x62}, 2, R::Fixed, 1, Q::None, "GS b"},
    {{GS, 0x63}, 2, R::Fixed, 0, Q::None, "GS c"},
    {{GS, 0x66}, 2, R::Fixed, 1, Q::None, "GS f"},
    {{GS, 0x67}, 2, R::Fixed, 4, Q::GsG, "GS g"},
    {{GS, 0x68}, 2, R::Fixed, 1, Q::None, "GS h"},
    {{GS, 0x6A}, 2, R::Fixed, 1, Q::GsJ, "GS j"},
    {{GS, 0x6B}, 2, R::Barcode, 0, Q::None, "GS k"},
    {{GS, 0x72}, 2, R::Fixed, 1, Q::GsR, "GS r"},
    {{GS, 0x76, 0x30}, 3, R::RasterImage, 0, Q::None, "GS v 0"},
    {{GS, 0x77}, 2, R::Fixed, 1, Q::None, "GS w"},
    {{US, 0x76}, 2, R::Fixed, 1, Q::None, "US v"},
};

constexpr bool rows_sorted() {
    for (size_t i = 1; i < std::size(rows); ++i) {
        const CommandSpec &a = rows[i - 1], &b = rows[i];
        if (std::lexicographical_compare(b.prefix, b.prefix + b.prefix_len, a.prefix,
                                         a.prefix + a.prefix_len))
            return false;
    }
    return true;
}
static_assert(rows_sorted(), "command rows must be sorted by prefix");

// Stand-ins for an introducer followed by a byte that starts no row.
constexpr CommandSpec unknown_rows[] = {
    {{DLE}, 1, R::Fixed, 1, Q::None, "DLE", false}, {{ESC}, 1, R::Fixed, 1, Q::None, "ESC", false},
    {{FS}, 1, R::Fixed, 1, Q::None, "FS", false},   {{GS}, 1, R::Fixed, 1, Q::None, "GS", false},
    {{US}, 1, R::Fixed, 1, Q::None, "US", false},
};

const CommandSpec &unknown_row(uint8_t introducer) {
    for (const CommandSpec &row : unknown_rows)
        if (row.prefix[0] == introducer) return row;
    return unknown_rows[1];
}

// For each first byte, the rows that begin with it: [begin, end).
struct StartTable {
    std::array<uint8_t, 256> begin{}, end{};
    StartTable() {
        for (size_t i = std::size(rows); i-- > 0;) {
            uint8_t first = rows[i].prefix[0];
            if (end[first] == 0) end[first] = static_cast<uint8_t>(i + 1);
            begin[first] = static_cast<uint8_t>(i);
        }
    }
};
static_assert(std::size(rows) < 256);
const StartTable start_table;

uint16_t le16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// The walk of rules whose length hangs on counts spread through the data.
uint64_t user_chars_need(std::span<const uint8_t> b, size_t at) {
    if (b.size() < at + 3) return at + 3;
    uint64_t y = b[at], first = b[at + 1], last = b[at + 2];
    uint64_t pos = at + 3;
    for (uint64_t c = first; c <= last; ++c) {
        if (b.size() <= pos) return pos + 1;
        pos += 1 + y * b[pos];
    }
    return pos;
}

uint64_t nv_images_need(std::span<const uint8_t> b, size_t at) {
    if (b.size() < at + 1) return at + 1;
    uint64_t pos = at + 1;
    for (unsigned i = 0; i < b[at]; ++i) {
        if (b.size() < pos + 4) return pos + 4;
        pos += 4 + uint64_t{le16(b, pos)} * le16(b, pos + 2) * 8;
    }
    return pos;
}

uint64_t nul_ended_need(std::span<const uint8_t> b, size_t at, size_t most) {
    for (size_t i = at; i < b.size(); ++i)
        if (b[i] == 0 || i + 1 - at >= most) return i + 1;
    return b.size() + 1;
}

template <size_t N>
bool one_of(uint8_t v, const uint8_t (&set)[N]) {
    return std::find(set, set + N, v) != set + N;
}

}  // namespace

std::span<const CommandSpec> command_table() { return rows; }

bool starts_command(uint8_t byte) { return start_table.end[byte] != 0; }

Lookup lookup_command(std::span<const uint8_t> bytes) {
    uint8_t first = bytes[0];
    std::span<const CommandSpec> group(rows + start_table.begin[first], rows + start_table.end[first]);
    if (group.size() == 1 && group[0].prefix_len == 1) return {&group[0], 1};
    if (bytes.size() < 2) return {nullptr, 2};
    const CommandSpec *two = nullptr;
    bool three_exists = false;
    for (const CommandSpec &row : group) {
        if (row.prefix_len < 2 || row.prefix[1] != bytes[1]) continue;
        if (row.prefix_len == 2) two = &row;
        if (row.prefix_len == 3) {
            three_exists = true;
            if (bytes.size() >= 3 && row.prefix[2] == bytes[2]) return {&row, 3};
        }
    }
    if (three_exists && bytes.size() < 3) return {nullptr, 3};
    if (two) return {two, 2};
    return {&unknown_row(first), 2};
}

uint64_t command_need(const CommandSpec &spec, std::span<const uint8_t> b) {
    const size_t at = spec.prefix_len;  // first byte after the prefix
    auto have = [&](size_t n) { return b.size() >= at + n; };
    switch (spec.rule) {
    case Rule::Fixed:
        return at + spec.arg;
    case Rule::NulEnded:
        return nul_ended_need(b, at, spec.arg);
    case Rule::Length16:
        return have(2) ? at + 2 + le16(b, at) : at + 2;
    case Rule::Selector16:
        return have(3) ? at + 3 + le16(b, at + 1) : at + 3;
    case Rule::Selector32:
        if (!have(5)) return at + 5;
        return at + 5 + (uint64_t{le16(b, at + 1)} | uint64_t{le16(b, at + 3)} << 16);
    case Rule::ColumnImage:
        if (!have(3)) return at + 3;
        return at + 3 + uint64_t{le16(b, at + 1)} * (b[at] <= 1 ? 1 : 3);
    case Rule::DownloadImage:
        return have(2) ? at + 2 + uint64_t{b[at]} * b[at + 1] * 8 : at + 2;
    case Rule::RasterImage:
        return have(5) ? at + 5 + uint64_t{le16(b, at + 1)} * le16(b, at + 3) : at + 5;
    case Rule::Barcode:
        if (!have(1)) return at + 1;
        if (b[at] <= 6) return nul_ended_need(b, at + 1, 256);
        return have(2) ? at + 2 + b[at + 1] : at + 2;
    case Rule::UserChars:
        return user_chars_need(b, at);
    case Rule::NvImages:
        return nv_images_need(b, at);
    case Rule::StatusSelect: {
        static constexpr uint8_t longer[] = {0, 7, 8};
        if (!have(1)) return at + 1;
        return one_of(b[at], longer) ? at + 2 : at + 1;
    }
    case Rule::Dc4Function:
        if (!have(1)) return at + 1;
        switch (b[at]) {
        case 1: case 2: return at + 3;
        case 7: return at + 2;
        case 8: return at + 8;
        default: return at + 1;
        }
    case Rule::Cut: {
        static constexpr uint8_t with_n[] = {65, 66, 97, 98, 103, 104};
        if (!have(1)) return at + 1;
        return one_of(b[at], with_n) ? at + 2 : at + 1;
    }
    case Rule::Counter:
        if (!have(1)) return at + 1;
        switch (b[at]) {
        case 0: case 0x30: case 2: case 0x32: return at + 3;
        case 1: case 0x31: return at + 7;
        default: return at + 1;
        }
    }
    return at;
}

std::string command_name(const CommandSpec &spec, std::span<const uint8_t> bytes) {
    std::string name = spec.name;
    bool selector = spec.rule == Rule::Selector16 || spec.rule == Rule::Selector32;
    if (selector && bytes.size() > spec.prefix_len) {
        uint8_t s = bytes[spec.prefix_len];
        name += ' ';
        if (s > 0x20 && s < 0x7F)
            name += static_cast<char>(s);
        else
            name += std::to_string(s);
    }
    return name;
}
