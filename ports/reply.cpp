// The reply receiver: reads the printer's bytes and sorts them into the
// automatic status messages (ASB, ink ASB, extended ASB: 4 bytes each), block
// replies (a header byte, data, a closing NUL) and plain reply bytes; with
// the display options it shows what changed.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/diag.h"
#include "base/port_ops.h"
#include "base/recv_ring.h"
#include "base/settings.h"
#include "core/node.h"
#include "platform/console.h"
#include "ports/file/dump.h"
#include "ports/port_layer.h"
#include "printer/status_stores.h"
#include "printer/status_texts.h"

namespace {

constexpr int32_t KEEP_READING = INT32_MIN;  // a step's answer: no result yet
constexpr int32_t REPLY_CANCELED = -1;
constexpr int32_t REPLY_NOTHING = 256;
constexpr int32_t MODE_RAW = 65535;
constexpr int32_t MODE_ACK_RECORDS = 0x800;
constexpr uint8_t RECORD_ACK = 0x81;
constexpr uint8_t XON = 0x11;
constexpr uint8_t XOFF = 0x13;

struct StatusCollector {
    uint8_t *message;  // the status store: the last message, refilled byte by byte
    int32_t fill = 0;
    uint8_t previous[STATUS_SIZE] = {};
    uint8_t changed[STATUS_SIZE] = {};
    bool seen = false;
    const StatusLayout *layout;
    int32_t result;  // returned when the mode asks for this kind
    int32_t mode_bit;
};

StatusCollector collectors[3] = {
    {last_asb, 0, {}, {}, false, &asb_layout, 276, 0x10},
    {last_ink_asb, 0, {}, {}, false, &ink_layout, 309, 0x04},
    {last_ext_asb, 0, {}, {}, false, &ext_layout, 313, 0x08},
};
StatusCollector &asb = collectors[0];
StatusCollector &ink = collectors[1];
StatusCollector &ext = collectors[2];

struct BlockCollector {
    int32_t fill = 0;  // 0: no block being collected
    int32_t record_start = 0;
    int32_t countdown = 0;
};
BlockCollector block;

// Whether received bytes go to the `recv` builtin's ring instead.
bool collecting_for_recv() {
    if (run_options.interactive_mode) return false;
    NODE *var = lookup(global_table, "RECV");
    return var && var->left && force_number(var->left) != 0;
}

const StatusCollector &collector(StatusKind kind) {
    return kind == StatusKind::Asb ? asb : kind == StatusKind::Ink ? ink : ext;
}

bool waits_for_block(int32_t mode) { return ((mode >> 8) & 15) != 0; }

// A complete status message: change detection, display, the caller's answer.
int32_t finish_status(StatusCollector &k, int32_t mode) {
    k.fill = 0;
    for (int i = 0; i < STATUS_SIZE; ++i) {
        if (!k.seen) {
            k.previous[i] = k.message[i];
            k.changed[i] = 0xFF;
        } else {
            k.changed[i] = k.message[i] ^ k.previous[i];
            k.previous[i] = k.message[i];
        }
    }
    k.seen = true;
    StatusKind kind = &k == &asb ? StatusKind::Asb : &k == &ink ? StatusKind::Ink : StatusKind::Extended;
    if (kind == StatusKind::Asb && run_options.asb_watch_mode) {
        show_asb_screen();
    } else if (run_options.status_analyze_mode && !run_options.asb_watch_mode) {
        show_status_changes(stdout, kind);
        if (run_options.log_file) show_status_changes(run_options.log_file, kind);
    }
    return mode & k.mode_bit ? k.result : KEEP_READING;
}

// One byte of a block reply.
int32_t block_step(uint8_t c, int32_t mode) {
    if (block.fill > BLOCK_REPLY_DATA) fatal("block status is too long.");
    block_reply[block.fill++] = c;
    if (mode == MODE_ACK_RECORDS) {
        int32_t s = block.record_start;
        if (block.fill == s + 4) {
            auto signed_byte = [](int32_t i) { return static_cast<int32_t>(static_cast<int8_t>(block_reply[i])); };
            block.countdown = ((signed_byte(s + 2) - 0x33) * 16 + signed_byte(s + 3)) * 2;
        } else if (block.countdown > 0 && --block.countdown == 0) {
            current_port.port_send_byte(RECORD_ACK);
            block.record_start = block.fill;
        }
    }
    if (c != 0) return KEEP_READING;
    block.fill = 0;
    if (waits_for_block(mode) || mode == 255) return REPLY_NOTHING + block_reply[0];
    return KEEP_READING;
}

// A byte outside any message: the start of one, or a plain reply byte.
int32_t start_step(uint8_t c, int32_t mode) {
    StatusCollector *starts = c == 0x35 ? &ink : c == 0x39 ? &ext : (c & 0x93) == 0x10 ? &asb : nullptr;
    if (starts) {
        starts->message[0] = c;
        starts->fill = 1;
        return KEEP_READING;
    }
    if (mode == 32) return c == 0x53 ? 83 : KEEP_READING;
    if ((c & 0x91) == 0x11) {
        block_reply[0] = c;
        block.fill = 1;
        block.record_start = 2;
        block.countdown = 0;
        return KEEP_READING;
    }
    if (waits_for_block(mode)) return KEEP_READING;
    if (!(mode & 2)) {
        std::fputs("@@@", stdout);
        std::fflush(stdout);
    }
    return c;
}

}  // namespace

