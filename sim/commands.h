// The printer command set as the simulator reads it: one row per command
// with its leading bytes (the prefix) and the rule that says how many bytes
// follow the prefix (parameters and data). Rows with a 3-byte prefix win over
// a 2-byte row with the same first two bytes. A byte that starts no row is
// print data; an introducer (DLE, ESC, FS, GS, US) followed by a byte that
// starts no row of it is an unknown 2-byte command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

enum class Rule : uint8_t {
    Fixed,          // arg bytes
    NulEnded,       // bytes up to and including a NUL, at most arg
    Length16,       // pL pH, then p bytes
    Selector16,     // a selector byte, pL pH, then p bytes ("GS ( c")
    Selector32,     // a selector byte, p1 p2 p3 p4, then p bytes ("GS 8 c")
    ColumnImage,    // m nL nH, then n columns of 1 byte (m 0, 1) or 3 bytes
    DownloadImage,  // x y, then x * y * 8 bytes
    RasterImage,    // m xL xH yL yH, then x * y bytes
    Barcode,        // m, then data up to a NUL (m 0..6) or n and n bytes
    UserChars,      // y c1 c2, then for each character x and y * x bytes
    NvImages,       // n, then for each image xL xH yL yH and x * y * 8 bytes
    StatusSelect,   // n, and one byte more when n is 0, 7 or 8
    Dc4Function,    // fn, then 2 bytes (fn 1, 2), 1 (fn 7), 7 (fn 8), else none
    Cut,            // m, and n when m is 65, 66, 97, 98, 103 or 104
    Counter,        // m, then 2 bytes (m 0, 2), 6 (m 1), else none
};

// What the reply logic does with a command; None for most of them.
enum class Request : uint8_t {
    None,
    Initialize,   // ESC @
    LineFeed,     // LF
    FeedLines,    // ESC d n
    Cut,          // GS V, ESC i, ESC m
    DrawerPulse,  // ESC p
    DleEot,       // real-time status
    DleEnq,       // real-time recovery
    DleDc4,       // real-time pulse, power-off, buffer clear
    GsEnq,        // real-time status of the other layout
    EscU,         // drawer status
    EscV,         // paper sensor status
    GsR,          // status by n
    GsI,          // printer ID
    GsG,          // maintenance counters
    GsA,          // automatic status on/off
    GsJ,          // ink automatic status on/off
    FsParenE,     // extended automatic status on/off
    FsParenJ,
    FsA,
    FsB,
    FsPlus,
    GsParenG,     // scanner and data read-back (sim/replies_scan.h)
    FsParenG,
    FsBar,
    Count
};

struct CommandSpec {
    uint8_t prefix[3];
    uint8_t prefix_len;
    Rule rule;
    uint16_t arg;
    Request request;
    const char *name;  // Selector rows add their selector: "GS ( L"
    bool known = true;  // false: the stand-in row of an unknown command
};

// Every row of the table.
std::span<const CommandSpec> command_table();

// True for a byte that starts a row (a single-byte command or an introducer).
bool starts_command(uint8_t byte);

struct Lookup {
    const CommandSpec *spec;  // null while more bytes are needed
    size_t need;              // bytes needed before the lookup can decide
};
// Finds the row for a command whose first bytes are given (the first byte
// must satisfy starts_command).
Lookup lookup_command(std::span<const uint8_t> bytes);

// The total length of the command, prefix included, as far as the bytes
// given can tell: a value beyond bytes.size() asks for that many bytes and
// another call; bytes.size() (or less: extra bytes belong to what follows)
// means complete.
uint64_t command_need(const CommandSpec &spec, std::span<const uint8_t> bytes);

// "GS ( L", "ESC *", "LF": the command's name for the trace, selector included.
std::string command_name(const CommandSpec &spec, std::span<const uint8_t> bytes);
