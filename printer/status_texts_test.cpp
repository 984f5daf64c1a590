#include "printer/status_texts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

template <class Show>
std::string capture(Show show) {
    char *text = nullptr;
    size_t size = 0;
    std::FILE *out = open_memstream(&text, &size);
    show(out);
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
}

struct DecoderCase {
    const char *name;
    StatusDecoder decode;
    const char *golden;  // the lines for 0x00, then for 0xFF
};

const DecoderCase decoder_cases[] = {
    {"printer", show_printer_status,
     " bit6:Paper feed button is           = not being fed\n bit5:On-line recovery status        = Not Waiting\n"
     " bit3:On-line/off-line status        = On-line\n bit2:Drawer kick-out connector 3 is = LOW\n"
     " bit6:Paper feed button is           = being fed\n bit5:On-line recovery status        = Waiting\n"
     " bit3:On-line/off-line status        = Off-line\n bit2:Drawer kick-out connector 3 is = HIGH\n"},
    {"offline", show_offline_status,
     " bit6:Error status                   = Not occurred\n bit5:Printing status                = No paper-end stop\n"
     " bit3:Paper feed button is           = not beging fed\n bit2:Cover status                   = Closed\n"
     " bit6:Error status                   = Occurred\n bit5:Printing status                = Paper-end stop\n"
     " bit3:Paper feed button is           = being fed\n bit2:Cover status                   = Opened\n"},
    {"error", show_error_status,
     " bit6:Auto-recoverable error         = Not occurred\n bit5:Unrecoverable error            = Not occurred\n"
     " bit3:Auto-cuttor error              = Not occurred\n bit2:Mechanical error               = Not occurred\n"
     " bit6:Auto-recoverable error         = Occurred\n bit5:Unrecoverable error            = Occurred\n"
     " bit3:Auto-cuttor error              = Occurred\n bit2:Mechanical error               = Occurred\n"},
    {"roll_paper", show_roll_paper_status,
     " bit6:Paper roll end sensor          = Paper present\n bit5:Paper roll end sensor          = Paper present\n"
     " bit3:Paper roll near-end sensor     = Paper present\n bit2:Paper roll near-end sensor     = Paper present\n"
     " bit6:Paper roll end sensor          = Paper not present\n"
     " bit5:Paper roll end sensor          = Paper not present\n"
     " bit3:Paper roll near-end sensor     = Paper not present\n"
     " bit2:Paper roll near-end sensor     = Paper not present\n"},
    {"slip", show_slip_status,
     " bit6:Slip BOF sensor                = Paper present\n bit5:Slip TOP sensor                = Paper present\n"
     " bit3:Wait for slip insersion        = Not waiting\n bit2:Slip paper selection           = Selected\n"
     " bit6:Slip BOF sensor                = Paper not presetn\n"
     " bit5:Slip TOP sensor                = Paper not present\n"
     " bit3:Wait for slip insersion        = Waiting\n bit2:Slip paper selection           = Not selected\n"},
    {"validation", show_validation_status,
     " bit6:Validation BOF sensor          = Paper present\n bit5:Validation TOF sensor          = Paper present\n"
     " bit3:Wait for validation insertion  = Not waiting\n bit2:Validation paper selection     = Selected\n"
     " bit6:Validation BOF sensor          = Paper not present\n"
     " bit5:Validation TOF sensor          = Paper not present\n"
     " bit3:Wait for validation insertion  = Waiting\n bit2:Validation paper selection     = Not selected\n"},
    {"drawer", show_drawer_status,
     " bit0:Drawer kick-out connector 3 is = L\n bit0:Drawer kick-out connector 3 is = H\n"},
    {"paper_sensor", show_paper_sensor_status,
     " bit6:Slip BOF sensor                = Paper present\n bit5:Slip TOF sensor                = Paper present\n"
     " bit3:Receipt roll end sensor        = Paper present\n bit2:Jornal roll end sensor         = Paper present\n"
     " bit1:Receipt roll near-end sensor   = Paper present\n bit0:Journal roll near-end sensor   = Paper present\n"
     " bit6:Slip BOF sensor                = Paper not present\n bit5:Slip TOF sensor                = Paper not present\n"
     " bit3:Receipt roll end sensor        = Paper not present\n"
     " bit2:Jornal roll end sensor         = Paper not present\n"
     " bit1:Receipt roll near-end sensor   = Paper not present\n"
     " bit0:Journal roll near-end sensor   = Paper not present\n"},
    {"slip_code", show_slip_paper_code, " Slip paper status 00h\n Slip paper status FFh\n"},
    {"ink", show_ink_status,
     " bit1:Ink near-end (Tank #2)         = exists\n bit0:Ink near-end (Tank #1)         = exists\n"
     " bit1:Ink near-end (Tank #2)         = Near end\n bit0:Ink near-end (Tank #1)         = Near end\n"},
    {"scan_sensor", show_scan_sensor_status,
     " bit2:Scan sheet sensor BOF          = Paper present\n bit1:Scan sheet sensor TOF          = Paper present\n"
     " bit0:Paper width sensor             = Paper present\n bit2:Scan sheet sensor BOF          = Paper not present\n"
     " bit1:Scan sheet sensor TOF          = Paper not present\n bit0:Paper width sensor             = Paper not present\n"},
    {"gs_enq", show_gs_enq_status,
     " bit6:Error status                   = Not occured\n bit5:Slip paper sensor              = Paper present\n"
     " bit4:Drawer kick-out connector 3    = L\n bit3:On-line/off-line               = Off-line\n"
     " bit2:Cover status                   = Closed\n bit1:Receipt roll-paper near end    = Paper present\n"
     " bit0:Journal roll-paper near end    = Paper present\n bit6:Error status                   = Occured\n"
     " bit5:Slip paper sensor              = Paper not present\n bit4:Drawer kick-out connector 3    = H\n"
     " bit3:On-line/off-line               = On-line\n bit2:Cover status                   = Opened\n"
     " bit1:Receipt roll-paper near end    = Paper not present\n bit0:Journal roll-paper near end    = Paper not present\n"},
};

TEST(StatusDecoders, AllBitsClearThenAllSet) {
    for (const DecoderCase &c : decoder_cases) {
        std::string lines = capture([&](std::FILE *out) {
            c.decode(out, 0x00);
            c.decode(out, 0xFF);
        });
        EXPECT_EQ(lines, c.golden) << c.name;
    }
}

// An on-line printer answers DLE EOT 1 with bit 3 clear; each bit reads alone.
TEST(StatusDecoders, SingleBitsAndOneLineForms) {
    EXPECT_EQ(capture([](std::FILE *o) { show_printer_status(o, 0x08); }),
              " bit6:Paper feed button is           = not being fed\n"
              " bit5:On-line recovery status        = Not Waiting\n"
              " bit3:On-line/off-line status        = Off-line\n"
              " bit2:Drawer kick-out connector 3 is = LOW\n");
    EXPECT_EQ(capture([](std::FILE *o) { show_slip_paper_code(o, 0x0C); }), " Slip paper status 0Ch\n");
    EXPECT_EQ(capture([](std::FILE *o) { show_slip_rest_dots(o, "\x31\x20" "123"); }),
              " Rest dots of possible print on slip paper = 123\n");
    EXPECT_EQ(capture([](std::FILE *o) { show_slip_rest_dots(o, "\x31"); }),
              " Rest dots of possible print on slip paper = \n");
}

}  // namespace