int32_t recv_reply(int32_t mode) {
    for (;;) {
        bool for_recv = collecting_for_recv();
        if (for_recv && recv_ring_count() >= RECV_RING_SIZE - 1) {
            std::fputs("*", stdout);
            return REPLY_NOTHING;
        }
        int32_t c = current_port.port_recv_byte();
        if (c == -1) {
            port_check_device_wait();
            if (console_kbhit() && console_getch() == KEY_ESC) {
                std::fputs("Canceled\n", stderr);
                return REPLY_CANCELED;
            }
            drv_wait_input(port_handle(), 1);
            continue;
        }
        dump_received_byte(c);
        if (run_options.interactive_mode) return REPLY_NOTHING;
        if (for_recv) {
            recv_ring_push(static_cast<uint8_t>(c));
            return REPLY_NOTHING;
        }
        if (mode == MODE_RAW) return c;
        if (c == XON || c == XOFF) {
            if (mode & 1) return c;
            continue;
        }
        int32_t answer;
        if (block.fill > 0) {
            answer = block_step(static_cast<uint8_t>(c), mode);
        } else if (StatusCollector *k = asb.fill > 0 ? &asb : ext.fill > 0 ? &ext : ink.fill > 0 ? &ink : nullptr) {
            k->message[k->fill++] = static_cast<uint8_t>(c);
            answer = k->fill == STATUS_SIZE ? finish_status(*k, mode) : KEEP_READING;
        } else {
            answer = start_step(static_cast<uint8_t>(c), mode);
        }
        if (answer != KEEP_READING) return answer;
    }
}

void show_status_changes(std::FILE *out, StatusKind kind) {
    const StatusCollector &s = collector(kind);
    for (int i = 0; i < STATUS_SIZE; ++i) {
        uint8_t changed = s.changed[i];
        if (changed == 0) continue;
        const LayoutRow &row = (*s.layout)[static_cast<size_t>(i)];
        if (changed == 0xFF)
            std::fprintf(out, " %02Xh ------- %-16.16s -----------------\n", s.message[i], row.title);
        for (int j = 0; j < 8; ++j) {
            if (!(changed & (1u << j))) continue;
            const BitName &bit = row.bits[j];
            std::fprintf(out, " %-30.30s ", bit.label);
            std::fprintf(out, " %-20.20s\n", s.message[i] & (1u << j) ? bit.text1 : bit.text0);
        }
    }
    std::fputs("\n", out);
}

void show_asb_screen() {
    const StatusCollector &s = asb;
    std::fflush(stdout);
    cursor_save();
    for (int i = 0; i < STATUS_SIZE; ++i) {
        const LayoutRow &row = (*s.layout)[static_cast<size_t>(i)];
        for (int j = 0; j < 8; ++j) {
            if (!(s.changed[i] & (1u << j))) continue;
            const BitName &bit = row.bits[j];
            bool on = s.message[i] & (1u << j);
            cursor_locate(row.column, row.row - j);
            console_set_colour(7);
            std::fprintf(stderr, "%-22.22s ", bit.label);
            std::fflush(stderr);
            console_set_colour(on ? 6 : 2);
            std::fprintf(stderr, "%-16.16s", on ? bit.text1 : bit.text0);
            std::fflush(stderr);
        }
    }
    std::fputs("\n", stdout);
    std::fflush(stdout);
    cursor_restore();
    console_set_colour(7);
}

void reset_reply_state() {
    for (StatusCollector &k : collectors) {
        k.fill = 0;
        k.seen = false;
        std::memset(k.message, 0, STATUS_SIZE);
    }
    block = BlockCollector{};
}
