#include "sim/render_png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <filesystem>

namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

void png_failure(png_structp png, png_const_charp message) {
    *static_cast<std::string *>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void png_warning_ignored(png_structp, png_const_charp) {}

// The part that may jump: nothing here has a destructor to skip.
bool write_rows(PngWriter &w, std::FILE *out, int width, uint32_t height, uint8_t *row,
                bool (*next_row)(void *, uint8_t *), void *context) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_init_io(w.png, out);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), height, 1, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(w.png, 1);
    png_write_info(w.png, w.info);
    png_set_invert_mono(w.png);  // a dot is 1 here and black there
    for (uint32_t y = 0; y < height; ++y) {
        if (!next_row(context, row)) png_error(w.png, "the spooled rows ended early");
        png_write_row(w.png, row);
    }
    png_write_end(w.png, nullptr);
    return true;
}

struct Spool {
    std::FILE *file;
    size_t row_bytes;
    uint32_t left = 0;  // copies of the last row still to hand out
};

bool next_spooled_row(void *context, uint8_t *row) {
    Spool &s = *static_cast<Spool *>(context);
    if (s.left == 0) {
        if (std::fread(&s.left, sizeof s.left, 1, s.file) != 1 ||
            std::fread(row, 1, s.row_bytes, s.file) != s.row_bytes || s.left == 0)
            return false;
    }
    --s.left;
    return true;
}

}  // namespace

bool write_png(const std::string &path, int width, uint32_t height,
               bool (*next_row)(void *context, uint8_t *row), void *context, std::string *error) {
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) {
        *error = std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> row((width + 7) / 8);
    bool ok;
    {
        PngWriter w;
        w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, png_failure, png_warning_ignored);
        if (w.png) w.info = png_create_info_struct(w.png);
        ok = w.png && w.info && write_rows(w, out, width, height, row.data(), next_row, context);
        if (!w.png || !w.info) *error = "out of memory";
    }
    if (std::fclose(out) != 0 && ok) {
        *error = std::strerror(errno);
        ok = false;
    }
    return ok;
}

PngPaper::PngPaper(int width, std::string path, bool per_cut, std::FILE *err)
    : width_(width), path_(std::move(path)), per_cut_(per_cut), err_(err), dashes_((width + 7) / 8) {
    for (int x = 0; x < width; ++x)
        if (x % 16 < 8) dashes_[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    if (per_cut_) {
        std::error_code ec;
        std::filesystem::create_directories(path_, ec);
        if (ec) {
            std::fprintf(err_, "vordel-sim: can't make %s: %s\n", path_.c_str(), ec.message().c_str());
            ok_ = false;
        }
    }
}

PngPaper::~PngPaper() {
    if (spool_) std::fclose(spool_);
}

bool PngPaper::start() {
    if (!spool_ && !(spool_ = std::tmpfile())) {
        if (ok_) std::fprintf(err_, "vordel-sim: can't make a temporary file: %s\n", std::strerror(errno));
        ok_ = false;
    }
    return spool_ != nullptr;
}

void PngPaper::rows(std::span<const uint8_t> row, uint32_t count) {
    if (count == 0 || !start()) return;
    if (count > max_rows - height_) {
        count = max_rows - height_;
        if (!warned_)
            std::fprintf(err_, "vordel-sim: a picture longer than %u rows is cut short\n",
                         static_cast<unsigned>(max_rows));
        warned_ = true;
        if (count == 0) return;
    }
    height_ += count;
    std::fwrite(&count, sizeof count, 1, spool_);
    std::fwrite(row.data(), 1, row.size(), spool_);
}

void PngPaper::cut() {
    if (!per_cut_) {
        rows(dashes_, 2);
        return;
    }
    if (height_ > 0) {
        char name[32];
        std::snprintf(name, sizeof name, "receipt-%04d.png", pictures_ + 1);
        if (!write_picture((std::filesystem::path(path_) / name).string())) ok_ = false;
    }
}

bool PngPaper::finish() {
    if (!per_cut_) {
        if (height_ == 0) rows(std::vector<uint8_t>(dashes_.size()), 1);
        if (spool_ && !write_picture(path_)) ok_ = false;
    } else {
        cut();
    }
    return ok_;
}

bool PngPaper::write_picture(const std::string &path) {
    std::string error = "can't read the temporary file";
    bool ok = std::fflush(spool_) == 0 && std::fseek(spool_, 0, SEEK_SET) == 0;
    if (ok) {
        Spool spool{spool_, dashes_.size()};
        ok = write_png(path, width_, height_, next_spooled_row, &spool, &error);
    }
    if (!ok) std::fprintf(err_, "vordel-sim: can't write %s: %s\n", path.c_str(), error.c_str());
    else ++pictures_;
    std::fclose(spool_);
    spool_ = nullptr;
    height_ = 0;
    warned_ = false;
    return ok;
}
