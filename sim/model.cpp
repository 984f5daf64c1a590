#include "sim/model.h"

#include <algorithm>

namespace {

constexpr FieldInfo fields[] = {
    {"online", {"on", "off"}},
    {"cover", {"closed", "open"}},
    {"paper", {"ok", "near-end", "end"}},
    {"journal", {"ok", "near-end", "end"}},
    {"drawer", {"low", "high"}},
    {"feed", {"released", "pressed"}},
    {"mechanical-error", {"no", "yes"}},
    {"cutter-error", {"no", "yes"}},
    {"unrecoverable-error", {"no", "yes"}},
    {"recoverable-error", {"no", "yes"}},
    {"slip", {"none", "waiting", "inserted"}},
    {"validation", {"none", "waiting", "inserted"}},
    {"ink", {"ok", "near-end", "end"}},
    {"ink2", {"ok", "near-end", "end"}},
    {"slip-face", {"front", "back"}},
    {"scan", {"absent", "present"}},
    {"emulation", {"none", "pr2", "ithaca"}},
    {"passbook", {"none", "inserted"}},
    {"operator", {"released", "button1", "button2"}},
};
static_assert(std::size(fields) == static_cast<size_t>(Field::Count));

struct Alias {
    const char *word;
    uint8_t value;
};
constexpr Alias yes_no_aliases[] = {{"off", 0}, {"on", 1}, {"0", 0}, {"1", 1}, {"false", 0}, {"true", 1}};

int word_value(const FieldInfo &field, std::string_view word) {
    for (size_t i = 0; i < field.words.size() && field.words[i]; ++i)
        if (word == field.words[i]) return static_cast<int>(i);
    if (std::string_view(field.words[0]) == "no")
        for (const Alias &a : yes_no_aliases)
            if (word == a.word) return a.value;
    return -1;
}

std::string known_words(const FieldInfo &field) {
    std::string out;
    for (const char *w : field.words)
        if (w) out += (out.empty() ? "" : ", ") + std::string(w);
    return out;
}

uint8_t bit(bool on, int n) { return on ? static_cast<uint8_t>(1u << n) : 0; }

// Sensor levels read off the state, shared by the layouts.
struct Sensors {
    bool receipt_near, receipt_end, journal_near, journal_end;
    bool slip_unselected, slip_waiting, slip_absent;
    bool vali_unselected, vali_waiting, vali_absent;
};

Sensors sensors(const PrinterState &s) {
    return {s[Field::Paper] >= 1,      s[Field::Paper] == 2,      s[Field::Journal] >= 1,
            s[Field::Journal] == 2,    s[Field::Slip] == 0,       s[Field::Slip] == 1,
            s[Field::Slip] != 2,       s[Field::Validation] == 0, s[Field::Validation] == 1,
            s[Field::Validation] != 2};
}

}  // namespace

std::span<const FieldInfo> state_fields() { return fields; }

bool set_state(PrinterState &state, std::string_view assignment, std::string *error) {
    size_t eq = assignment.find('=');
    std::string_view name = assignment.substr(0, eq);
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (name != fields[i].name) continue;
        std::string_view word = eq == std::string_view::npos ? "" : assignment.substr(eq + 1);
        int value = word_value(fields[i], word);
        if (value < 0) {
            *error = std::string("'").append(word).append("' is no value of ").append(fields[i].name);
            error->append(" (").append(known_words(fields[i])).append(")");
            return false;
        }
        state.value[i] = static_cast<uint8_t>(value);
        return true;
    }
    *error = "unknown state '" + std::string(name) + "'";
    return false;
}

std::string describe_state(const PrinterState &state) {
    std::string out;
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (i) out += ' ';
        out += fields[i].name;
        out += '=';
        out += fields[i].words[state.value[i]];
    }
    return out;
}

bool has_error(const PrinterState &s) {
    return s[Field::MechanicalError] || s[Field::CutterError] || s[Field::UnrecoverableError] ||
           s[Field::RecoverableError];
}

bool is_offline(const PrinterState &s) {
    return s[Field::Online] || s[Field::Cover] || s[Field::Paper] == 2 || has_error(s);
}

