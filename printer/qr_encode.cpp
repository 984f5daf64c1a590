#include "printer/qr_encode.h"

#include <algorithm>
#include <cstring>

namespace qr {
namespace {

// GF(256) with the primitive polynomial x^8 + x^4 + x^3 + x^2 + 1.
struct Galois {
    uint8_t exp[512]{};
    uint8_t log[256]{};
    constexpr Galois() {
        unsigned x = 1;
        for (int i = 0; i < 255; ++i) {
            exp[i] = static_cast<uint8_t>(x);
            log[x] = static_cast<uint8_t>(i);
            x <<= 1;
            if (x & 0x100) x ^= 0x11D;
        }
        for (int i = 255; i < 512; ++i) exp[i] = exp[i - 255];
    }
};
constexpr Galois kGf;

constexpr int kMaxEcPerBlock = 30;

// The generator polynomial of the given degree, prod (x - a^i) for i < degree,
// as the logarithms of its coefficients below the leading 1 (highest first).
void generator(int degree, uint8_t *log_coefficients) {
    uint8_t poly[kMaxEcPerBlock + 1] = {1};  // poly[0] is the leading coefficient
    for (int i = 0; i < degree; ++i) {
        // Multiply by (x + a^i).
        for (int j = i + 1; j > 0; --j) {
            uint8_t term = poly[j - 1] ? kGf.exp[kGf.log[poly[j - 1]] + i] : 0;
            poly[j] ^= term;
        }
    }
    for (int j = 0; j < degree; ++j) log_coefficients[j] = kGf.log[poly[j + 1]];
}

// The remainder of data * x^degree divided by the generator.
void reed_solomon(const uint8_t *data, int length, int degree, const uint8_t *gen_log, uint8_t *ec) {
    std::memset(ec, 0, static_cast<size_t>(degree));
    for (int i = 0; i < length; ++i) {
        uint8_t factor = data[i] ^ ec[0];
        std::memmove(ec, ec + 1, static_cast<size_t>(degree - 1));
        ec[degree - 1] = 0;
        if (factor) {
            int f = kGf.log[factor];
            for (int j = 0; j < degree; ++j) ec[j] ^= kGf.exp[gen_log[j] + f];
        }
    }
}

class BitWriter {
public:
    explicit BitWriter(uint8_t *buffer) : buffer_(buffer) {}
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (value >> i & 1) buffer_[bit_ / 8] |= static_cast<uint8_t>(0x80 >> (bit_ % 8));
            ++bit_;
        }
    }
    int bits() const { return bit_; }

private:
    uint8_t *buffer_;
    int bit_ = 0;
};

// The data codewords: mode, count, text, terminator and pad bytes.
bool data_codewords(std::span<const uint8_t> text, int version, const EcBlocks &blocks, uint8_t *out) {
    const int capacity = blocks.data_codewords * 8;
    const int count_bits = byte_count_bits(version);
    if (4 + count_bits + 8 * static_cast<int64_t>(text.size()) > capacity) return false;
    std::memset(out, 0, blocks.data_codewords);
    BitWriter w(out);
    w.put(0b0100, 4);
    w.put(static_cast<uint32_t>(text.size()), count_bits);
    for (uint8_t b : text) w.put(b, 8);
    w.put(0, std::min(4, capacity - w.bits()));
    int used = (w.bits() + 7) / 8;
    for (int i = used; i < blocks.data_codewords; ++i) out[i] = (i - used) % 2 ? 0x11 : 0xEC;
    return true;
}

// Splits the data into blocks, adds each block's error correction and
// interleaves: data codewords column by column, then the ec codewords.
void interleave(const uint8_t *data, const EcBlocks &e, uint8_t *out) {
    const int blocks = e.blocks1 + e.blocks2;
    const int ec_len = e.ec_per_block;
    uint8_t gen_log[kMaxEcPerBlock];
    generator(ec_len, gen_log);
    static uint8_t ec[kMaxCodewords];  // the ec codewords block after block
    const uint8_t *block_data[81];
    int block_len[81];
    const uint8_t *p = data;
    for (int b = 0; b < blocks; ++b) {
        block_len[b] = e.data1 + (b >= e.blocks1 ? 1 : 0);
        block_data[b] = p;
        reed_solomon(p, block_len[b], ec_len, gen_log, ec + b * ec_len);
        p += block_len[b];
    }
    int k = 0;
    for (int i = 0; i <= e.data1; ++i)
        for (int b = 0; b < blocks; ++b)
            if (i < block_len[b]) out[k++] = block_data[b][i];
    for (int i = 0; i < ec_len; ++i)
        for (int b = 0; b < blocks; ++b) out[k++] = ec[b * ec_len + i];
}

