#include "printer/bmp_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>

bool MemorySource::read_at(uint64_t offset, uint8_t *dst, size_t n) {
    if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
    if (n) std::memcpy(dst, bytes_.data() + offset, n);
    return true;
}

FileSource::~FileSource() {
    if (file_) std::fclose(file_);
}

bool FileSource::open(const char *path) {
    file_ = std::fopen(path, "rb");
    if (!file_) return false;
    if (fseeko(file_, 0, SEEK_END) != 0) return true;  // size 0: refused as too short
    off_t end = ftello(file_);
    size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    position_ = size_;
    return true;
}

bool FileSource::read_at(uint64_t offset, uint8_t *dst, size_t n) {
    if (!file_ || offset > size_ || n > size_ - offset) return false;
    // Rows are mostly read in file order: seek only when that order breaks.
    if (offset != position_) {
        if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
            position_ = UINT64_MAX;
            return false;
        }
        position_ = offset;
    }
    size_t got = std::fread(dst, 1, n, file_);
    position_ += got;
    return got == n;
}

namespace {

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

// Luminance below half of full scale (weights in thousandths).
bool is_dark(uint32_t r, uint32_t g, uint32_t b) { return 299 * r + 587 * g + 114 * b < 127500; }

bool depth_accepted(int32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

BitmapStatus BitmapReader::open(ByteSource &source, int32_t band_height) {
    source_ = &source;
    g_ = BitmapGeometry{};
    uint8_t file_header[kFileHeaderSize];
    uint8_t info[kInfoHeaderSize];
    if (!source.read_at(0, file_header, sizeof file_header) || !source.read_at(kFileHeaderSize, info, sizeof info))
        return BitmapStatus::BadHeader;
    uint32_t info_size = le32(info);
    uint16_t planes = le16(info + 12);
    uint32_t compression = le32(info + 16);
    if (le16(file_header) != 0x4D42 || planes != 1 || compression != 0 || info_size < kInfoHeaderSize)
        return BitmapStatus::BadHeader;

    g_.width = static_cast<int32_t>(le32(info + 4));
    g_.header_height = static_cast<int32_t>(le32(info + 8));
    g_.bits_per_pixel = le16(info + 14);
    g_.data_offset = le32(file_header + 10);
    g_.height = g_.header_height;
    if (g_.width <= 0 || g_.header_height == 0 || g_.header_height == INT32_MIN ||
        !depth_accepted(g_.bits_per_pixel))
        return BitmapStatus::BadGeometry;
    if (g_.header_height < 0) {
        g_.top_down = true;
        g_.height = -g_.header_height;
    }

    uint64_t width = static_cast<uint64_t>(g_.width);
    uint64_t height = static_cast<uint64_t>(g_.height);
    g_.stored_row_bytes = (width * static_cast<uint64_t>(g_.bits_per_pixel) + 31) / 32 * 4;
    g_.row_bytes = static_cast<int32_t>((width + 7) / 8);
    uint64_t band = band_height > 0 ? static_cast<uint64_t>(band_height) : (height + 7) / 8 * 8;
    if (g_.stored_row_bytes > kMaxBitmapBuffer || band * static_cast<uint64_t>(g_.row_bytes) > kMaxBitmapBuffer)
        return BitmapStatus::BadGeometry;
    // Both factors are bounded above, so the product cannot overflow.
    uint64_t data_end = g_.data_offset + g_.stored_row_bytes * height;
    if (g_.data_offset < kFileHeaderSize + kInfoHeaderSize || data_end > source.size())
        return BitmapStatus::BadGeometry;
    g_.band_height = static_cast<int32_t>(band);
    g_.band_bytes = g_.band_height / 8;

    if (g_.bits_per_pixel == 4 || g_.bits_per_pixel == 8) {
        if (!read_palette(info_size, le32(info + 32))) return BitmapStatus::BadGeometry;
    }
    stored_row_.assign(static_cast<size_t>(g_.stored_row_bytes), 0);
    return BitmapStatus::Ok;
}

bool BitmapReader::read_palette(uint32_t info_size, uint32_t colours_used) {
    uint32_t entries = 1u << g_.bits_per_pixel;
    if (colours_used != 0 && colours_used < entries) entries = colours_used;
    uint8_t table[256 * 4];
    if (!source_->read_at(uint64_t{kFileHeaderSize} + info_size, table, entries * 4)) return false;
    palette_dark_.fill(false);  // an index past the table is blank
    for (uint32_t i = 0; i < entries; ++i)
        palette_dark_[i] = is_dark(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    return true;
}

void BitmapReader::convert_row(const uint8_t *stored, uint8_t *dots) const {
    const size_t n = static_cast<size_t>(g_.row_bytes);
    const uint32_t width = static_cast<uint32_t>(g_.width);
    if (g_.bits_per_pixel == 1) {
        for (size_t i = 0; i < n; ++i) dots[i] = static_cast<uint8_t>(~stored[i]);
    } else {
        std::memset(dots, 0, n);
        for (uint32_t x = 0; x < width; ++x) {
            bool dark;
            switch (g_.bits_per_pixel) {
            case 4: dark = palette_dark_[(stored[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F]; break;
            case 8: dark = palette_dark_[stored[x]]; break;
            case 16: {
                uint32_t w = le16(stored + 2 * x);
                auto scale = [](uint32_t v) { return v << 3 | v >> 2; };
                dark = is_dark(scale(w >> 10 & 31), scale(w >> 5 & 31), scale(w & 31));
                break;
            }
            default: {
                const uint8_t *p = stored + static_cast<size_t>(x) * (static_cast<uint32_t>(g_.bits_per_pixel) / 8);
                dark = is_dark(p[2], p[1], p[0]);
                break;
            }
            }
            if (dark) dots[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    dots[n - 1] &= kEndOfRowMask[width & 7];
}

bool BitmapReader::read_band(int32_t first_row, uint8_t *band) {
    const size_t row = static_cast<size_t>(g_.row_bytes);
    std::memset(band, 0, band_size());
    bool ok = true;
    int32_t rows = std::clamp(g_.height - first_row, 0, g_.band_height);
    // Bottom-up files store the band's lowest row first: fill upward so the
    // reads follow the file.
    for (int32_t k = 0; k < rows; ++k) {
        int32_t band_row = g_.top_down ? k : rows - 1 - k;
        int64_t picture_row = int64_t{first_row} + band_row;
        int64_t stored_index = g_.top_down ? picture_row : g_.height - 1 - picture_row;
        uint64_t offset = g_.data_offset + static_cast<uint64_t>(stored_index) * g_.stored_row_bytes;
        if (!source_->read_at(offset, stored_row_.data(), stored_row_.size())) {
            ok = false;
            continue;
        }
        convert_row(stored_row_.data(), band + static_cast<size_t>(band_row) * row);
    }
    return ok;
}
