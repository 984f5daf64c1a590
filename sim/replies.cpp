#include "sim/replies.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint8_t block_header = 0x5F;

// GS I n with n 0..9 (or '0'..'9'): one ID byte each.
constexpr uint8_t id_bytes[10] = {0x00, 0x20, 0x02, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

constexpr bool all_plain(const uint8_t *b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!is_plain_reply(b[i])) return false;
    return true;
}
static_assert(all_plain(id_bytes, std::size(id_bytes)));

struct IdText {
    uint8_t n;
    const char *text;
};
// GS I n answered with a block; the rest of the block range answers "0".
constexpr IdText id_texts[] = {
    {0x41, "1.00"}, {0x42, "VORDEL-SIM"}, {0x43, "SIM-1"}, {0x44, "000000001"}, {0x45, "ANK"},
};

bool id_block_range(uint8_t n) {
    return (n >= 0x20 && n <= 0x22) || (n >= 0x41 && n <= 0x45) || (n >= 0x70 && n <= 0x7A);
}

std::string hex_bytes(const StatusBlock &b) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", b[0], b[1], b[2], b[3]);
    return text;
}

bool changed(const StatusBlock &now, const StatusBlock &sent, const StatusBlock &mask) {
    for (size_t i = 0; i < now.size(); ++i)
        if ((now[i] ^ sent[i]) & mask[i]) return true;
    return false;
}

