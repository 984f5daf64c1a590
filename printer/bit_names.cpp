// The bit-name tables of the three automatic status messages and their
// screen layouts. The built-in texts are kept byte for byte as operators know
// them; customisation repoints entries (printer/status_custom.cpp).
#include <array>
#include <string_view>

#include "printer/status_texts.h"

namespace {

constexpr auto default_asb_bit_names = std::to_array<BitName>({
    {"ASB-1-0:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-1-1:(Not used)", "0:(Fiexd)", "1:*******"},
    {"ASB-1-2:Drawer kick-pin 3", "0:LOW", "1:HIGH"},
    {"ASB-1-3:On-line/Off-line", "0:On-line", "1:Off-line"},
    {"ASB-1-4:(Not used)", "0:*******", "1:(Fixed)"},
    {"ASB-1-5:Cover status", "0:Close", "1:Open"},
    {"ASB-1-6:Paper feed", "0:Not feed", "1:Feed"},
    {"ASB-1-7:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-2-0:(Undefined)", "0:(Fixed)", "1:*******"},
    {"ASB-2-1:(Undefined)", "0:(Fixed)", "1:*******"},
    {"ASB-2-2:Mechanical err", "0:No error", "1:Occurred"},
    {"ASB-2-3:Auto-cutter err", "0:No error", "1:Occurred"},
    {"ASB-2-4:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-2-5:Unrecoverable err", "0:No error", "1:Occurred"},
    {"ASB-2-6:Automatically err", "0:No error", "1:Occurred"},
    {"ASB-2-7:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-3-0:Journal near-end", "0:Present", "1:Not present"},
    {"ASB-3-1:Receipt near-end", "0:Present", "1:Not present"},
    {"ASB-3-2:Journal end", "0:Present", "1:Not present"},
    {"ASB-3-3:Receipt end", "0:Present", "1:Not present"},
    {"ASB-3-4:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-3-5:Slip TOF sensor", "0:Present", "1:Not present"},
    {"ASB-3-6:Slip BOF sensor", "0:Present", "1:Not present"},
    {"ASB-3-7:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-4-0:Slip select", "0:Selected", "1:Not selected"},
    {"ASB-4-1:Slip print", "0:Printable", "1:Not printable"},
    {"ASB-4-2:Validation select", "0:Selected", "1:Not selected"},
    {"ASB-4-3:Validation print", "0:Printable", "1:Not printable"},
    {"ASB-4-4:(Not used)", "0:(Fixed)", "1:*******"},
    {"ASB-4-5:Vali TOF sensor", "0:Present", "1:Not present"},
    {"ASB-4-6:Vali BOF sensor", "0:Present", "1:Not present"},
    {"ASB-4-7:(Not used)", "0:(Fixed)", "1:*******"},
});

constexpr auto default_ink_bit_names = std::to_array<BitName>({
    {"INK-1-0:(Fixed)", "0:*******", "1:(Fixed)"},
    {"INK-1-1:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-1-2:(Fixed)", "0:*******", "1:(Fixed)"},
    {"INK-1-3:(Fixed)", "0:(Fixed)", "1:******"},
    {"INK-1-4:(Fixed)", "0:*******", "1:(Fixed)"},
    {"INK-1-5:(Fixed)", "0:*******", "1:(Fixed)"},
    {"INK-1-6:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-1-7:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-2-0:Ink near end 1", "0:Exists", "1:Near end"},
    {"INK-2-1:Ink end 1", "0:Exists", "1:End"},
    {"INK-2-2:Ink cartridge 1", "0:Exists", "1:None"},
    {"INK-2-3:Ink cartridge 2", "0:Exists", "1:None"},
    {"INK-2-4:(Reserved)", "0:(Fixed)", "1:*******"},
    {"INK-2-5:Cleaning", "0:Not progress", "1:In progress"},
    {"INK-2-6:(Fixed)", "0:*******", "1:(Fixed)"},
    {"INK-2-7:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-3-0:Ink near end 2", "0:Ink exists", "1:Ink near end"},
    {"INK-3-1:Ink end 2", "0:Ink exists", "1:Ink end"},
    {"INK-3-2:(Reserved)", "0:(Fixed)", "1:*******"},
    {"INK-3-3:(Reserved)", "0:(Fixed)", "1:*******"},
    {"INK-3-4:(Reserved)", "0:(Fixed)", "1:*******"},
    {"INK-3-5:(Reserved)", "0:(Fixed)", "1:*******"},
    {"INK-3-6:(Fixed)", "0:*******", "1:(Fixed)"},
    {"INK-3-6:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-0:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-1:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-2:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-3:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-4:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-5:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-6:(Fixed)", "0:(Fixed)", "1:*******"},
    {"INK-4-7:(Fixed)", "0:(Fixed)", "1:*******"},
});

constexpr auto default_ext_bit_names = std::to_array<BitName>({
    {"EXT-1-0:(Fixed)", "0:*******", "1:(Fixed)"},
    {"EXT-1-1:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-1-2:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-1-3:(Fixed)", "0:*******", "1:(Fixed)"},
    {"EXT-1-4:(Fixed)", "0:*******", "1:(Fixed)"},
    {"EXT-1-5:(Fixed)", "0:*******", "1:(Fixed)"},
    {"EXT-1-6:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-1-7:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-2-0:MICR function", "0:Selected", "1:Not selected"},
    {"EXT-2-1:Image scanner function", "0:Selected", "1:Not selected"},
    {"EXT-2-2:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-2-3:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-2-4:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-2-5:Slip face", "0:Surface", "1:Back face"},
    {"EXT-2-6:(Fixed)", "0:******", "1:(Fixed)"},
    {"EXT-2-7:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-3-0:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-3-1:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-3-2:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-3-3:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-3-4:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-3-5:(Reserved)", "0:(Fixed)", "1:*******"},
    {"EXT-3-6:(Fixed)", "0:*******", "1:(Fixed)"},
    {"EXT-3-7:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-0:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-1:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-2:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-3:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-4:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-5:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-6:(Fixed)", "0:(Fixed)", "1:*******"},
    {"EXT-4-7:(Fixed)", "0:(Fixed)", "1:*******"},
});

static_assert(default_asb_bit_names.size() == 32 && default_ink_bit_names.size() == 32 &&
              default_ext_bit_names.size() == 32);

// Entries whose label does not begin with the key of their own index.
constexpr int misnamed_entries(const BitNameTable &table, char letter) {
    int count = 0;
    for (int i = 0; i < 32; ++i) {
        std::string_view label = table[i].label;
        if (label.size() < 8 || label[0] != letter || label[4] != '1' + i / 8 || label[6] != '0' + i % 8 ||
            label[7] != ':')
            ++count;
    }
    return count;
}

static_assert(misnamed_entries(default_asb_bit_names, 'A') == 0);
static_assert(misnamed_entries(default_ext_bit_names, 'E') == 0);
// The last entry of ink byte 3 carries the key of the entry before it: that
// caption is what operators are used to seeing.
static_assert(misnamed_entries(default_ink_bit_names, 'I') == 1);
static_assert(std::string_view(default_ink_bit_names[23].label) == "INK-3-6:(Fixed)");

}  // namespace

constinit BitNameTable asb_bit_names = default_asb_bit_names;
constinit BitNameTable ink_bit_names = default_ink_bit_names;
constinit BitNameTable ext_bit_names = default_ext_bit_names;

namespace {

constexpr StatusLayout layout(BitNameTable &table, const char *const (&titles)[4]) {
    constexpr int column[4] = {1, 1, 41, 41};
    constexpr int row[4] = {9, 18, 9, 18};
    StatusLayout rows{};
    for (int i = 0; i < 4; ++i) rows[i] = {column[i], row[i], table.data() + 8 * i, titles[i]};
    return rows;
}

constexpr const char *asb_titles[4] = {"printer information", "error information", "paper sensor information",
                                       "paper sensor information"};
constexpr const char *ink_titles[4] = {"(Fixed)", "Status A", "Status B", "(Fixed)"};
constexpr const char *ext_titles[4] = {"(Fixed)", "Status A", "Status B", "(Fixed)"};

}  // namespace

constexpr StatusLayout asb_layout = layout(asb_bit_names, asb_titles);
constexpr StatusLayout ink_layout = layout(ink_bit_names, ink_titles);
constexpr StatusLayout ext_layout = layout(ext_bit_names, ext_titles);
