// The command reader: walks a byte stream command by command with the
// command table (commands.h), so parameters and image data are never taken
// for commands, and tells a visitor what it found. Bytes may arrive in pieces
// of any size; a command split over several pieces is reported once, whole.
//
// Scripted requests: byte patterns checked at every command start before the
// table. While the bytes so far could still become a pattern they are held
// back; when no pattern can match any more they are read as usual (or the
// longest pattern that did match is reported and the rest read on).
//
// A command keeps at most keep_limit of its bytes (a longer one is reported
// with its first keep_limit bytes and its full length). The visitor's spans
// are valid during the call only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/commands.h"

struct Command {
    const CommandSpec *spec;
    std::span<const uint8_t> bytes;  // prefix first; all of them unless truncated
    uint64_t length;                 // the command's length in the stream
    bool truncated() const { return bytes.size() < length; }
    std::span<const uint8_t> params() const { return bytes.subspan(spec->prefix_len); }
    // Parameter byte i after the prefix, 0 when there is none.
    uint8_t param(size_t i) const {
        return spec->prefix_len + i < bytes.size() ? bytes[spec->prefix_len + i] : 0;
    }
};

class CommandVisitor {
public:
    virtual ~CommandVisitor() = default;
    // Print data: a run of bytes that start no command.
    virtual void on_text(std::span<const uint8_t> bytes) = 0;
    virtual void on_command(const Command &command) = 0;
    // Scripted request number index matched these bytes.
    virtual void on_request(size_t index, std::span<const uint8_t> bytes) = 0;
};

class CommandReader {
public:
    static constexpr size_t default_keep_limit = 16u << 20;

    explicit CommandReader(CommandVisitor &visitor, size_t keep_limit = default_keep_limit);

    // Replaces the scripted request patterns (empty patterns are ignored).
    void set_requests(std::vector<std::vector<uint8_t>> patterns);
    void feed(std::span<const uint8_t> bytes);
    // True while bytes are held back for a request that may still match.
    bool holding() const { return phase_ == Phase::Matching; }
    // Decides a held-back match now, as if no more bytes were coming.
    void release();
    // Forgets a partly received command (a new line, a new job).
    void reset();

private:
    enum class Phase { Boundary, Matching, Command };

    size_t take_text(std::span<const uint8_t> bytes);
    size_t take_command(std::span<const uint8_t> bytes);
    void begin_at(uint8_t byte);
    void command_bytes_complete();
    void match_byte(uint8_t byte);
    void end_match();
    void replay(std::vector<uint8_t> bytes, bool skip_requests);
    void finish_command(uint64_t length);

    CommandVisitor &visitor_;
    size_t keep_limit_;
    Phase phase_ = Phase::Boundary;
    std::vector<uint8_t> bytes_;  // the current command's kept bytes, or the held-back bytes
    uint64_t received_ = 0;       // bytes of the current command so far
    uint64_t need_ = 0;           // bytes it needs, as far as known
    bool need_final_ = false;     // need_ is past the keep limit: not asked again
    const CommandSpec *spec_ = nullptr;
    bool skip_requests_ = false;  // the next start is not checked against the patterns
    std::vector<std::vector<uint8_t>> patterns_;
    std::array<bool, 256> pattern_start_{};
    std::array<bool, 256> ends_text_{};
    size_t best_pattern_ = 0, best_length_ = 0;
};