void set_function(Symbol &s, int row, int col, bool dark) {
    s.at(row, col) = static_cast<uint8_t>(kFunction | (dark ? kRawDark | kDark : 0));
}

void place_finder(Symbol &s, int top, int left) {
    // The 7 x 7 pattern and its one-module light separator, clipped to the symbol.
    for (int r = -1; r <= 7; ++r) {
        for (int c = -1; c <= 7; ++c) {
            int row = top + r, col = left + c;
            if (row < 0 || row >= s.size || col < 0 || col >= s.size) continue;
            int ring = std::max(std::abs(r - 3), std::abs(c - 3));
            set_function(s, row, col, ring != 2 && ring != 4);
        }
    }
}

void place_function_patterns(Symbol &s) {
    const int n = s.size;
    for (int r = 0; r < n; ++r) std::memset(&s.at(r, 0), 0, static_cast<size_t>(n));
    place_finder(s, 0, 0);
    place_finder(s, 0, n - 7);
    place_finder(s, n - 7, 0);
    for (int i = 8; i < n - 8; ++i) {
        set_function(s, 6, i, i % 2 == 0);
        set_function(s, i, 6, i % 2 == 0);
    }
    const int count = alignment_count(s.version);
    const uint8_t *centres = kAlignment[s.version - 1];
    for (int a = 0; a < count; ++a) {
        for (int b = 0; b < count; ++b) {
            bool on_finder = (a == 0 && b == 0) || (a == 0 && b == count - 1) || (a == count - 1 && b == 0);
            if (on_finder) continue;
            for (int r = -2; r <= 2; ++r)
                for (int c = -2; c <= 2; ++c)
                    set_function(s, centres[a] + r, centres[b] + c, std::max(std::abs(r), std::abs(c)) != 1);
        }
    }
    // Format areas (the dark module among them) and version areas stay light
    // until the mask is chosen.
    for (int i = 0; i <= 8; ++i) {
        if (i != 6) {
            set_function(s, 8, i, false);
            set_function(s, i, 8, false);
        }
    }
    for (int i = 0; i < 8; ++i) {
        set_function(s, 8, n - 1 - i, false);
        set_function(s, n - 1 - i, 8, false);
    }
    if (s.version >= 7) {
        for (int i = 0; i < 18; ++i) {
            set_function(s, i / 3, n - 11 + i % 3, false);
            set_function(s, n - 11 + i % 3, i / 3, false);
        }
    }
}

// Codeword bits in two-module columns from the bottom right, up and down in
// turn, the vertical timing column skipped.
void place_codewords(Symbol &s, const uint8_t *codewords, int count) {
    const int n = s.size;
    const int total_bits = count * 8;
    int bit = 0;
    for (int right = n - 1; right >= 1; right -= 2) {
        if (right == 6) right = 5;
        const bool upward = ((right + 1) & 2) == 0;
        for (int v = 0; v < n; ++v) {
            int row = upward ? n - 1 - v : v;
            for (int j = 0; j < 2; ++j) {
                uint8_t &m = s.at(row, right - j);
                if (m & kFunction) continue;
                if (bit < total_bits && (codewords[bit / 8] >> (7 - bit % 8) & 1)) m = kRawDark;
                ++bit;
            }
        }
    }
}

