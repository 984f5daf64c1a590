// QR Code Model 2 encoder: byte-mode text to a finished module matrix, and
// the matrix to printer dots as one GS v 0 raster image.
//  - The mask is chosen by this program's penalty score, computed before the
//    format and version information are placed; ties go to the lower mask.
//  - Everything works in fixed buffers sized for version 40; nothing is
//    allocated per symbol.
//  - The numeric, alphanumeric and Kanji modes are not built: asking for them
//    answers 1, like data that does not fit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "printer/qr_tables.h"

namespace qr {

// Module bits.
inline constexpr uint8_t kRawDark = 1;   // dark before masking
inline constexpr uint8_t kDark = 2;      // dark in the finished symbol
inline constexpr uint8_t kFunction = 4;  // never masked

enum Mode { kNumeric = 0, kAlphanumeric = 1, kByte = 2, kKanji = 3 };
enum Level { kLevelL = 0, kLevelM = 1, kLevelQ = 2, kLevelH = 3 };

struct Symbol {
    int version = 0;
    int size = 0;  // modules per side
    int mask = 0;
    // Row-major, kMaxSize modules per row whatever the version.
    std::array<uint8_t, kMaxSize * kMaxSize> modules{};

    uint8_t &at(int row, int col) { return modules[static_cast<size_t>(row * kMaxSize + col)]; }
    uint8_t at(int row, int col) const { return modules[static_cast<size_t>(row * kMaxSize + col)]; }
    bool dark(int row, int col) const { return at(row, col) & kDark; }
};

// Where symbol bytes go: port_send_byte or a test's collector.
using SendByte = int32_t (*)(int32_t byte);

// Builds the symbol for text. mask -1 chooses one. Returns 0, or 1 when the
// version is outside 1..40, the mode is not byte mode or the text does not
// fit; 2 mode outside 0..3; 3 level outside 0..3; 4 mask 8 or more.
int make_symbol(Symbol &symbol, std::span<const uint8_t> text, int version, int mode, int level, int mask);

// The symbol with a quiet zone of 4 modules, module_size dots per module:
// 1D 76 30 00, bytes per row and rows (16 bits each), then the dot rows.
void send_symbol(const Symbol &symbol, int module_size, SendByte send);

// make_symbol into a buffer of its own, then send_symbol; 5 when the module
// size is below 1 (checked before the text). Nothing is sent unless the result is 0.
int encode(std::span<const uint8_t> text, int version, int mode, int level, int mask, int module_size,
           SendByte send);

// The parameter checks of make_symbol and encode, in their order; 0 when
// all pass.
int check_parameters(int version, int mode, int level, int mask, int module_size);

// The version a text of this length is printed in at level M: the smallest
// of 1..9 whose capacity exceeds the length, else the smallest of 10..40
// that holds it; 0 when none does.
int choose_version(size_t length);

// The penalty score of the symbol's kDark bits.
int penalty(const Symbol &symbol);

}  // namespace qr
