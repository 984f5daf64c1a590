// One-byte status replies decoded into fixed lines. Each decoder is a list of
// rows walked by show_lines; the texts are the ones operators know, spelling
// slips included, so they must stay byte for byte.
#include <span>

#include "printer/status_texts.h"
#include "base/settings.h"

namespace {

struct StatusLine {
    uint8_t bit;
    const char *format;  // exactly one %s, filled with text1 or text0
    const char *text1;
    const char *text0;
};

using Lines = std::span<const StatusLine>;

void show_lines(std::FILE *out, Lines lines, uint8_t reply) {
    for (const StatusLine &line : lines)
        std::fprintf(out, line.format, (reply >> line.bit) & 1 ? line.text1 : line.text0);
}

// The format must begin " bitN:" for its own bit and hold one %s and no other
// conversion, or fprintf would read past its single argument.
constexpr bool well_formed(Lines lines) {
    for (const StatusLine &line : lines) {
        std::string_view f = line.format;
        if (!f.starts_with(" bit") || f.size() < 6 || f[4] != '0' + line.bit || f[5] != ':') return false;
        size_t percent = f.find('%');
        if (percent == f.npos || f.substr(percent, 2) != "%s" || f.find('%', percent + 1) != f.npos) return false;
    }
    return true;
}

constexpr StatusLine printer_status[] = {
    {6, " bit6:Paper feed button is           = %s\n", "being fed", "not being fed"},
    {5, " bit5:On-line recovery status        = %s\n", "Waiting", "Not Waiting"},
    // An on-line printer answers with bit 3 clear.
    {3, " bit3:On-line/off-line status        = %s\n", "Off-line", "On-line"},
    {2, " bit2:Drawer kick-out connector 3 is = %s\n", "HIGH", "LOW"},
};

constexpr StatusLine offline_status[] = {
    {6, " bit6:Error status                   = %s\n", "Occurred", "Not occurred"},
    {5, " bit5:Printing status                = %s\n", "Paper-end stop", "No paper-end stop"},
    {3, " bit3:Paper feed button is           = %s\n", "being fed", "not beging fed"},
    {2, " bit2:Cover status                   = %s\n", "Opened", "Closed"},
};

constexpr StatusLine error_status[] = {
    {6, " bit6:Auto-recoverable error         = %s\n", "Occurred", "Not occurred"},
    {5, " bit5:Unrecoverable error            = %s\n", "Occurred", "Not occurred"},
    {3, " bit3:Auto-cuttor error              = %s\n", "Occurred", "Not occurred"},
    {2, " bit2:Mechanical error               = %s\n", "Occurred", "Not occurred"},
};

constexpr StatusLine roll_paper_status[] = {
    {6, " bit6:Paper roll end sensor          = %s\n", "Paper not present", "Paper present"},
    {5, " bit5:Paper roll end sensor          = %s\n", "Paper not present", "Paper present"},
    {3, " bit3:Paper roll near-end sensor     = %s\n", "Paper not present", "Paper present"},
    {2, " bit2:Paper roll near-end sensor     = %s\n", "Paper not present", "Paper present"},
};

constexpr StatusLine slip_status[] = {
    {6, " bit6:Slip BOF sensor                = %s\n", "Paper not presetn", "Paper present"},
    {5, " bit5:Slip TOP sensor                = %s\n", "Paper not present", "Paper present"},
    {3, " bit3:Wait for slip insersion        = %s\n", "Waiting", "Not waiting"},
    {2, " bit2:Slip paper selection           = %s\n", "Not selected", "Selected"},
};

constexpr StatusLine validation_status[] = {
    {6, " bit6:Validation BOF sensor          = %s\n", "Paper not present", "Paper present"},
    {5, " bit5:Validation TOF sensor          = %s\n", "Paper not present", "Paper present"},
    {3, " bit3:Wait for validation insertion  = %s\n", "Waiting", "Not waiting"},
    {2, " bit2:Validation paper selection     = %s\n", "Not selected", "Selected"},
};

constexpr StatusLine drawer_status[] = {
    {0, " bit0:Drawer kick-out connector 3 is = %s\n", "H", "L"},
};

constexpr StatusLine paper_sensor_status[] = {
    {6, " bit6:Slip BOF sensor                = %s\n", "Paper not present", "Paper present"},
    {5, " bit5:Slip TOF sensor                = %s\n", "Paper not present", "Paper present"},
    {3, " bit3:Receipt roll end sensor        = %s\n", "Paper not present", "Paper present"},
    {2, " bit2:Jornal roll end sensor         = %s\n", "Paper not present", "Paper present"},
    {1, " bit1:Receipt roll near-end sensor   = %s\n", "Paper not present", "Paper present"},
    {0, " bit0:Journal roll near-end sensor   = %s\n", "Paper not present", "Paper present"},
};

constexpr StatusLine ink_status[] = {
    {1, " bit1:Ink near-end (Tank #2)         = %s\n", "Near end", "exists"},
    {0, " bit0:Ink near-end (Tank #1)         = %s\n", "Near end", "exists"},
};

constexpr StatusLine scan_sensor_status[] = {
    {2, " bit2:Scan sheet sensor BOF          = %s\n", "Paper not present", "Paper present"},
    {1, " bit1:Scan sheet sensor TOF          = %s\n", "Paper not present", "Paper present"},
    {0, " bit0:Paper width sensor             = %s\n", "Paper not present", "Paper present"},
};

constexpr StatusLine gs_enq_status[] = {
    {6, " bit6:Error status                   = %s\n", "Occured", "Not occured"},
    {5, " bit5:Slip paper sensor              = %s\n", "Paper not present", "Paper present"},
    {4, " bit4:Drawer kick-out connector 3    = %s\n", "H", "L"},
    {3, " bit3:On-line/off-line               = %s\n", "On-line", "Off-line"},
    {2, " bit2:Cover status                   = %s\n", "Opened", "Closed"},
    {1, " bit1:Receipt roll-paper near end    = %s\n", "Paper not present", "Paper present"},
    {0, " bit0:Journal roll-paper near end    = %s\n", "Paper not present", "Paper present"},
};

static_assert(well_formed(printer_status) && well_formed(offline_status) && well_formed(error_status) &&
              well_formed(roll_paper_status) && well_formed(slip_status) && well_formed(validation_status) &&
              well_formed(drawer_status) && well_formed(paper_sensor_status) && well_formed(ink_status) &&
              well_formed(scan_sensor_status) && well_formed(gs_enq_status));

}  // namespace

