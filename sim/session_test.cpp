#include "sim/session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct FakeLine : Line {
    Bytes sent;
    std::vector<int> holds;
    int drops = 0;
    void send(std::span<const uint8_t> b) override { sent.insert(sent.end(), b.begin(), b.end()); }
    void hold(int ms) override { holds.push_back(ms); }
    void drop() override { ++drops; }
    Bytes take() { return std::exchange(sent, {}); }
};

// A stream that collects what is written to it.
struct Capture {
    char *data = nullptr;
    size_t size = 0;
    std::FILE *file = open_memstream(&data, &size);
    ~Capture() {
        std::fclose(file);
        std::free(data);
    }
    std::string take() {
        std::fflush(file);
        std::string text(data, size);
        std::rewind(file);
        std::fflush(file);
        return text;
    }
};

struct SessionTest : ::testing::Test {
    FakeLine line;
    Capture out, err, log;
    Session session{line, SessionOptions{out.file, err.file, log.file, true, 7}};

    Bytes ask(const Bytes &bytes) {
        session.receive(bytes);
        return line.take();
    }
};

TEST_F(SessionTest, AnswersAndTracesEachCommand) {
    EXPECT_EQ(ask({'h', 'i', 0x0A, 0x10, 0x04, 0x01, 0x1D, 0x49, 0x41}),
              (Bytes{0x12, 0x5F, '1', '.', '0', '0', 0x00}));
    EXPECT_EQ(err.take(), "text 2 bytes\nLF\nDLE EOT 1 -> 12h\nGS I 65 -> block 6 bytes\n");
    session.receive(Bytes{0x1D, 0x28, 0x4C, 11, 0, 0x30, 0x43, 0x30, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(err.take(), "GS ( L 11 0 48 67 48 ... (16 bytes)\n");
    EXPECT_EQ(log.take(), std::string("hi\n\x10\x04\x01\x1DIA\x1D(L\x0B", 13) +
                              std::string("\0\x30\x43\x30\x01\x02\x03\x04\x05\x06\x07\x08", 12));
    EXPECT_EQ(session.summary(), "25 bytes received, 4 commands, 2 replies");
}

TEST_F(SessionTest, ScriptedRepliesComeFirst) {
    std::string error;
    ASSERT_TRUE(session.add_reply("10 04 01=16", &error));
    ASSERT_TRUE(session.add_reply("0531=4142", &error));
    ASSERT_TRUE(session.add_reply("1D4941=-", &error));
    EXPECT_EQ(ask({0x10, 0x04, 0x01, 0x05, 0x31, 0x1D, 0x49, 0x41, 0x10, 0x04, 0x02}), (Bytes{0x16, 'A', 'B', 0x12}));
    EXPECT_EQ(err.take(),
              "scripted 10 04 01 -> 16h\nscripted 05 31 -> 2 bytes\nscripted 1D 49 41 -> nothing\n"
              "DLE EOT 2 -> 12h\n");
    ASSERT_TRUE(session.add_reply("100401=17", &error));
    EXPECT_EQ(ask({0x10, 0x04, 0x01}), Bytes{0x17}) << "a second reply for a request replaces the first";
    EXPECT_FALSE(session.add_reply("=12", &error));
    EXPECT_EQ(error, "bad request bytes ''");
}

TEST_F(SessionTest, StateChangesSendDueAutomaticStatus) {
    EXPECT_EQ(ask({0x1D, 0x61, 0xFF}), (Bytes{0x10, 0x00, 0x60, 0x6F}));
    session.control("set cover=open");
    EXPECT_EQ(line.take(), (Bytes{0x38, 0x00, 0x60, 0x6F}));
    session.control("set cover=open");
    EXPECT_TRUE(line.take().empty());
    err.take();
    session.control("set feed=pressed");
    EXPECT_EQ(err.take(), "control: set feed=pressed\nstate -> ASB 78 00 60 6F\n");
}

TEST_F(SessionTest, RecordBlockWaitsForEachAcknowledgement) {
    Bytes rec2 = {'R', '2', 0x33, 0x04, 'R', 'E', 'C', '0', '0', '0', '0', '2'};
    Bytes first = ask({0x1C, 0x2B, 0x31, 1, 0, 0, 0, 3, 0, 0, 0});
    EXPECT_EQ(first, (Bytes{0x5F, '0', 'R', '1', 0x33, 0x04, 'R', 'E', 'C', '0', '0', '0', '0', '1'}));
    EXPECT_TRUE(ask({'x'}).empty()) << "print data is no acknowledgement";
    // The acknowledgement inside other bytes still counts; the others are read.
    EXPECT_EQ(ask({0x10, 0x04, 0x01, 0x81, 0x10, 0x04}), Bytes{0x12} + rec2);
    Bytes rest = ask({0x01, 0x81});
    EXPECT_EQ(rest.size(), 1u + 12u);
    EXPECT_EQ(ask({0x81}), Bytes{0x00});
    EXPECT_TRUE(ask({0x81}).empty()) << "after the block 81h is print data again";
    EXPECT_EQ(err.take(),
              "FS + 49 1 0 0 0 ... (11 bytes) -> block of 3 records, record 1\ntext 1 bytes\nDLE EOT 1 -> 12h\n"
              "ack -> record 2\nDLE EOT 1 -> 12h\nack -> record 3\nack -> end of block\ntext 1 bytes\n");
}

TEST_F(SessionTest, EmulatedCommandSetsOnlyWhenSelected) {
    EXPECT_TRUE(ask({0x1B, 0x2D, 0x01}).empty()) << "ESC - 1 is underline on a receipt printer";
    session.control("set emulation=pr2 operator=button1");
    err.take();
    EXPECT_EQ(ask({0x1B, 0x55, 0x01}), (Bytes{0x02, 0x00, 0x05}));
    EXPECT_EQ(ask({0x1B, 0x2D}), (Bytes{0x02, 0x00, ' ', ' ', ' ', '0'}));
    Bytes id = ask({0x1B, 0x20, 0x62});
    EXPECT_EQ(id.size(), 17u);
    EXPECT_EQ(id[13], 0x00);
    EXPECT_TRUE(ask({0x05, 0x31}).empty()) << "ENQ belongs to the other emulation";
    EXPECT_EQ(err.take(), "PR2 ESC U 1 -> 3 bytes\nPR2 ESC - -> 6 bytes\nPR2 ESC SP b -> 17 bytes\ntext 2 bytes\n");
    session.control("set emulation=ithaca cover=open");
    EXPECT_EQ(ask({0x05, 0x31}), (Bytes{0x35, 0x31}));
}

TEST_F(SessionTest, BadControlLinesAreReportedAndIgnored) {
    const struct {
        const char *line;
        const char *complaint;
    } rows[] = {
        {"frobnicate", "vordel-sim: unknown control command 'frobnicate' (try help)\n"},
        {"hold soon", "vordel-sim: usage: hold MS             stop reading for MS milliseconds\n"},
        {"send 1G", "vordel-sim: usage: send HEX...         send these bytes\n"},
        {"set lid=open", "vordel-sim: unknown state 'lid'\n"},
        {"silent maybe", "vordel-sim: usage: silent on|off       answer nothing / answer again\n"},
        {"reply 1004", "vordel-sim: expected REQUEST=REPLY in hex, got '1004'\n"},
        {"# a comment", ""},
        {"   ", ""},
    };
    for (const auto &row : rows) {
        err.take();
        EXPECT_TRUE(session.control(row.line));
        std::string said = err.take();
        size_t traced = said.find('\n');
        EXPECT_EQ(said.substr(traced == std::string::npos ? 0 : traced + 1), row.complaint) << row.line;
    }
    EXPECT_TRUE(line.take().empty());
}

TEST(HexText, ParsesBytesAndReplies) {
    const struct {
        const char *text;
        bool ok;
        Bytes bytes;
    } rows[] = {
        {"10 04 01", true, {0x10, 0x04, 0x01}}, {"100401", true, {0x10, 0x04, 0x01}},
        {"1d,49:41", true, {0x1D, 0x49, 0x41}}, {"0x1B 40 a", true, {0x1B, 0x40, 0x0A}},
        {"", true, {}},                         {"123", false, {}},
        {"zz", false, {}},
    };
    for (const auto &row : rows) {
        Bytes bytes;
        EXPECT_EQ(parse_hex(row.text, &bytes), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(bytes, row.bytes) << row.text;
        }
    }
    ScriptedReply reply;
    std::string error;
    EXPECT_TRUE(parse_scripted_reply("1D4941=-", &reply, &error));
    EXPECT_TRUE(reply.silent);
    EXPECT_FALSE(parse_scripted_reply("1D4941=5F0", &reply, &error));
    EXPECT_EQ(error, "bad reply bytes '5F0'");
}

}  // namespace