bool mask_bit(int mask, int i, int j) {
    switch (mask) {
    case 0: return (i + j) % 2 == 0;
    case 1: return i % 2 == 0;
    case 2: return j % 3 == 0;
    case 3: return (i + j) % 3 == 0;
    case 4: return (i / 2 + j / 3) % 2 == 0;
    case 5: return (i * j) % 2 + (i * j) % 3 == 0;
    case 6: return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default: return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
}

void apply_mask(Symbol &s, int mask) {
    for (int i = 0; i < s.size; ++i) {
        // Within a row every mask repeats every 6 columns.
        uint8_t pattern[6];
        for (int j = 0; j < 6; ++j) pattern[j] = mask_bit(mask, i, j) ? kDark : 0;
        uint8_t *row = &s.at(i, 0);
        for (int j = 0, k = 0; j < s.size; ++j, k = k == 5 ? 0 : k + 1) {
            uint8_t m = row[j];
            if (m & kFunction) continue;
            row[j] = static_cast<uint8_t>(m & kRawDark) | (static_cast<uint8_t>((m & kRawDark) << 1) ^ pattern[k]);
        }
    }
}

// One row or column of the symbol as bits, bit i = module i (1 dark),
// with room for a light module on each side.
struct Line {
    static constexpr int kWords = 3;
    static_assert(kWords * 64 >= kMaxSize + 2);
    uint64_t w[kWords];

    Line shr(int k) const {  // bit i becomes bit i - k, 0 < k < 64
        Line r;
        for (int i = 0; i < kWords; ++i) r.w[i] = w[i] >> k | (i + 1 < kWords ? w[i + 1] << (64 - k) : 0);
        return r;
    }
    Line shl1() const {
        Line r;
        for (int i = 0; i < kWords; ++i) r.w[i] = w[i] << 1 | (i > 0 ? w[i - 1] >> 63 : 0);
        return r;
    }
    Line operator&(const Line &o) const { return map(o, [](uint64_t a, uint64_t b) { return a & b; }); }
    Line operator^(const Line &o) const { return map(o, [](uint64_t a, uint64_t b) { return a ^ b; }); }
    Line operator~() const { return map(*this, [](uint64_t a, uint64_t) { return ~a; }); }
    int count() const {
        // Inline bit count: without a processor option the builtin is a
        // library call, slower than this.
        int c = 0;
        for (uint64_t x : w) {
            x -= x >> 1 & 0x5555555555555555;
            x = (x & 0x3333333333333333) + (x >> 2 & 0x3333333333333333);
            x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0F;
            c += static_cast<int>(x * 0x0101010101010101 >> 56);
        }
        return c;
    }
    static Line first(int n) {  // bits 0 .. n - 1 set, n >= 0
        Line r{};
        for (int i = 0; i < kWords; ++i) {
            int bits = std::clamp(n - 64 * i, 0, 64);
            r.w[i] = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
        }
        return r;
    }

private:
    template <typename F>
    Line map(const Line &o, F f) const {
        Line r;
        for (int i = 0; i < kWords; ++i) r.w[i] = f(w[i], o.w[i]);
        return r;
    }
};

// Rule 1 (a run of k >= 5 scores k - 2: one per window of 5 alike modules,
// and 2 more where the run starts) and rule 3 (the finder-like pattern with a
// light module on each side, outside the symbol counting as light) along one
// line of n modules.
int line_penalty(const Line &x, int n) {
    Line same = ~(x ^ x.shr(1));  // module i is like module i + 1
    Line run5 = same & same.shr(1) & same.shr(2) & same.shr(3) & Line::first(n - 4);
    Line starts = run5 & ~same.shl1();
    Line y = x.shl1();  // bit 0 is the light module before the line
    Line pattern = ~y & y.shr(1) & ~y.shr(2) & y.shr(3) & y.shr(4) & y.shr(5) & ~y.shr(6) & y.shr(7) &
                   ~y.shr(8) & Line::first(n - 6);
    return run5.count() + 2 * starts.count() + 40 * pattern.count();
}

void place_format(Symbol &s, int level, int mask) {
    static constexpr uint32_t kLevelBits[4] = {0b01, 0b00, 0b11, 0b10};
    uint32_t data = kLevelBits[level] << 3 | static_cast<uint32_t>(mask);
    uint32_t rem = data << 10;
    for (int bit = 14; bit >= 10; --bit)
        if (rem >> bit & 1) rem ^= 0x537u << (bit - 10);
    const uint32_t bits = (data << 10 | rem) ^ 0x5412;
    auto on = [bits](int i) { return (bits >> i & 1) != 0; };
    const int n = s.size;
    for (int i = 0; i <= 5; ++i) set_function(s, i, 8, on(i));
    set_function(s, 7, 8, on(6));
    set_function(s, 8, 8, on(7));
    set_function(s, 8, 7, on(8));
    for (int i = 9; i < 15; ++i) set_function(s, 8, 14 - i, on(i));
    for (int i = 0; i < 8; ++i) set_function(s, 8, n - 1 - i, on(i));
    for (int i = 8; i < 15; ++i) set_function(s, n - 15 + i, 8, on(i));
    set_function(s, n - 8, 8, true);
    if (s.version >= 7) {
        const uint32_t word = kVersionInfo[s.version - 7];
        for (int i = 0; i < 18; ++i) {
            bool dark = (word >> i & 1) != 0;
            set_function(s, i / 3, n - 11 + i % 3, dark);
            set_function(s, n - 11 + i % 3, i / 3, dark);
        }
    }
}

// Packs dots most significant bit first and hands on each full byte.
class DotWriter {
public:
    explicit DotWriter(SendByte send) : send_(send) {}
    void put(bool dark, int count) {
        while (count > 0) {
            int take = std::min(count, 8 - bits_);
            acc_ = static_cast<uint8_t>(acc_ << take | (dark ? (1u << take) - 1 : 0));
            bits_ += take;
            count -= take;
            if (bits_ == 8) {
                send_(acc_);
                acc_ = 0;
                bits_ = 0;
            }
        }
    }
    void end_row() {
        if (bits_) put(false, 8 - bits_);
    }

private:
    SendByte send_;
    uint8_t acc_ = 0;
    int bits_ = 0;
};

}  // namespace

