// The printer model: the state the status replies report (paper, cover,
// drawer, errors, slip and validation sensors, ink), the names "set" and
// "show" use for it, and the bytes of every status reply built from it.
//
// Reply layouts. One-byte status replies keep bits 1 and 4 set and bits 0
// and 7 clear (real-time replies) or bit 4 clear (the others), so the host's
// reply receiver never takes them for automatic status (first byte AND 0x93
// = 0x10) or a block reply (first byte AND 0x91 = 0x11). The reply to GS ENQ
// is the exception: its bits 0 and 4 carry data, as its layout has them.
// Bits read 1 for the trouble case: off-line, open, near end, absent.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class Field : uint8_t {
    Online,      // on, off (taken off-line by the operator)
    Cover,       // closed, open
    Paper,       // receipt roll: ok, near-end, end
    Journal,     // journal roll: ok, near-end, end
    Drawer,      // kick-out connector pin 3: low, high
    Feed,        // paper feed button: released, pressed
    MechanicalError,
    CutterError,
    UnrecoverableError,
    RecoverableError,  // recovers by itself once the cause is gone
    Slip,        // none, waiting (selected, waiting for insertion), inserted
    Validation,  // none, waiting, inserted
    Ink,         // tank 1: ok, near-end, end
    Ink2,        // tank 2
    SlipFace,    // front, back
    Scan,        // scanner sheet sensors: absent, present
    Emulation,   // none, pr2 (passbook commands), ithaca (ENQ n)
    Passbook,    // none, inserted
    Operator,    // passbook panel: released, button1, button2 (the last one pressed)
    Count
};

struct PrinterState {
    std::array<uint8_t, static_cast<size_t>(Field::Count)> value{};
    uint8_t operator[](Field f) const { return value[static_cast<size_t>(f)]; }
    uint8_t &operator[](Field f) { return value[static_cast<size_t>(f)]; }
    bool operator==(const PrinterState &) const = default;
};

struct FieldInfo {
    const char *name;                   // as "set" and "show" write it
    std::array<const char *, 3> words;  // value 0, 1, 2; unused slots null
};
// One entry per Field, in Field order.
std::span<const FieldInfo> state_fields();

// Applies "name=word"; on failure returns false and says why in *error.
// Yes/no fields also take on/off, 1/0 and true/false.
bool set_state(PrinterState &state, std::string_view assignment, std::string *error);
// "online=on cover=closed ...": every field, in Field order.
std::string describe_state(const PrinterState &state);

bool is_offline(const PrinterState &state);  // operator, cover, paper end, any error
bool has_error(const PrinterState &state);

using StatusBlock = std::array<uint8_t, 4>;

uint8_t realtime_status(const PrinterState &state, uint8_t n);  // DLE EOT n, n 1..6
uint8_t realtime_ink_status(const PrinterState &state);         // DLE EOT 7 n
uint8_t gs_enq_status(const PrinterState &state);
uint8_t paper_sensor_status(const PrinterState &state);  // ESC v, GS r 1
uint8_t drawer_status(const PrinterState &state);        // ESC u 0, GS r 2
uint8_t ink_status(const PrinterState &state);           // GS r 4
uint8_t scan_sensor_status(const PrinterState &state);   // GS r 5
StatusBlock asb_status(const PrinterState &state);
StatusBlock ink_asb_status(const PrinterState &state);
StatusBlock ext_asb_status(const PrinterState &state);

// The ASB bits that the enable byte n of GS a reports changes of: bit 0 the
// drawer, 1 on-line and cover, 2 errors, 3 roll paper, 4 slip, 5 validation,
// 6 the feed button.
StatusBlock asb_enabled_bits(uint8_t n);

// True when the host's reply receiver reads b as a plain reply byte.
constexpr bool is_plain_reply(uint8_t b) {
    return b != 0x11 && b != 0x13 && b != 0x35 && b != 0x39 && (b & 0x93) != 0x10 &&
           (b & 0x91) != 0x11;
}
