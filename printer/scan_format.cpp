#include "printer/scan_format.h"

bool parse_scan_size(std::string_view bytes, ScanSizeInfo *info) {
    *info = ScanSizeInfo{};
    if (bytes.size() < 4 || bytes.substr(0, 4) != std::string_view("S00\x1F", 4)) return false;
    uint16_t *fields[] = {&info->start_x, &info->start_y, &info->end_x,
                          &info->end_y,   &info->data_x,  &info->data_y};
    size_t i = 4;
    for (uint16_t *field : fields) {
        uint16_t v = 0;
        for (; i < bytes.size(); ++i) {
            uint8_t c = static_cast<uint8_t>(bytes[i]);
            if (c == 0x1F || c == 0x00) {
                ++i;
                break;
            }
            v = static_cast<uint16_t>(v * 10 + (c - '0'));
        }
        *field = v;
    }
    return true;
}

void decode_scan_hex(std::string_view text, std::vector<uint8_t> *out) {
    text = text.substr(0, text.find('\0'));
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out->push_back(scan_hex_byte(static_cast<uint8_t>(text[i]), static_cast<uint8_t>(text[i + 1])));
}

std::array<uint8_t, SCAN_BMP_HEADER_SIZE> scan_bmp_header(uint16_t width, uint16_t height) {
    std::array<uint8_t, SCAN_BMP_HEADER_SIZE> h{};
    size_t at = 0;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h[at++] = static_cast<uint8_t>(v >> (8 * i));
    };
    const uint32_t image = uint32_t{width} * height;
    h[at++] = 'B';
    h[at++] = 'M';
    put(image + SCAN_BMP_HEADER_SIZE, 4);
    put(0, 4);  // two reserved 16-bit words
    put(SCAN_BMP_HEADER_SIZE, 4);
    put(40, 4);
    put(width, 4);
    put(height, 4);
    put(1, 2);  // planes
    put(8, 2);  // bits per pixel
    put(0, 4);  // no compression
    put(image, 4);
    put(2834, 4);  // 72 dots per inch, in pixels per metre
    put(2834, 4);
    put(256, 4);
    put(256, 4);
    for (uint32_t i = 0; i < 256; ++i) put(i | i << 8 | i << 16, 4);
    return h;
}
