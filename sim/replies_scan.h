// What the simulated scanner and data read-back functions answer: GS ( G
// requests (one block each), scans of a generated grey-scale picture sent as
// two information blocks and data blocks (raw or hex, standard or NCR
// style), stored text blocks (GS ( G 70) and a wave record (FS |).
//  - Blocks after the first wait for the host's ACK (06) as a scanner's do;
//    the hex wave record waits for the host's 81 before every 40 data bytes.
//  - The picture: grey value (3x + 5y) mod 256 at column x, line y from the
//    top; lines go from the bottom up, each padded to a multiple of 4 bytes,
//    as a BMP file stores them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/reader.h"

struct Reply;  // sim/replies.h
using Replies = std::vector<Reply>;

struct ScanSettings {
    long width = 64, height = 32;  // pixels
    long block = 256;              // data bytes per block (hex blocks: at most 254)
    bool hex = false;
    bool ncr = false;
    long jam = 0;                  // data blocks sent before the scanner stops (0: all)
    long wave = 100;               // data bytes of the wave record
};

// Sets one NAME=VALUE: size=WxH, block=N, encoding=raw|hex,
// protocol=standard|ncr, jam=N, wave=N; false with a message.
bool set_scan_setting(ScanSettings &s, std::string_view assignment, std::string *error);
std::string describe_scan_settings(const ScanSettings &s);

// The picture's bytes as sent (bottom line first, padded lines).
std::vector<uint8_t> scan_picture(const ScanSettings &s);

void answer_gs_paren_g(ScanSettings &s, const Command &c, Replies &out);
void answer_fs_paren_g(ScanSettings &s, const Command &c, Replies &out);
void answer_wave(const ScanSettings &s, const Command &c, Replies &out);
