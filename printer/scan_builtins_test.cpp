// The read-back builtins over the real reply receiver and a fake driver:
// every reply is fed before the call, so the tests see the exact bytes sent
// (commands, ACKs, prompts) and what reached the file.
#include "printer/scan_builtins.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "base/settings.h"
#include "core/builtin_test_util.h"
#include "ports/driver/fake_driver_test_util.h"
#include "ports/port_layer.h"
#include "ports/port_sets.h"
#include "printer/scan_format.h"

namespace {

using namespace std::string_literals;
using namespace builtin_test;

const DriverKinds fake_kinds = FakeDriver::kinds();

std::string raw_block(uint8_t kind, const std::string &data) {
    return "S\x00"s + static_cast<char>(kind) + static_cast<char>(data.size() & 0xFF) +
           static_cast<char>(data.size() >> 8) + data;
}
std::string hex_block(uint8_t kind, const std::string &text) {
    return "\x5F" "0"s + static_cast<char>(kind) + text + '\0';
}
std::string hex_of(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
}
const std::string file_info = "S00\x1F" "SIM";
const std::string size_info = "S00\x1F" "0\x1F" "0\x1F" "3\x1F" "1\x1F" "4\x1F" "2";  // 4 x 2
const std::string ack = "\x06";

class ScanBuiltins : public testing::Test {
protected:
    void SetUp() override {
        // One folder per test: ctest runs them side by side.
        dir_ = testing::TempDir() + "scan_builtins_" + testing::UnitTest::GetInstance()->current_test_info()->name();
        std::system(("rm -rf '" + dir_ + "' && mkdir -p '" + dir_ + "/vordel'").c_str());
        std::ofstream(dir_ + "/vordel/vordel.ini") << "";
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        reset_record_state();
        port_driver_kinds = &fake_kinds;
        current_port = serial_port_ops;
        reset_reply_state();
        reopen();
        set_var("SCANFILEINFO", "");
        set_var("SCANSIZEINFO", "");
    }
    void TearDown() override {
        current_port.port_close(0);
        current_port = no_target_port_ops;
        port_driver_kinds = &device_driver_kinds;
        run_options.status_analyze_mode = 0;
        unsetenv("XDG_CONFIG_HOME");
    }
    // A fresh line: nothing left over from the printer's last answer.
    void reopen() {
        current_port.port_close(0);
        TargetSettings target;
        target.kind = PortKind::Serial;
        target.number = 1;
        ASSERT_EQ(current_port.port_open(target), 1);
        fake_ = FakeDriver::latest;
    }
    std::string path(const char *name) const { return dir_ + "/" + name; }
    // Waits for the send thread, then everything it wrote.
    std::string sent(size_t count) {
        fake_->wait_until([&](FakeDriver &d) { return d.written_.size() >= count; });
        return fake_->written();
    }
    static std::string file(const std::string &p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::string var(const char *name) { return str_of(variable(name)->left); }

    std::string dir_;
    FakeDriver *fake_ = nullptr;
};

TEST_F(ScanBuiltins, RequestsSendTheirBytesAndReturnTheBlockWithItsNul) {
    struct Row {
        NODE *(*builtin)(NODE *);
        NODE *args;
        std::string bytes;
    };
    const Row rows[] = {
        {do_GS_LP_G_32, args({N(0x131)}), "\x1D(G\x02\x00\x20\x31"s},
        {do_GS_LP_G_60, args({N(0x1234), N(7)}), "\x1D(G\x04\x00\x3C\x34\x12\x07"s},
        {do_GS_LP_G_61, args({N(0x10203)}), "\x1D(G\x03\x00\x3D\x03\x02"s},
        // k counts every byte of s, NULs included.
        {do_GS_LP_G_64, args({N(1), N(2), N(3), S("a\0b"s)}),
         "\x1D(G\x0C\x00\x40\x01\x00\x30\x02\x03\x30\x03\x00" "a\0b"s},
        {do_GS_LP_G_67, args({N(5)}), "\x1D(G\x02\x00\x43\x05"s},
        {do_GS_LP_G_71, args({N(6)}), "\x1D(G\x02\x00\x47\x06"s},
    };
    std::string all;
    for (const Row &r : rows) {
        fake_->feed("\x01" "\x5F" "ok\0"s);  // a plain byte is dropped on the way
        EXPECT_EQ(text(r.builtin(r.args)), "\x5F" "ok\0"s);
        all += r.bytes;
    }
    EXPECT_EQ(sent(all.size()), all);
}

TEST_F(ScanBuiltins, RawPictureTransferWritesHeaderAndData) {
    std::string data(0x180, '\0');  // a length low byte of 0x80 or more
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    std::string info_s = "S00\x1F" "0\x1F" "0\x1F" "15\x1F" "23\x1F" "16\x1F" "24";  // 16 x 24
    std::string reply = "\x02";
    reply += raw_block(0x40, file_info) + raw_block(0x40, info_s) + raw_block(0x41, data.substr(0, 0x100)) +
             "junk" + raw_block(0x40, data.substr(0x100));
    fake_->feed(reply);
    std::string out = path("pic.bmp");
    testing::internal::CaptureStderr();
    EXPECT_EQ(number(do_GS_LP_G_66(args({S(out), N(1), N(0x0201), N(9)}))), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\bO\b-\b");
    std::string cmd = "\x1D(G\x04\x00\x42\x01\x02\x09"s;
    EXPECT_EQ(sent(cmd.size() + 4), cmd + ack + ack + ack + ack);
    auto header = scan_bmp_header(16, 24);
    EXPECT_EQ(file(out), std::string(header.begin(), header.end()) + data);
    EXPECT_EQ(var("SCANFILEINFO"), raw_block(0x40, file_info));
    EXPECT_EQ(var("SCANSIZEINFO"), raw_block(0x40, info_s));
}

TEST_F(ScanBuiltins, HexTransfersDecodeAndAcknowledgeEmptyBlocks) {
    fake_->feed(hex_block(0x40, file_info) + hex_block(0x40, size_info) + hex_block(0x41, hex_of("abc")) +
                hex_block(0x41, "") + hex_block(0x40, hex_of("defgh")));
    std::string out = path("pic.bmp");
    // Three arguments: no b byte.
    testing::internal::CaptureStderr();
    EXPECT_EQ(number(do_GS_LP_G_66(args({S(out), N(0), N(3)}))), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\bO\b-\bO\b");
    std::string cmd = "\x1D(G\x03\x00\x42\x03\x00"s;
    EXPECT_EQ(sent(cmd.size() + 5), cmd + ack + ack + ack + ack + ack);
    auto header = scan_bmp_header(4, 2);
    EXPECT_EQ(file(out), std::string(header.begin(), header.end()) + "abcdefgh");
    EXPECT_EQ(var("SCANSIZEINFO"), hex_block(0x40, size_info));
}

TEST_F(ScanBuiltins, StandardTransferResults) {
    std::string too_long = raw_block(0x40, std::string(30, 'x'));  // 35 bytes in all
    struct Row {
        const char *name;
        int32_t mode;
        std::string replies;
        int32_t result;
        const char *message;
        size_t acks;
    };
    const Row rows[] = {
        {"first block too long", 1, too_long, 1, "Information is too long 35\n", 0},
        {"second block too long", 1, raw_block(0x40, file_info) + too_long, 2, "Information is too long 35\n", 1},
        {"34 bytes are taken", 1,
         raw_block(0x40, std::string(29, 'x')) + raw_block(0x40, size_info) + raw_block(0x40, "z"), 0, "\bO\b", 3},
        {"no BMP header without size", 0, hex_block(0x40, "") + hex_block(0x40, "S01") + hex_block(0x40, "7A"), 0,
         "\bO\b", 3},
    };
    for (const Row &r : rows) {
        reopen();
        fake_->feed(r.replies);
        testing::internal::CaptureStderr();
        std::string out = path("raw.bin");
        EXPECT_EQ(number(do_GS_LP_G_65(args({S(out), N(r.mode), N(1), N(2), N(3), S("ab\0cd"s)}))), r.result)
            << r.name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), r.message) << r.name;
        std::string cmd = "\x1D(G\x07\x00\x41\x01\x00\x02\x03" "ab"s;
        EXPECT_EQ(sent(cmd.size() + r.acks), cmd + std::string(r.acks, '\x06')) << r.name;
        if (r.result == 0) {
            EXPECT_EQ(file(out), "z") << r.name;
        }
    }
}

TEST_F(ScanBuiltins, FilesThatCannotBeOpenedOrWritten) {
    EXPECT_EQ(number(do_GS_LP_G_65(args({S(path("no/such/dir")), N(1), N(0), N(0), N(0), S("")}))), SCAN_NO_FILE);
    EXPECT_EQ(number(do_wave(args({S(path("no/such/dir")), N(1)}))), SCAN_NO_FILE);
    EXPECT_EQ(fake_->written(), "");

    // A full disk: the data block is not acknowledged, and the script is told.
    fake_->feed(raw_block(0x40, file_info) + raw_block(0x40, size_info) + raw_block(0x40, "12345678"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(number(do_GS_LP_G_65(args({S("/dev/full"), N(1), N(0), N(0), N(0), S("")}))), SCAN_WRITE_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\bOCan't write file </dev/full>: No space left on device\n");
    current_port.port_send_byte('~');  // whatever was queued before it has left when it has
    std::string cmd = "\x1D(G\x05\x00\x41\x00\x00\x00\x00"s;
    EXPECT_EQ(sent(cmd.size() + 3), cmd + ack + ack + "~");
}

TEST_F(ScanBuiltins, VerboseShowsSizeAndBlocksAndKeepsTheInformation) {
    run_options.status_analyze_mode = 1;
    char old_dir[4096];
    ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    fake_->feed(raw_block(0x40, file_info) + raw_block(0x40, size_info) + raw_block(0x41, "abcd") +
                raw_block(0x40, "efgh"));
    testing::internal::CaptureStdout();
    int32_t result = number(do_scan(args({S("scan.bin"), N(1), S("xy")})));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, " Start point X=0\n Start point Y=0\n End   point X=3\n End   point Y=1\n"
                   " Num of data X=4\n Num of data Y=2\n BLK#001 " + std::to_string(5 + size_info.size()) +
                   "\n BLK#002 4\n");
    EXPECT_EQ(file("FILEINFO.BLK"), raw_block(0x40, file_info));
    EXPECT_EQ(file("SIZEINFO.BLK"), raw_block(0x40, size_info));
    EXPECT_EQ(file("scan.bin"), "abcdefgh");
    std::string cmd = "\x1C(g\x02\x00\x3C\x30" "\x1D(G\x02\x00\x50\x20" "\x1D(G\x07\x00\x41\x01\x00\x30\x30xy"s;
    EXPECT_EQ(sent(cmd.size() + 4), cmd + ack + ack + ack + ack);
    ASSERT_EQ(chdir(old_dir), 0);
}

TEST_F(ScanBuiltins, NcrBlocksAcknowledgeAllButTheLast) {
    struct Row {
        int32_t mode;
        std::string replies;
    };
    const Row rows[] = {
        {1, hex_block(0x40, "f") + hex_block(0x40, "s") + raw_block(0x41, "abc") + raw_block(0x41, "") +
                raw_block(0x40, "de")},
        {0, hex_block(0x40, "f") + hex_block(0x40, "s") + hex_block(0x41, hex_of("abc")) + hex_block(0x41, "") +
                hex_block(0x40, hex_of("de"))},
    };
    for (const Row &r : rows) {
        size_t before = fake_->written().size();
        fake_->feed(r.replies);
        std::string out = path("ncr.bin");
        testing::internal::CaptureStderr();
        EXPECT_EQ(number(do_NCR_GS_LP_G_65(args({S(out), N(r.mode), N(1), N(2), N(3), S("s")}))), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "\bO\b-\bO\b");
        std::string cmd = "\x1D(G\x06\x00\x41\x01\x00\x02\x03s"s;
        EXPECT_EQ(sent(before + cmd.size() + 4).substr(before), cmd + ack + ack + ack + ack) << r.mode;
        EXPECT_EQ(file(out), "abcde") << r.mode;
    }
}

TEST_F(ScanBuiltins, WaveRecords) {
    std::string data(81, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(0xF0 - i);
    std::string record = "\x12\x34\x51\x00"s + data;
    const std::string command = "\x1C\x7C\x7F\x4B\x65\x9A\xB2\x00\x00"s;
    // Hex: a prompt 81 before data bytes 0, 40 and 80; the last byte is not decoded.
    std::string reply = "U";
    reply += hex_of(record) + "Z";
    fake_->feed(reply);
    EXPECT_EQ(number(do_wave(args({S(path("w.bin")), N(0)}))), 0);
    EXPECT_EQ(sent(command.size() + 4), command + "\x81\x81\x81" + ack);
    EXPECT_EQ(file(path("w.bin")), record + "Z");

    fake_->feed("U" + record + "Z");
    EXPECT_EQ(number(do_wave(args({S(path("w.bin")), N(1)}))), 0);
    EXPECT_EQ(file(path("w.bin")), record + "Z");
    fake_->feed("V");
    EXPECT_EQ(number(do_wave(args({S(path("w.bin")), N(1)}))), 1);
    EXPECT_EQ(file(path("w.bin")), "");
    std::string all = command + "\x81\x81\x81" + ack + command + ack + command;
    EXPECT_EQ(sent(all.size()), all);
}

TEST_F(ScanBuiltins, TextBlocksAreWrittenUntilTheLast) {
    fake_->feed(hex_block(0x41, "line one\n") + hex_block(0x41, "") + hex_block(0x40, "end\n") +
                hex_block(0x40, "not read"));
    EXPECT_EQ(number(do_GS_LP_G_70(args({S(path("t.txt")), N(2)}))), 0);
    EXPECT_EQ(file(path("t.txt")), "line one\nend\n");
    std::string cmd = "\x1D(G\x04\x00\x46\x02\x49\x44"s;
    EXPECT_EQ(sent(cmd.size()), cmd);
}

}  // namespace
