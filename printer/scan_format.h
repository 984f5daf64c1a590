// The pure pieces of the scanner read-back: the size information a scanner
// sends before its data, the hexadecimal text of the hex encodings, and the
// grey-scale BMP header put in front of a scanned picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct ScanSizeInfo {
    uint16_t start_x = 0, start_y = 0, end_x = 0, end_y = 0;
    uint16_t data_x = 0, data_y = 0;  // pixels per line, lines
};

// Parses "S00" 1F, then six decimal numbers ended by 1F or NUL (16-bit
// arithmetic, so digits are not checked: each byte adds byte - '0').
// False (and all zero) when the text does not start that way.
bool parse_scan_size(std::string_view bytes, ScanSizeInfo *info);

// One hex digit as the scanner's text is read: above '9' it counts as
// c - 0x37, else c - 0x30, so a byte that is no digit still decodes to
// something and never stops the transfer.
constexpr uint32_t scan_hex_nibble(uint8_t c) { return c > '9' ? c - 0x37u : c - 0x30u; }
constexpr uint8_t scan_hex_byte(uint8_t high, uint8_t low) {
    return static_cast<uint8_t>((scan_hex_nibble(high) << 4) + scan_hex_nibble(low));
}
static_assert(scan_hex_byte('A', '5') == 0xA5 && scan_hex_byte('0', 'F') == 0x0F);

// Appends the bytes of hex text up to its first NUL (or its end); a last
// digit without a partner is dropped.
void decode_scan_hex(std::string_view text, std::vector<uint8_t> *out);

constexpr uint32_t SCAN_BMP_HEADER_SIZE = 14 + 40 + 256 * 4;
static_assert(SCAN_BMP_HEADER_SIZE == 1078);
// File header, information header and grey palette for an 8-bit picture of
// width x height whose data follows as it comes.
std::array<uint8_t, SCAN_BMP_HEADER_SIZE> scan_bmp_header(uint16_t width, uint16_t height);