constexpr StatusBlock all_bits = {0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace

Reply byte_reply(uint8_t b) {
    char what[8];
    std::snprintf(what, sizeof what, "%02Xh", b);
    return {{b}, what};
}

Reply block_reply(std::string_view data) {
    Reply r;
    r.bytes.assign(data.size() + 2, 0x00);
    r.bytes[0] = block_header;
    std::copy(data.begin(), data.end(), r.bytes.begin() + 1);
    r.what = "block " + std::to_string(r.bytes.size()) + " bytes";
    return r;
}

Reply status_reply(const char *kind, const StatusBlock &block) {
    return {{block.begin(), block.end()}, std::string(kind) + " " + hex_bytes(block)};
}

// Indexed by Request.
const ReplyLogic::Handler ReplyLogic::handlers[] = {
    &ReplyLogic::nothing,               // None
    &ReplyLogic::nothing,               // Initialize
    &ReplyLogic::line_feed,             // LineFeed
    &ReplyLogic::feed_lines,            // FeedLines
    &ReplyLogic::cut,                   // Cut
    &ReplyLogic::drawer_pulse,          // DrawerPulse
    &ReplyLogic::real_time_status,      // DleEot
    &ReplyLogic::real_time_recover,     // DleEnq
    &ReplyLogic::real_time_function,    // DleDc4
    &ReplyLogic::enq_status,            // GsEnq
    &ReplyLogic::drawer_request,        // EscU
    &ReplyLogic::paper_sensor_request,  // EscV
    &ReplyLogic::status_by_n,           // GsR
    &ReplyLogic::printer_id,            // GsI
    &ReplyLogic::counter_request,       // GsG
    &ReplyLogic::asb_enable,            // GsA
    &ReplyLogic::ink_asb_enable,        // GsJ
    &ReplyLogic::ext_asb_enable,        // FsParenE
    &ReplyLogic::info_block,            // FsParenJ
    &ReplyLogic::info_block,            // FsA
    &ReplyLogic::info_block,            // FsB
    &ReplyLogic::record_block,          // FsPlus
    &ReplyLogic::scan_request,          // GsParenG
    &ReplyLogic::scan_encoding,         // FsParenG
    &ReplyLogic::wave_request,          // FsBar
};

Replies ReplyLogic::answer(const Command &command) {
    static_assert(std::size(handlers) == static_cast<size_t>(Request::Count));
    Replies out;
    (this->*handlers[static_cast<size_t>(command.spec->request)])(command, out);
    return out;
}

Replies ReplyLogic::state_changed() {
    Replies out;
    send_due_status(out, false, false, false);
    return out;
}

void ReplyLogic::send_due_status(Replies &out, bool force_asb, bool force_ink, bool force_ext) {
    StatusBlock asb = asb_status(state_);
    if (asb_enable_ && (force_asb || changed(asb, asb_sent_, asb_enabled_bits(asb_enable_)))) {
        out.push_back(status_reply("ASB", asb));
        asb_sent_ = asb;
    }
    StatusBlock ink = ink_asb_status(state_);
    if (ink_enable_ && (force_ink || changed(ink, ink_sent_, all_bits))) {
        out.push_back(status_reply("ink ASB", ink));
        ink_sent_ = ink;
    }
    StatusBlock ext = ext_asb_status(state_);
    if (ext_enable_ && (force_ext || changed(ext, ext_sent_, all_bits))) {
        out.push_back(status_reply("extended ASB", ext));
        ext_sent_ = ext;
    }
}

void ReplyLogic::real_time_status(const Command &c, Replies &out) {
    uint8_t n = c.param(0);
    if (n >= 1 && n <= 6)
        out.push_back(byte_reply(realtime_status(state_, n)));
    else if (n == 7)
        out.push_back(byte_reply(realtime_ink_status(state_)));
    else if (n == 0 || n == 8)
        out.push_back(byte_reply(realtime_status(state_, 0)));
    // Any other n is no request this printer knows: it stays silent.
}

// Recovery restarts after the errors a command may clear; the cover must be shut.
void ReplyLogic::real_time_recover(const Command &c, Replies &out) {
    uint8_t n = c.param(0);
    if ((n != 1 && n != 2) || state_[Field::Cover]) return;
    state_[Field::MechanicalError] = 0;
    state_[Field::CutterError] = 0;
    send_due_status(out, false, false, false);
}

void ReplyLogic::real_time_function(const Command &c, Replies &out) {
    if (c.param(0) == 1) drawer_pulse(c, out);
}

void ReplyLogic::enq_status(const Command &, Replies &out) {
    out.push_back(byte_reply(gs_enq_status(state_)));
}

void ReplyLogic::drawer_request(const Command &c, Replies &out) {
    uint8_t n = c.param(0);
    if (n == 0 || n == 0x30) out.push_back(byte_reply(drawer_status(state_)));
}

void ReplyLogic::paper_sensor_request(const Command &, Replies &out) {
    out.push_back(byte_reply(paper_sensor_status(state_)));
}

void ReplyLogic::status_by_n(const Command &c, Replies &out) {
    uint8_t n = c.param(0);
    switch (n) {
    case 1: case 0x31: out.push_back(byte_reply(paper_sensor_status(state_))); break;
    case 2: case 0x32: out.push_back(byte_reply(drawer_status(state_))); break;
    case 3: case 0x33: out.push_back(byte_reply(0x00)); break;  // slip paper code
    case 4: case 0x34: out.push_back(byte_reply(ink_status(state_))); break;
    case 5: case 0x35: out.push_back(byte_reply(scan_sensor_status(state_))); break;
    case 0x50: case 0x51: case 0x52: {
        std::string data(1, static_cast<char>(n));
        data += state_[Field::Slip] == 2 ? "1000" : "0";
        out.push_back(block_reply(data));
        break;
    }
    default:
        break;
    }
}

void ReplyLogic::printer_id(const Command &c, Replies &out) {
    uint8_t n = c.param(0);
    if (n <= 9 || (n >= 0x30 && n <= 0x39)) {
        out.push_back(byte_reply(id_bytes[n & 0x0F]));
        return;
    }
    if (!id_block_range(n)) return;
    const char *text = "0";
    for (const IdText &t : id_texts)
        if (t.n == n) text = t.text;
    out.push_back(block_reply(text));
}

// GS g 0 m nL nH clears counter n; GS g 2 m nL nH answers it.
void ReplyLogic::counter_request(const Command &c, Replies &out) {
    uint8_t fn = c.param(0);
    unsigned n = c.param(2) | c.param(3) << 8;
    uint32_t *counter = n == 20 || n == 21 ? &lines_fed_ : n == 50 || n == 51 ? &cuts_ : nullptr;
    if (fn == 0 || fn == 0x30) {
        if (counter) *counter = 0;
    } else if (fn == 2 || fn == 0x32) {
        out.push_back(block_reply(std::to_string(counter ? *counter : 0)));
    }
}

void ReplyLogic::asb_enable(const Command &c, Replies &out) {
    asb_enable_ = c.param(0);
    send_due_status(out, true, false, false);
}

void ReplyLogic::ink_asb_enable(const Command &c, Replies &out) {
    ink_enable_ = c.param(0);
    send_due_status(out, false, true, false);
}

// FS ( e pL pH m n: function m = '3' switches the extended ASB.
void ReplyLogic::ext_asb_enable(const Command &c, Replies &out) {
    if (c.params().size() < 4 || c.param(2) != 0x33) return;
    ext_enable_ = c.param(3);
    send_due_status(out, false, false, true);
}

void ReplyLogic::line_feed(const Command &, Replies &) { ++lines_fed_; }

void ReplyLogic::feed_lines(const Command &c, Replies &) { lines_fed_ += c.param(0); }

void ReplyLogic::cut(const Command &, Replies &) { ++cuts_; }

// The pulse opens the drawer: its sensor goes high until "set drawer=low".
void ReplyLogic::drawer_pulse(const Command &, Replies &out) {
    state_[Field::Drawer] = 1;
    send_due_status(out, false, false, false);
}
