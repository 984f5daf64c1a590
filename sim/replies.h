// The reply logic: what the simulated printer answers to each command, read
// off the printer model, and the automatic status it sends on its own (ASB,
// ink ASB, extended ASB: once when enabled, then whenever an enabled bit of
// it changes). One handler per Request value, in a table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/model.h"
#include "sim/reader.h"
#include "sim/replies_scan.h"

struct Reply {
    std::vector<uint8_t> bytes;
    std::string what;  // for the trace: "16h", "block 6 bytes", "ASB 14 00 00 00"
    uint8_t await = 0;  // not 0: the replies after this one wait for this byte from the host
};
using Replies = std::vector<Reply>;

Reply byte_reply(uint8_t b);
// Header 5F, then data, then NUL; data must hold no NUL, XON or XOFF.
Reply block_reply(std::string_view data);
Reply status_reply(const char *kind, const StatusBlock &block);

class ReplyLogic {
public:
    explicit ReplyLogic(PrinterState &state) : state_(state) {}

    // Answers one command (and sends the automatic status a change of state
    // it caused makes due).
    Replies answer(const Command &command);
    // The automatic status due after the state was changed from outside.
    Replies state_changed();
    ScanSettings &scan() { return scan_; }

    // Requests of the emulated command sets (passbook PR2, Ithaca ENQ n), as
    // byte patterns the reader matches while `emulation` selects one; they
    // clash with receipt commands (ESC -, ESC U, ESC i) and are never read
    // otherwise. answer_emulation answers matched bytes and names them.
    static std::vector<std::vector<uint8_t>> emulation_patterns(uint8_t emulation);
    Replies answer_emulation(std::span<const uint8_t> bytes, std::string *name);

    // FS + answers one block of records; each record after the first waits
    // for the host's acknowledgement byte 81h, and the closing NUL for the
    // last one. Forgotten when the line is replaced.
    static constexpr uint8_t record_ack = 0x81;
    bool awaiting_ack() const { return !records_.empty(); }
    Replies acknowledged();
    void forget_records() { records_.clear(); }

    using Handler = void (ReplyLogic::*)(const Command &, Replies &);

private:
    void real_time_status(const Command &c, Replies &out);
    void real_time_recover(const Command &c, Replies &out);
    void real_time_function(const Command &c, Replies &out);
    void enq_status(const Command &c, Replies &out);
    void drawer_request(const Command &c, Replies &out);
    void paper_sensor_request(const Command &c, Replies &out);
    void status_by_n(const Command &c, Replies &out);
    void printer_id(const Command &c, Replies &out);
    void counter_request(const Command &c, Replies &out);
    void asb_enable(const Command &c, Replies &out);
    void ink_asb_enable(const Command &c, Replies &out);
    void ext_asb_enable(const Command &c, Replies &out);
    void info_block(const Command &c, Replies &out);
    void record_block(const Command &c, Replies &out);
    void line_feed(const Command &c, Replies &out);
    void feed_lines(const Command &c, Replies &out);
    void cut(const Command &c, Replies &out);
    void drawer_pulse(const Command &c, Replies &out);
    void nothing(const Command &, Replies &) {}
    void scan_request(const Command &c, Replies &out) { answer_gs_paren_g(scan_, c, out); }
    void scan_encoding(const Command &c, Replies &out) { answer_fs_paren_g(scan_, c, out); }
    void wave_request(const Command &c, Replies &out) { answer_wave(scan_, c, out); }
    void send_due_status(Replies &out, bool force_asb, bool force_ink, bool force_ext);

    static const Handler handlers[];

    PrinterState &state_;
    uint8_t asb_enable_ = 0, ink_enable_ = 0, ext_enable_ = 0;
    StatusBlock asb_sent_{}, ink_sent_{}, ext_sent_{};
    uint32_t lines_fed_ = 0, cuts_ = 0;
    ScanSettings scan_;
    std::vector<Reply> records_;  // still to send, in order
};
