#include "sim/reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Records what the reader reports as short strings: "text 5",
// "GS v 0 12", "request 0 3". Adjacent text pieces are merged, since
// where a run of print data is split depends on the pieces fed.
struct Recorder : CommandVisitor {
    std::vector<std::string> events;
    std::vector<Bytes> commands;
    size_t text = 0;
    void flush_text() {
        if (text) events.push_back("text " + std::to_string(text));
        text = 0;
    }
    void on_text(std::span<const uint8_t> b) override { text += b.size(); }
    void on_command(const Command &c) override {
        flush_text();
        events.push_back(command_name(*c.spec, c.bytes) + " " + std::to_string(c.length) +
                         (c.spec->known ? "" : "?"));
        commands.emplace_back(c.bytes.begin(), c.bytes.end());
    }
    void on_request(size_t index, std::span<const uint8_t> b) override {
        flush_text();
        events.push_back("request " + std::to_string(index) + " " + std::to_string(b.size()));
    }
    std::vector<std::string> take() {
        flush_text();
        return std::move(events);
    }
};

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes text(const std::string &s) { return Bytes(s.begin(), s.end()); }
Bytes filler(size_t n, uint8_t b) { return Bytes(n, b); }

struct Case {
    const char *what;
    Bytes stream;
    std::vector<std::string> events;
};

// Status requests hidden in data (10 04 01, 1D 49 41) must stay data.
const Bytes request_bytes = {0x10, 0x04, 0x01, 0x1D, 0x49, 0x41};

std::vector<Case> cases() {
    return {
        {"text and line feeds", text("Hi\nthere\r\n"), {"text 2", "LF 1", "text 5", "CR 1", "LF 1"}},
        {"real-time status", {0x10, 0x04, 0x01, 0x10, 0x04, 0x07, 0x02, 0x10, 0x04, 0x08, 0x03},
         {"DLE EOT 3", "DLE EOT 4", "DLE EOT 4"}},
        {"DLE DC4 by function",
         {0x10, 0x14, 0x01, 0x00, 0x08, 0x10, 0x14, 0x08, 1, 3, 20, 1, 6, 2, 8, 0x10, 0x14, 0x03, 'A'},
         {"DLE DC4 5", "DLE DC4 10", "DLE DC4 3", "text 1"}},
        {"column image with request bytes in its data",
         Bytes{0x1B, 0x2A, 33, 2, 0} + request_bytes + text("x"), {"ESC * 11", "text 1"}},
        {"8-dot column image", Bytes{0x1B, 0x2A, 0, 3, 0} + request_bytes, {"ESC * 8", "GS I 3"}},
        {"downloaded image", Bytes{0x1D, 0x2A, 1, 1} + filler(8, 0x10), {"GS * 12"}},
        {"raster image", Bytes{0x1D, 0x76, 0x30, 0, 3, 0, 2, 0} + request_bytes + text("A"),
         {"GS v 0 14", "text 1"}},
        {"column image by bands", Bytes{0x1D, 0x51, 0x30, 0, 2, 0, 3, 0} + request_bytes, {"GS Q 0 14"}},
        {"graphics with a 16-bit length", Bytes{0x1D, 0x28, 0x4C, 6, 0, 0x30, 0x43} + filler(4, 0x1D),
         {"GS ( L 11"}},
        {"graphics with a 32-bit length", Bytes{0x1D, 0x38, 0x4C, 3, 0, 0, 0, 0x30, 0x70, 0x10},
         {"GS 8 L 10"}},
        {"extended status switch", {0x1C, 0x28, 0x65, 2, 0, 0x33, 1}, {"FS ( e 7"}},
        {"FS ( j takes one byte", {0x1C, 0x28, 0x6A, 0x1D, 'x'}, {"FS ( j 4", "text 1"}},
        {"FS ( with another selector", {0x1C, 0x28, 0x41, 2, 0, 0x30, 0x10}, {"FS ( A 7"}},
        {"record request", {0x1C, 0x2B, 1, 2, 0, 0, 0, 3, 0, 0, 0}, {"FS + 11"}},
        {"barcode ended by NUL", Bytes{0x1D, 0x6B, 4} + text("12\x1B") + Bytes{0}, {"GS k 7"}},
        {"barcode with a count", Bytes{0x1D, 0x6B, 73, 3} + request_bytes, {"GS k 7", "GS I 3"}},
        {"user characters", Bytes{0x1B, 0x26, 2, 65, 66, 1, 0x1B, 0x40, 2} + filler(4, 0x0A),
         {"ESC & 13"}},
        {"stored images", Bytes{0x1C, 0x71, 1, 1, 0, 1, 0} + filler(8, 0x1B), {"FS q 15"}},
        {"tab positions", {0x1B, 0x44, 8, 16, 0, 'a'}, {"ESC D 5", "text 1"}},
        {"cut with and without feed", {0x1D, 0x56, 66, 0, 0x1D, 0x56, 0x31}, {"GS V 4", "GS V 3"}},
        {"counter commands", {0x1D, 0x43, 0x31, 1, 0, 9, 0, 1, 1, 0x1D, 0x43, 0x30, 0, 0},
         {"GS C 9", "GS C 5"}},
        {"maintenance counter", {0x1D, 0x67, 0x32, 0, 20, 0}, {"GS g 6"}},
        {"unknown commands take one byte more", {0x1B, 0x7F, 'a', 0x1D, 0x51, 0x31, 0x10, 0x41},
         {"ESC 2?", "text 1", "GS 2?", "text 1", "DLE 2?"}},
        {"control bytes of no command are print data", {0x00, 0x05, 0x07, 'a'}, {"text 4"}},
    };
}