int penalty(const Symbol &s) {
    const int n = s.size;
    static Line rows[kMaxSize], cols[kMaxSize];
    for (int i = 0; i < n; ++i) rows[i] = cols[i] = Line{};
    for (int i = 0; i < n; ++i) {
        const uint8_t *row = s.modules.data() + i * kMaxSize;
        for (int j = 0; j < n; ++j) {
            uint64_t d = (row[j] & kDark) >> 1;
            rows[i].w[j >> 6] |= d << (j & 63);
            cols[j].w[i >> 6] |= d << (i & 63);
        }
    }
    int score = 0, dark = 0;
    const Line inner = Line::first(n - 1);
    for (int i = 0; i < n; ++i) {
        score += line_penalty(rows[i], n) + line_penalty(cols[i], n);
        dark += rows[i].count();
        if (i + 1 < n) {
            // Rule 2: each 2 x 2 block of one colour.
            const Line &a = rows[i], &b = rows[i + 1];
            Line block = ~(a ^ b) & ~(a ^ a.shr(1)) & ~(b ^ b.shr(1)) & inner;
            score += 3 * block.count();
        }
    }
    int p = 100 * dark / (n * n);
    score += 10 * (std::abs(p - 50) / 5);
    return score;
}

int check_parameters(int version, int mode, int level, int mask, int module_size) {
    if (version < 1 || version > kMaxVersion) return 1;
    if (mode < 0 || mode > 3) return 2;
    if (level < 0 || level > 3) return 3;
    if (mask >= 8) return 4;
    if (module_size < 1) return 5;
    return mode == kByte ? 0 : 1;
}

int choose_version(size_t length) {
    for (int v = 1; v <= 9; ++v)
        if (kByteCapacityM[v - 1] > length) return v;
    for (int v = 10; v <= kMaxVersion; ++v)
        if (kByteCapacityM[v - 1] >= length) return v;
    return 0;
}

int make_symbol(Symbol &s, std::span<const uint8_t> text, int version, int mode, int level, int mask) {
    if (int bad = check_parameters(version, mode, level, mask, 1)) return bad;
    const EcBlocks &blocks = kEcBlocks[version - 1][level];
    static uint8_t data[kMaxDataCodewords];
    static uint8_t codewords[kMaxCodewords];
    if (!data_codewords(text, version, blocks, data)) return 1;
    interleave(data, blocks, codewords);

    s.version = version;
    s.size = symbol_size(version);
    place_function_patterns(s);
    place_codewords(s, codewords, kTotalCodewords[version - 1]);
    if (mask < 0) {
        int best = 0, best_score = 0;
        for (int m = 0; m < 8; ++m) {
            apply_mask(s, m);
            int score = penalty(s);
            if (m == 0 || score < best_score) {
                best = m;
                best_score = score;
            }
        }
        mask = best;
    }
    apply_mask(s, mask);
    s.mask = mask;
    place_format(s, level, mask);
    return 0;
}

void send_symbol(const Symbol &s, int module_size, SendByte send) {
    const uint32_t dots = static_cast<uint32_t>(s.size + 8) * static_cast<uint32_t>(module_size);
    const uint32_t row_bytes = (dots + 7) / 8;
    for (uint32_t b : {0x1Du, 0x76u, 0x30u, 0x00u, row_bytes, row_bytes >> 8, dots, dots >> 8})
        send(static_cast<int32_t>(b & 0xFF));
    const int quiet = 4 * module_size;
    for (int r = 0; r < quiet; ++r)
        for (uint32_t i = 0; i < row_bytes; ++i) send(0);
    // The module_size dot rows of a module row are alike: pack them once
    // when they fit the row buffer.
    static uint8_t row[2048];
    static size_t filled;
    const bool buffered = row_bytes <= sizeof row;
    DotWriter w(buffered ? [](int32_t b) { row[filled++] = static_cast<uint8_t>(b); return int32_t{1}; } : send);
    for (int r = 0; r < s.size; ++r) {
        for (int k = 0; k < (buffered ? 1 : module_size); ++k) {
            filled = 0;
            w.put(false, quiet);
            for (int c = 0; c < s.size; ++c) w.put(s.dark(r, c), module_size);
            w.put(false, quiet);
            w.end_row();
        }
        if (buffered)
            for (int k = 0; k < module_size; ++k)
                for (size_t i = 0; i < filled; ++i) send(row[i]);
    }
    for (int r = 0; r < quiet; ++r)
        for (uint32_t i = 0; i < row_bytes; ++i) send(0);
}

int encode(std::span<const uint8_t> text, int version, int mode, int level, int mask, int module_size,
           SendByte send) {
    static Symbol symbol;
    int result = check_parameters(version, mode, level, mask, module_size);
    if (result == 0) result = make_symbol(symbol, text, version, mode, level, mask);
    if (result == 0) send_symbol(symbol, module_size, send);
    return result;
}

}  // namespace qr