uint8_t realtime_status(const PrinterState &s, uint8_t n) {
    constexpr uint8_t fixed = 0x12;
    Sensors p = sensors(s);
    switch (n) {
    case 1:
        return fixed | bit(s[Field::Drawer], 2) | bit(is_offline(s), 3) |
               bit(s[Field::RecoverableError], 5) | bit(s[Field::Feed], 6);
    case 2:
        return fixed | bit(s[Field::Cover], 2) | bit(s[Field::Feed], 3) | bit(p.receipt_end, 5) |
               bit(has_error(s), 6);
    case 3:
        return fixed | bit(s[Field::MechanicalError], 2) | bit(s[Field::CutterError], 3) |
               bit(s[Field::UnrecoverableError], 5) | bit(s[Field::RecoverableError], 6);
    case 4:
        return fixed | (p.receipt_near ? 0x0C : 0) | (p.receipt_end ? 0x60 : 0);
    case 5:
        return fixed | bit(p.slip_unselected, 2) | bit(p.slip_waiting, 3) |
               (p.slip_absent ? 0x60 : 0);
    case 6:
        return fixed | bit(p.vali_unselected, 2) | bit(p.vali_waiting, 3) |
               (p.vali_absent ? 0x60 : 0);
    default:
        return fixed;
    }
}

uint8_t realtime_ink_status(const PrinterState &s) {
    return 0x12 | bit(s[Field::Ink] >= 1, 2) | bit(s[Field::Ink2] >= 1, 3) |
           bit(s[Field::Ink] == 2, 5) | bit(s[Field::Ink2] == 2, 6);
}

uint8_t gs_enq_status(const PrinterState &s) {
    Sensors p = sensors(s);
    return bit(p.journal_near, 0) | bit(p.receipt_near, 1) | bit(s[Field::Cover], 2) |
           bit(!is_offline(s), 3) | bit(s[Field::Drawer], 4) | bit(p.slip_absent, 5) |
           bit(has_error(s), 6);
}

uint8_t paper_sensor_status(const PrinterState &s) {
    Sensors p = sensors(s);
    return bit(p.journal_near, 0) | bit(p.receipt_near, 1) | bit(p.journal_end, 2) |
           bit(p.receipt_end, 3) | (p.slip_absent ? 0x60 : 0);
}

uint8_t drawer_status(const PrinterState &s) { return bit(s[Field::Drawer], 0); }

uint8_t ink_status(const PrinterState &s) {
    return bit(s[Field::Ink] >= 1, 0) | bit(s[Field::Ink2] >= 1, 1);
}

uint8_t scan_sensor_status(const PrinterState &s) { return s[Field::Scan] ? 0 : 0x07; }

StatusBlock asb_status(const PrinterState &s) {
    Sensors p = sensors(s);
    return {
        static_cast<uint8_t>(0x10 | bit(s[Field::Drawer], 2) | bit(is_offline(s), 3) |
                             bit(s[Field::Cover], 5) | bit(s[Field::Feed], 6)),
        static_cast<uint8_t>(bit(s[Field::MechanicalError], 2) | bit(s[Field::CutterError], 3) |
                             bit(s[Field::UnrecoverableError], 5) |
                             bit(s[Field::RecoverableError], 6)),
        paper_sensor_status(s),
        static_cast<uint8_t>(bit(p.slip_unselected, 0) | bit(p.slip_absent, 1) |
                             bit(p.vali_unselected, 2) | bit(p.vali_absent, 3) |
                             (p.vali_absent ? 0x60 : 0)),
    };
}

StatusBlock ink_asb_status(const PrinterState &s) {
    auto tank = [](uint8_t level) {
        return static_cast<uint8_t>(0x40 | bit(level >= 1, 0) | bit(level == 2, 1));
    };
    return {0x35, tank(s[Field::Ink]), tank(s[Field::Ink2]), 0x00};
}

StatusBlock ext_asb_status(const PrinterState &s) {
    return {0x39, static_cast<uint8_t>(0x40 | bit(s[Field::SlipFace], 5)), 0x40, 0x00};
}

StatusBlock asb_enabled_bits(uint8_t n) {
    auto on = [n](int b, uint8_t mask) { return (n >> b & 1) ? mask : uint8_t{0}; };
    return {
        static_cast<uint8_t>(on(0, 0x04) | on(1, 0x28) | on(6, 0x40)),
        on(2, 0x6C),
        static_cast<uint8_t>(on(3, 0x0F) | on(4, 0x60)),
        static_cast<uint8_t>(on(4, 0x03) | on(5, 0x6C)),
    };
}
