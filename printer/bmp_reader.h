// Reads a BMP picture as printer dots, one band of rows at a time, so a
// picture of any height is sent while only one band is in memory.
//  - Accepted: type "BM", one plane, no compression, an information header of
//    at least 40 bytes, 1, 4, 8, 16, 24 or 32 bits per pixel, bottom-up or
//    top-down (negative height) rows.
//  - 1 bit per pixel: a 0 bit is a dot, whatever the colour table says.
//    Deeper pixels are a dot when their luminance is below half.
//  - A width or height of 0, pixel data the file does not hold, or a band or
//    stored row beyond kMaxBitmapBuffer bytes is refused, so a hostile file
//    never causes a large allocation or a read outside the file.
//  - A band row is (width + 7) / 8 bytes, most significant bit the leftmost
//    dot, bits beyond the right edge 0; rows below the picture are blank.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

// Where the file's bytes come from: a file on disk or memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // False when fewer than n bytes exist at offset.
    virtual bool read_at(uint64_t offset, uint8_t *dst, size_t n) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    bool read_at(uint64_t offset, uint8_t *dst, size_t n) override;

private:
    std::span<const uint8_t> bytes_;
};

class FileSource final : public ByteSource {
public:
    FileSource() = default;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;
    ~FileSource() override;

    bool open(const char *path);  // false when it cannot be read
    uint64_t size() const override { return size_; }
    bool read_at(uint64_t offset, uint8_t *dst, size_t n) override;

private:
    std::FILE *file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

inline constexpr uint64_t kMaxBitmapBuffer = 64u << 20;

// End-of-row masks indexed by width AND 7: entry k keeps the leftmost k bits.
inline constexpr std::array<uint8_t, 8> kEndOfRowMask = {0xFF, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};

struct BitmapGeometry {
    int32_t width = 0;
    int32_t height = 0;         // rows, always positive once accepted
    int32_t header_height = 0;  // as the file says (negative: top-down)
    int32_t bits_per_pixel = 0;
    uint32_t data_offset = 0;
    uint64_t stored_row_bytes = 0;  // one file row, padded to 4 bytes
    int32_t row_bytes = 0;          // one band row: (width + 7) / 8
    int32_t band_height = 0;
    int32_t band_bytes = 0;  // band_height / 8
    bool top_down = false;
};

enum class BitmapStatus {
    Ok,
    BadHeader,    // not a BMP this reader takes; geometry unknown
    BadGeometry,  // headers read (width and height known), contents refused
};

class BitmapReader {
public:
    // Reads and checks the headers. band_height 0 means the whole picture,
    // its height rounded up to a multiple of 8.
    BitmapStatus open(ByteSource &source, int32_t band_height);
    const BitmapGeometry &geometry() const { return g_; }
    size_t band_size() const { return static_cast<size_t>(g_.band_height) * static_cast<size_t>(g_.row_bytes); }

    // Fills band (band_size() bytes) with picture rows first_row ..
    // first_row + band_height - 1, counted from the top. False when the file
    // could not be read after all; the rows it lacks are blank.
    bool read_band(int32_t first_row, uint8_t *band);

private:
    bool read_palette(uint32_t info_size, uint32_t colours_used);
    void convert_row(const uint8_t *stored, uint8_t *dots) const;

    ByteSource *source_ = nullptr;
    BitmapGeometry g_;
    std::array<bool, 256> palette_dark_{};
    std::vector<uint8_t> stored_row_;
};
