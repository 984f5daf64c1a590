// The reply logic's information blocks (FS ( j, FS a 0, FS b), the record
// block of FS + with its acknowledgements, and the emulated command sets'
// requests (passbook PR2, Ithaca ENQ n).
#include <algorithm>
#include <cstdio>

#include "sim/replies.h"

namespace {

constexpr uint8_t ESC = 0x1B, ENQ = 0x05;
constexpr size_t max_records = 16;

enum Emulation : uint8_t { None, Pr2, Ithaca };

const char *slip_word(const PrinterState &s) { return state_fields()[size_t(Field::Slip)].words[s[Field::Slip]]; }

// One record: a 4-byte head whose third and fourth bytes give the data
// length ((r2 - 33h) * 16 + r3) * 2 = 8, then 8 bytes of text.
std::vector<uint8_t> record(uint32_t k) {
    char data[16];
    std::snprintf(data, sizeof data, "REC%05u", static_cast<unsigned>(k % 100000));
    std::vector<uint8_t> r = {'R', static_cast<uint8_t>('0' + k % 10), 0x33, 0x04};
    for (int i = 0; i < 8; ++i) r.push_back(static_cast<uint8_t>(data[i]));
    return r;
}

uint32_t le32(const Command &c, size_t from) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= uint32_t{c.param(from + i)} << (8 * i);
    return v;
}

// "  12": a right-aligned 4-character decimal, as the passbook counters read.
std::string four_digits(uint32_t n) {
    char text[8];
    std::snprintf(text, sizeof text, "%4u", static_cast<unsigned>(n % 10000));
    return text;
}

Reply raw_reply(std::string_view bytes) {
    return {{bytes.begin(), bytes.end()}, std::to_string(bytes.size()) + " bytes"};
}

}  // namespace

void ReplyLogic::info_block(const Command &c, Replies &out) {
    std::string data;
    switch (c.spec->request) {
    case Request::FsParenJ: data = "j", data += std::to_string(c.param(0)); break;
    case Request::FsA: data = "a", data += std::to_string(c.param(1)); break;
    default: data = "b"; break;
    }
    out.push_back(block_reply(data + " " + slip_word(state_)));
}

// FS + a b c: records b to c (at least one, at most 16).
void ReplyLogic::record_block(const Command &c, Replies &out) {
    uint32_t first = le32(c, 1), last = le32(c, 5);
    size_t count = last < first ? 1 : static_cast<size_t>(std::min<uint64_t>(uint64_t{last} - first + 1, max_records));
    records_.clear();
    Reply head;
    head.bytes = {0x5F, '0'};
    std::vector<uint8_t> r = record(first);
    head.bytes.insert(head.bytes.end(), r.begin(), r.end());
    head.what = "block of " + std::to_string(count) + " records, record 1";
    out.push_back(head);
    for (size_t i = 1; i < count; ++i)
        records_.push_back({record(first + static_cast<uint32_t>(i)), "record " + std::to_string(i + 1)});
    records_.push_back({{0x00}, "end of block"});
}

Replies ReplyLogic::acknowledged() {
    Replies out;
    if (records_.empty()) return out;
    out.push_back(std::move(records_.front()));
    records_.erase(records_.begin());
    return out;
}

std::vector<std::vector<uint8_t>> ReplyLogic::emulation_patterns(uint8_t emulation) {
    std::vector<std::vector<uint8_t>> p;
    if (emulation == Pr2) {
        p = {{ESC, 0x20, 0x42}, {ESC, 0x20, 0x61}, {ESC, 0x20, 0x62}, {ESC, 0x5A},
             {ESC, 0x69},       {ESC, 0x6A},       {ESC, 0x2D},       {ESC, 0x7D, 0x2D}};
        for (int n = 0; n < 256; ++n) p.push_back({ESC, 0x55, static_cast<uint8_t>(n)});
    } else if (emulation == Ithaca) {
        for (int n = 0; n < 256; ++n) p.push_back({ENQ, static_cast<uint8_t>(n)});
    }
    return p;
}

Replies ReplyLogic::answer_emulation(std::span<const uint8_t> b, std::string *name) {
    const PrinterState &s = state_;
    std::string reply;
    const std::string head("\x02\x00", 2);
    auto flags = [](bool b0, bool b1, bool b2) { return static_cast<char>(0x30 | b0 | b1 << 1 | b2 << 2); };
    if (b[0] == ENQ) {
        *name = "ITHACA ENQ " + std::to_string(b[1]);
        reply = {flags(is_offline(s), s[Field::Paper] == 2, s[Field::Cover] != 0), static_cast<char>(b[1])};
    } else if (b[1] == 0x20) {
        *name = std::string("PR2 ESC SP ") + static_cast<char>(b[2]);
        if (b[2] == 0x42) reply = "PR2SIM";
        if (b[2] == 0x61) reply = std::string(1, flags(s[Field::Passbook] != 0, is_offline(s), false));
        if (b[2] == 0x62) reply = std::string("VORDEL-SIM PB\0" "1.0", 17);
    } else if (b[1] == 0x55) {
        *name = "PR2 ESC U " + std::to_string(b[2]);
        // Bit 2 echoes the request: printing waits for the operator button.
        reply = head + static_cast<char>((s[Field::Operator] == 1) | (s[Field::Operator] == 2) << 1 | (b[2] & 1) << 2);
    } else if (b[1] == 0x5A) {
        *name = "PR2 ESC Z";
        reply = head + flags(s[Field::Passbook] != 0, is_offline(s), false);
    } else if (b[1] == 0x69) {
        *name = "PR2 ESC i";
        reply = head + "P001";
    } else if (b[1] == 0x6A) {
        *name = "PR2 ESC j";
        reply = head + flags(has_error(s), s[Field::Cover] != 0, false);
    } else if (b[1] == 0x2D) {
        *name = "PR2 ESC -";
        reply = head + four_digits(lines_fed_);
    } else {
        *name = "PR2 ESC } -";
        reply = head + four_digits(cuts_);
    }
    return {raw_reply(reply)};
}
