#include "printer/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void put16(std::vector<uint8_t> &v, size_t at, uint32_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void put32(std::vector<uint8_t> &v, size_t at, uint32_t x) {
    put16(v, at, x);
    put16(v, at + 2, x >> 16);
}

// A BMP file: headers, the colour table, then the stored rows as given
// (each padded to 4 bytes), bottom row first unless height is negative.
std::vector<uint8_t> bmp(int32_t width, int32_t height, int bits, const std::vector<uint32_t> &palette,
                         const std::vector<std::vector<uint8_t>> &stored_rows) {
    size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4;
    size_t offset = 54 + 4 * palette.size();
    std::vector<uint8_t> v(offset + stride * stored_rows.size());
    v[0] = 'B';
    v[1] = 'M';
    put32(v, 2, static_cast<uint32_t>(v.size()));
    put32(v, 10, static_cast<uint32_t>(offset));
    put32(v, 14, 40);
    put32(v, 18, static_cast<uint32_t>(width));
    put32(v, 22, static_cast<uint32_t>(height));
    put16(v, 26, 1);
    put16(v, 28, static_cast<uint32_t>(bits));
    put32(v, 46, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) put32(v, 54 + 4 * i, palette[i]);
    for (size_t r = 0; r < stored_rows.size(); ++r)
        std::memcpy(v.data() + offset + r * stride, stored_rows[r].data(), std::min(stride, stored_rows[r].size()));
    return v;
}

std::vector<uint8_t> band_of(const std::vector<uint8_t> &file, int32_t band_height, int32_t first_row) {
    MemorySource source(file);
    BitmapReader reader;
    EXPECT_EQ(reader.open(source, band_height), BitmapStatus::Ok);
    std::vector<uint8_t> band(reader.band_size());
    EXPECT_TRUE(reader.read_band(first_row, band.data()));
    return band;
}

// 1-bit pictures of odd sizes and top-down files are compared with
// ImageMagick's reading in tests/printer/image_test.py.

TEST(BmpReader, DeeperPixelsAreDotsBelowHalfLuminance) {
    // Palette: black, white, mid grey just below and just above half, pure blue.
    const std::vector<uint32_t> palette = {0x000000, 0xFFFFFF, 0x7F7F7F, 0x808080, 0x0000FF};
    const uint8_t dots = 0b10101000;  // indices 0, 1, 2, 3, 4 -> dark, light, dark, light, dark
    EXPECT_EQ(band_of(bmp(5, 1, 8, palette, {{0, 1, 2, 3, 4}}), 1, 0), (std::vector<uint8_t>{dots}));
    EXPECT_EQ(band_of(bmp(5, 1, 4, palette, {{0x01, 0x23, 0x40}}), 1, 0), (std::vector<uint8_t>{dots}));
    // Blue, green, red, white, black: green is light by luminance.
    EXPECT_EQ(band_of(bmp(5, 1, 24, {}, {{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0}}), 1, 0),
              (std::vector<uint8_t>{0b10101000}));
    EXPECT_EQ(band_of(bmp(2, 1, 32, {}, {{255, 255, 255, 0, 10, 10, 10, 255}}), 1, 0),
              (std::vector<uint8_t>{0b01000000}));
    // 5-5-5 pixels: white, blue, green.
    EXPECT_EQ(band_of(bmp(3, 1, 16, {}, {{0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03}}), 1, 0),
              (std::vector<uint8_t>{0b01000000}));
}

TEST(BmpReader, RefusesFilesItCannotReadSafely) {
    const auto good = bmp(16, 4, 1, {0, 0xFFFFFF}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}});
    struct Case {
        const char *name;
        size_t at;
        int size;  // 2 or 4 bytes, 0: cut the file at `at`
        uint32_t value;
        BitmapStatus status;
    };
    const Case cases[] = {
        {"type", 0, 2, 0x4D43, BitmapStatus::BadHeader},
        {"planes", 26, 2, 2, BitmapStatus::BadHeader},
        {"compression", 30, 4, 1, BitmapStatus::BadHeader},
        {"core header", 14, 4, 12, BitmapStatus::BadHeader},
        {"short headers", 53, 0, 0, BitmapStatus::BadHeader},
        {"zero width", 18, 4, 0, BitmapStatus::BadGeometry},
        {"negative width", 18, 4, 0xFFFFFFF0, BitmapStatus::BadGeometry},
        {"zero height", 22, 4, 0, BitmapStatus::BadGeometry},
        {"lowest height", 22, 4, 0x80000000, BitmapStatus::BadGeometry},
        {"depth 2", 28, 2, 2, BitmapStatus::BadGeometry},
        {"rows missing", 22, 4, 5, BitmapStatus::BadGeometry},
        {"short pixel data", 54 + 8 + 15, 0, 0, BitmapStatus::BadGeometry},
        {"offset past the end", 10, 4, 200, BitmapStatus::BadGeometry},
        {"offset inside the headers", 10, 4, 20, BitmapStatus::BadGeometry},
        {"band beyond the bound", 18, 4, 0x7FFFFFFF, BitmapStatus::BadGeometry},
        {"palette past the end", 28, 2, 8, BitmapStatus::BadGeometry},
        {"ok", 0, 0, 0, BitmapStatus::Ok},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> file = good;
        if (c.size == 2) put16(file, c.at, c.value);
        if (c.size == 4) put32(file, c.at, c.value);
        if (c.size == 0 && c.at) file.resize(c.at);
        MemorySource source(file);
        BitmapReader reader;
        EXPECT_EQ(reader.open(source, 0), c.status) << c.name;
    }
}

}  // namespace
