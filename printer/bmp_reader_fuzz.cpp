// Fuzz target for the BMP reader: any bytes as a file, read band by band
// with a band height taken from the input. The reader must never read
// outside its buffers nor allocate beyond its bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "printer/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static constexpr int32_t kBands[] = {0, 1, 8, 24, 7, 255};
    // The last byte picks the band height; a trailing byte never spoils a BMP.
    int32_t band_height = kBands[data[size - 1] % 6];
    MemorySource source({data, size});
    BitmapReader reader;
    if (reader.open(source, band_height) != BitmapStatus::Ok) return 0;
    const BitmapGeometry &g = reader.geometry();
    if (reader.band_size() > kMaxBitmapBuffer) __builtin_trap();
    std::vector<uint8_t> band(reader.band_size());
    // Every band of a short picture; the first and last few of a tall one.
    for (int64_t row = 0; row < g.height; row += g.band_height) {
        if (row > 4 * g.band_height && row + 4 * g.band_height < g.height) row = g.height - 4 * int64_t{g.band_height};
        reader.read_band(static_cast<int32_t>(row), band.data());
    }
    return 0;
}
