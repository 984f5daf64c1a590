// Picture and file download builtins: bitimage, download, bitmap, GS_v0,
// GS_Q0, the GS ( L / GS 8 L graphics functions 67 and 112 (68 and 113 send
// nothing) and file. (lognow lives with the log, in ports/file/.)
//  - A picture is read band by band from its BMP file (printer/bmp_reader.h)
//    and sent with port_send_byte; nothing is awaited from the printer.
//  - A missing or refused file is reported on standard output, nothing is
//    sent and the result is 0.
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>

#include "base/diag.h"
#include "base/port_ops.h"
#include "base/settings.h"
#include "core/builtin_args.h"
#include "printer/bmp_reader.h"
#include "printer/image_builtins.h"

namespace {

void send(std::initializer_list<uint32_t> bytes) {
    for (uint32_t b : bytes) current_port.port_send_byte(static_cast<int32_t>(b & 0xFF));
}

void send(const uint8_t *bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) current_port.port_send_byte(bytes[i]);
}

// One open picture with its band buffer; everything is released on return.
struct Picture {
    FileSource file;
    BitmapReader reader;
    std::unique_ptr<uint8_t[]> band;

    const BitmapGeometry &g() const { return reader.geometry(); }
    uint32_t width() const { return static_cast<uint32_t>(g().width); }
    uint32_t height() const { return static_cast<uint32_t>(g().height); }
    uint32_t x() const { return static_cast<uint32_t>(g().row_bytes); }
    uint32_t y() const { return (height() + 7) / 8; }
    void read(int32_t first_row) { reader.read_band(first_row, band.get()); }

    bool open(const std::string &path, int32_t band_height) {
        if (!file.open(path.c_str())) {
            std::printf("File '%s' is not exist.\n", path.c_str());
            return false;
        }
        BitmapStatus status = reader.open(file, band_height);
        if (status != BitmapStatus::BadHeader && run_options.status_analyze_mode) {
            std::printf(" bitmap width  = %ld\n", static_cast<long>(g().width));
            std::printf(" bitmap height = %ld\n", static_cast<long>(g().header_height));
        }
        if (status != BitmapStatus::Ok) {
            std::printf("File '%s' is not bitmap file.\n", path.c_str());
            return false;
        }
        band.reset(new (std::nothrow) uint8_t[reader.band_size()]);
        return band != nullptr;
    }
};

// Column format: for each column, one byte per group of 8 band rows, most
// significant bit the top row of the group.
void send_columns(const Picture &p, uint32_t columns, uint32_t groups) {
    const uint8_t *band = p.band.get();
    const size_t row = p.x();
    for (uint32_t c = 0; c < columns; ++c) {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (c % 8));
        const uint8_t *column = band + c / 8;
        for (uint32_t g = 0; g < groups; ++g) {
            uint8_t out = 0;
            for (uint32_t i = 0; i < 8; ++i)
                if (column[(8 * g + i) * row] & bit) out |= static_cast<uint8_t>(0x80 >> i);
            current_port.port_send_byte(out);
        }
    }
}

// Raster format: every picture row from the top, x bytes each.
void send_raster(Picture &p) {
    for (uint32_t r = 0; r < p.height(); ++r) {
        p.read(static_cast<int32_t>(r));
        send(p.band.get(), p.x());
    }
}

// download and bitmap: the whole picture in one band, x * 8 columns.
NODE *whole_picture(NODE *list, bool with_command) {
    BuiltinArgs args(list);
    std::string path = arg_text(args);
    if (unwinding()) return null_string;
    Picture p;
    if (!p.open(path, 0)) return number_result(0);
    p.read(0);
    if (with_command)
        send({0x1D, 0x2A, p.x(), p.y()});
    else
        send({p.x(), p.x() >> 8, p.y(), p.y() >> 8});
    send_columns(p, p.x() * 8, p.y());
    return number_result(1);
}

enum class Graphics { Define67, Store112 };