void show_printer_status(std::FILE *out, uint8_t reply) { show_lines(out, printer_status, reply); }
void show_offline_status(std::FILE *out, uint8_t reply) { show_lines(out, offline_status, reply); }
void show_error_status(std::FILE *out, uint8_t reply) { show_lines(out, error_status, reply); }
void show_roll_paper_status(std::FILE *out, uint8_t reply) { show_lines(out, roll_paper_status, reply); }
void show_slip_status(std::FILE *out, uint8_t reply) { show_lines(out, slip_status, reply); }
void show_validation_status(std::FILE *out, uint8_t reply) { show_lines(out, validation_status, reply); }
void show_drawer_status(std::FILE *out, uint8_t reply) { show_lines(out, drawer_status, reply); }
void show_paper_sensor_status(std::FILE *out, uint8_t reply) { show_lines(out, paper_sensor_status, reply); }
void show_ink_status(std::FILE *out, uint8_t reply) { show_lines(out, ink_status, reply); }
void show_scan_sensor_status(std::FILE *out, uint8_t reply) { show_lines(out, scan_sensor_status, reply); }
void show_gs_enq_status(std::FILE *out, uint8_t reply) { show_lines(out, gs_enq_status, reply); }

void show_slip_paper_code(std::FILE *out, uint8_t reply) { std::fprintf(out, " Slip paper status %02Xh\n", reply); }

void show_slip_rest_dots(std::FILE *out, std::string_view block) {
    // A block shorter than its two leading bytes has no figure to show.
    std::string_view dots = block.size() > 2 ? block.substr(2) : std::string_view("");
    std::fprintf(out, " Rest dots of possible print on slip paper = %.*s\n", static_cast<int>(dots.size()),
                 dots.data());
}

void show_status_everywhere(StatusDecoder decode, uint8_t reply) {
    decode(stdout, reply);
    if (run_options.log_file) decode(run_options.log_file, reply);
}

void show_slip_rest_dots_everywhere(std::string_view block) {
    show_slip_rest_dots(stdout, block);
    if (run_options.log_file) show_slip_rest_dots(run_options.log_file, block);
}
