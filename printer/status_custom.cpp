// Customisation of the bit-name tables: one line names an entry by its key
// and gives the label and the two texts, separated by newline, tab or comma.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "core/builtin_args.h"
#include "core/builtins.h"
#include "printer/status_texts.h"

namespace {

constexpr size_t slot_size = 64;
using Slot = std::array<char, slot_size>;

// Storage for customised texts, per table entry: label, text0, text1. It
// lives as long as the program so the entries may point into it.
using EntrySlots = std::array<Slot, 3>;
using TableSlots = std::array<EntrySlots, 32>;
TableSlots asb_slots, ink_slots, ext_slots;

struct Customisable {
    char selector;  // upper case; the key's first character in either case
    BitNameTable &table;
    TableSlots &slots;
};

const Customisable customisable[] = {
    {'A', asb_bit_names, asb_slots},
    {'I', ink_bit_names, ink_slots},
    {'E', ext_bit_names, ext_slots},
};

const Customisable *table_for(char selector) {
    for (const Customisable &c : customisable)
        if (c.selector == selector || c.selector + ('a' - 'A') == selector) return &c;
    return nullptr;
}

constexpr std::string_view separators = "\n\t,";

// The next field from `rest`, skipping separators before it; empty at the end.
std::string_view next_field(std::string_view &rest) {
    size_t start = rest.find_first_not_of(separators);
    if (start == rest.npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    size_t end = std::min(rest.find_first_of(separators), rest.size());
    std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    return field;
}

const char *store(Slot &slot, std::string_view text) {
    size_t n = std::min(text.size(), slot_size - 1);
    std::memcpy(slot.data(), text.data(), n);
    slot[n] = '\0';
    return slot.data();
}

}  // namespace

int apply_custom_line(std::string_view line) {
    // The texts end up in C strings: a NUL ends the line.
    line = line.substr(0, std::min(line.find('\0'), line.size()));
    if (line.empty() || line[0] == '#') return 0;
    // A file written with CR LF line ends reads the same as one without.
    if (line.ends_with("\r\n")) line = line.substr(0, line.size() - 2);
    else if (line.ends_with('\r')) line.remove_suffix(1);

    std::string_view rest = line;
    std::string_view key = next_field(rest);
    if (key.empty()) return 1;
    if (key.size() < 7 || key[4] < '1' || key[4] > '4' || key[6] < '0' || key[6] > '7') return 4;
    const Customisable *target = table_for(key[0]);
    if (!target) return 4;

    int index = (key[4] - '1') * 8 + (key[6] - '0');
    BitName &entry = target->table[index];
    EntrySlots &slot = target->slots[index];

    // Texts the line leaves out keep what they were.
    entry.label = store(slot[0], key);
    if (std::string_view text0 = next_field(rest); !text0.empty()) entry.text0 = store(slot[1], text0);
    if (std::string_view text1 = next_field(rest); !text1.empty()) entry.text1 = store(slot[2], text1);
    return 0;
}

int load_custom_file(const char *path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path, "r"), std::fclose);
    if (!file) return -1;
    // Longer lines arrive in pieces, each applied as a line of its own.
    char piece[1024];
    while (std::fgets(piece, sizeof piece, file.get())) apply_custom_line(piece);
    return 0;
}

NODE *do_bitcustomize(NODE *list) {
    BuiltinArgs args(list);
    std::string line = arg_text(args);
    if (unwinding()) return null_string;
    return number_result(apply_custom_line(line));
}