// The GS ( L (16-bit length) and GS 8 L (32-bit length) raster graphics.
NODE *graphics(NODE *list, Graphics function, bool long_length) {
    BuiltinArgs args(list);
    uint32_t a = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    uint32_t b = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    uint32_t c = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    std::string path = arg_text(args);
    if (unwinding()) return null_string;
    Picture p;
    if (!p.open(path, 1)) return number_result(0);
    uint64_t data = uint64_t{p.x()} * p.height();
    uint32_t length = static_cast<uint32_t>((function == Graphics::Define67 ? 11 : 10) + data);
    if (long_length)
        send({0x1D, 0x38, 0x4C, length, length >> 8, length >> 16, length >> 24});
    else
        send({0x1D, 0x28, 0x4C, length, length >> 8});
    uint32_t w = p.width(), h = p.height();
    if (function == Graphics::Define67)
        send({0x30, 0x43, 0x30, a, b, 0x01, w, w >> 8, h, h >> 8, c});
    else
        send({0x30, 0x70, 0x30, a, b, c, w, w >> 8, h, h >> 8});
    send_raster(p);
    return number_result(1);
}

}  // namespace

NODE *do_bitimage(NODE *list) {
    BuiltinArgs args(list);
    std::string path = arg_text(args);
    uint32_t m = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    if (unwinding()) return null_string;
    int32_t band_height;
    switch (m) {
    case 0: case 1: band_height = 8; break;
    case 32: case 33: case 39: band_height = 24; break;
    default: return number_result(0);
    }
    Picture p;
    if (!p.open(path, band_height)) return number_result(0);
    for (uint32_t r = 0; r < p.height(); r += static_cast<uint32_t>(band_height)) {
        p.read(static_cast<int32_t>(r));
        send({0x1B, 0x2A, m, p.width(), p.width() >> 8});
        send_columns(p, p.width(), static_cast<uint32_t>(band_height / 8));
        send({0x0A});
    }
    return number_result(1);
}

NODE *do_download(NODE *list) { return whole_picture(list, true); }

NODE *do_bitmap(NODE *list) { return whole_picture(list, false); }

NODE *do_GS_v0(NODE *list) {
    BuiltinArgs args(list);
    uint32_t m = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    std::string path = arg_text(args);
    if (unwinding()) return null_string;
    Picture p;
    if (!p.open(path, 1)) return number_result(0);
    send({0x1D, 0x76, 0x30, m, p.x(), p.x() >> 8, p.height(), p.height() >> 8});
    send_raster(p);
    return number_result(1);
}

NODE *do_GS_Q0(NODE *list) {
    BuiltinArgs args(list);
    uint32_t m = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    std::string path = arg_text(args);
    uint32_t band = static_cast<uint32_t>(arg_number(args)) & 0xFF;
    if (unwinding()) return null_string;
    // Any other band height would stall on the first band or drop rows.
    if (band == 0 || band % 8 != 0) {
        warning("GS_Q0: band height %u is not a positive multiple of 8", band);
        return number_result(0);
    }
    Picture p;
    if (!p.open(path, static_cast<int32_t>(band))) return number_result(0);
    for (uint32_t r = 0; r < p.height(); r += band) {
        p.read(static_cast<int32_t>(r));
        uint32_t left = p.height() - r;
        uint32_t groups = left >= band ? band / 8 : (left + 7) / 8;
        send({0x1D, 0x51, 0x30, m, p.width(), p.width() >> 8, groups, groups >> 8});
        send_columns(p, p.width(), groups);
    }
    return number_result(1);
}

NODE *do_GS_LP_L_67(NODE *list) { return graphics(list, Graphics::Define67, false); }
NODE *do_GS_8_L_67(NODE *list) { return graphics(list, Graphics::Define67, true); }
NODE *do_GS_LP_L_112(NODE *list) { return graphics(list, Graphics::Store112, false); }
NODE *do_GS_8_L_112(NODE *list) { return graphics(list, Graphics::Store112, true); }

NODE *do_GS_8_L_68(NODE *) { return number_result(0); }

NODE *do_file(NODE *list) {
    BuiltinArgs args(list);
    std::string path = arg_text(args);
    if (unwinding()) return null_string;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return number_result(-1);
    uint8_t buffer[8192];
    size_t n, total = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        send(buffer, n);
        total += n;
    }
    // A directory opens here but cannot be read: it is no file to send.
    bool unreadable = total == 0 && std::ferror(f);
    std::fclose(f);
    return number_result(unreadable ? -1 : 1);
}