std::vector<std::string> read_all(const Bytes &stream, size_t piece) {
    Recorder rec;
    CommandReader reader(rec);
    for (size_t i = 0; i < stream.size(); i += piece)
        reader.feed(std::span(stream).subspan(i, std::min(piece, stream.size() - i)));
    return rec.take();
}

TEST(CommandReader, ReadsEachCommandWithItsLengths) {
    for (const Case &c : cases()) EXPECT_EQ(read_all(c.stream, c.stream.size()), c.events) << c.what;
}

TEST(CommandReader, PiecesOfAnySizeGiveTheSameCommands) {
    for (const Case &c : cases())
        for (size_t piece = 1; piece < c.stream.size(); ++piece)
            ASSERT_EQ(read_all(c.stream, piece), c.events) << c.what << ", pieces of " << piece;
}

TEST(CommandReader, ReportsTheWholeCommandOnce) {
    Recorder rec;
    CommandReader reader(rec);
    Bytes image = Bytes{0x1D, 0x76, 0x30, 0, 1, 0, 3, 0} + Bytes{0xAA, 0x10, 0x04};
    for (uint8_t b : image) reader.feed(std::span(&b, 1));
    ASSERT_EQ(rec.commands.size(), 1u);
    EXPECT_EQ(rec.commands[0], image);
}

TEST(CommandReader, LongCommandsKeepTheirHeadAndReportTheirLength) {
    Recorder rec;
    CommandReader reader(rec, 64);
    Bytes image = Bytes{0x1D, 0x76, 0x30, 0, 100, 0, 2, 0} + filler(200, 0x10) + Bytes{0x0A};
    reader.feed(image);
    EXPECT_EQ(rec.take(), (std::vector<std::string>{"GS v 0 208", "LF 1"}));
    EXPECT_EQ(rec.commands[0].size(), 64u);
}

TEST(CommandReader, ResetForgetsAPartCommand) {
    Recorder rec;
    CommandReader reader(rec);
    reader.feed(Bytes{0x1D, 0x76, 0x30, 0, 9});
    reader.reset();
    reader.feed(text("ok"));
    EXPECT_EQ(rec.take(), (std::vector<std::string>{"text 2"}));
}

struct RequestCase {
    const char *what;
    std::vector<Bytes> patterns;
    Bytes stream;
    std::vector<std::string> events;
};

TEST(CommandReader, ScriptedRequestsComeBeforeTheTable) {
    const RequestCase request_cases[] = {
        {"a request the table knows", {{0x10, 0x04, 0x01}}, {0x10, 0x04, 0x01, 0x10, 0x04, 0x02},
         {"request 0 3", "DLE EOT 3"}},
        {"bytes the table does not know", {{0x05, 0x31}}, {'a', 0x05, 0x31, 'b', 0x05, 0x32},
         {"text 1", "request 0 2", "text 3"}},
        {"the longest request wins", {{0x1B, 0x20}, {0x1B, 0x20, 0x42}}, {0x1B, 0x20, 0x42, 0x1B, 0x20, 0x41},
         {"request 1 3", "request 0 2", "text 1"}},
        {"a failed request is read as usual", {{0x1D, 0x49, 0x41, 0x41}}, {0x1D, 0x49, 0x41, 0x0A},
         {"GS I 3", "LF 1"}},
        {"a request inside data stays data", {{0x10, 0x04, 0x01}},
         Bytes{0x1D, 0x76, 0x30, 0, 3, 0, 1, 0, 0x10, 0x04, 0x01}, {"GS v 0 11"}},
        {"a request after a failed one", {{0x41, 0x42}}, text("AAB"), {"text 1", "request 0 2"}},
    };
    for (const RequestCase &c : request_cases)
        for (size_t piece = 1; piece <= c.stream.size(); ++piece) {
            Recorder rec;
            CommandReader reader(rec);
            reader.set_requests(c.patterns);
            for (size_t i = 0; i < c.stream.size(); i += piece)
                reader.feed(std::span(c.stream).subspan(i, std::min(piece, c.stream.size() - i)));
            reader.release();
            ASSERT_EQ(rec.take(), c.events) << c.what << ", pieces of " << piece;
        }
}

TEST(CommandReader, HeldBytesWaitForTheRestOfARequest) {
    Recorder rec;
    CommandReader reader(rec);
    reader.set_requests({{0x10, 0x04, 0x01, 0x99}});
    reader.feed(Bytes{0x10, 0x04, 0x01});
    EXPECT_TRUE(reader.holding());
    EXPECT_TRUE(rec.take().empty());
    reader.release();
    EXPECT_FALSE(reader.holding());
    EXPECT_EQ(rec.take(), (std::vector<std::string>{"DLE EOT 3"}));
}

}  // namespace
