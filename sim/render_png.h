// Where the preview's dots go. A Paper takes finished dot rows, top to
// bottom, and the cuts between them. PngPaper keeps the rows in a temporary
// file (memory stays flat however long the paper) and writes PNG pictures,
// white paper and black dots, one pixel per dot: either one picture with a
// dashed line at every cut, or one picture per cut in a folder
// (receipt-0001.png, ...). A picture holds at most max_rows rows; the rest
// of it is dropped with a warning.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

class Paper {
public:
    virtual ~Paper() = default;
    // count rows equal to row: (width + 7) / 8 bytes, leftmost dot in the
    // high bit, 1 for a dot.
    virtual void rows(std::span<const uint8_t> row, uint32_t count) = 0;
    virtual void cut() = 0;
};

class PngPaper : public Paper {
public:
    static constexpr uint32_t max_rows = 1000000;

    // per_cut: path is a folder (made if missing), else the picture.
    // Complaints go to err.
    PngPaper(int width, std::string path, bool per_cut, std::FILE *err);
    ~PngPaper() override;
    PngPaper(const PngPaper &) = delete;
    PngPaper &operator=(const PngPaper &) = delete;

    void rows(std::span<const uint8_t> row, uint32_t count) override;
    void cut() override;
    // Writes what was printed since the last cut (one picture: the whole
    // paper, at least one blank row). False when a picture could not be
    // written.
    bool finish();
    int pictures() const { return pictures_; }

private:
    bool start();
    bool write_picture(const std::string &path);

    int width_;
    std::string path_;
    bool per_cut_;
    std::FILE *err_;
    std::FILE *spool_ = nullptr;
    uint32_t height_ = 0;
    bool warned_ = false;
    bool ok_ = true;
    int pictures_ = 0;
    std::vector<uint8_t> dashes_;
};

// The PNG file of a picture from rows of (width + 7) / 8 bytes; false with
// *error set when it cannot be written.
bool write_png(const std::string &path, int width, uint32_t height,
               bool (*next_row)(void *context, uint8_t *row), void *context, std::string *error);
