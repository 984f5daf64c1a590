// The status request and passbook builtins against a fake printer: the bytes
// each sends, the receiver mode it waits in, what it returns and decodes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "base/diag.h"
#include "base/settings.h"
#include "core/builtin_test_util.h"
#include "ports/driver/fake_driver_test_util.h"
#include "ports/port_builtins.h"
#include "ports/port_layer.h"
#include "ports/port_sets.h"
#include "printer/passbook_builtins.h"
#include "printer/status_builtins.h"
#include "printer/status_stores.h"
#include "printer/status_texts.h"

namespace {

using namespace builtin_test;
using Builtin = NODE *(*)(NODE *);

const DriverKinds fake_kinds = FakeDriver::kinds();

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

std::string decoded(StatusDecoder decode, uint8_t reply) {
    testing::internal::CaptureStdout();
    decode(stdout, reply);
    return testing::internal::GetCapturedStdout();
}

class StatusRequests : public testing::Test {
protected:
    void SetUp() override {
        init_null_string();
        port_driver_kinds = &fake_kinds;
        current_port = serial_port_ops;
        reset_reply_state();
        setenv("XDG_CONFIG_HOME", testing::TempDir().c_str(), 1);
        TargetSettings target;
        target.kind = PortKind::Serial;
        target.number = 1;
        ASSERT_EQ(current_port.port_open(target), 1);
        fake_ = FakeDriver::latest;
    }
    void TearDown() override {
        current_port.port_close(0);
        current_port = no_target_port_ops;
        port_driver_kinds = &device_driver_kinds;
        run_options.status_analyze_mode = 0;
        unsetenv("XDG_CONFIG_HOME");
    }
    // The bytes the printer got, once there are at least n of them.
    std::string sent(size_t n) {
        fake_->wait_until([n](FakeDriver &f) { return f.written_.size() >= n; });
        return fake_->written();
    }
    // Runs the builtin while the reply waits in the line; stdout is kept.
    NODE *call(Builtin fn, NODE *args, const std::string &reply = "") {
        fake_->feed(reply);
        testing::internal::CaptureStdout();
        NODE *r = fn(args);
        out_ = testing::internal::GetCapturedStdout();
        return r;
    }
    // Lets the driver's receive thread take in what was fed.
    void feed_unread(const std::string &line) {
        fake_->feed(line);
        for (int i = 0; i < 10000 && current_port.port_rx_count() < static_cast<int32_t>(line.size()); ++i)
            usleep(1000);
    }
    FakeDriver *fake_ = nullptr;
    std::string out_;
};

TEST(WordDword, LittleEndianTwosComplement) {
    init_null_string();
    EXPECT_EQ(text(do_word(args({N(-1)}))), "\xFF\xFF");
    EXPECT_EQ(text(do_word(args({N(65536)}))), bytes({0, 0}));
    EXPECT_EQ(text(do_word(args({N(0x1234)}))), "\x34\x12");
    EXPECT_EQ(text(do_dword(args({N(258)}))), bytes({2, 1, 0, 0}));
    EXPECT_EQ(text(do_dword(args({N(-2)}))), "\xFE\xFF\xFF\xFF");
}

TEST_F(StatusRequests, ByteRepliesAndTheirDecoders) {
    struct Row {
        const char *name;
        Builtin fn;
        NODE *args;
        std::string request;
        StatusDecoder decoder;  // what -v shows; null: nothing
    };
    const Row rows[] = {
        {"DLE_EOT(1)", do_DLE_EOT, args({N(1)}), "\x10\x04\x01", show_printer_status},
        {"DLE_EOT(6)", do_DLE_EOT, args({N(6)}), "\x10\x04\x06", show_validation_status},
        {"DLE_EOT(7)", do_DLE_EOT, args({N(7)}), "\x10\x04\x07", nullptr},
        {"DLE_EOT(0x104)", do_DLE_EOT, args({N(0x104)}), "\x10\x04\x04", nullptr},
        {"DLE_EOT_BEL(2)", do_DLE_EOT_BEL, args({N(2)}), "\x10\x04\x07\x02", nullptr},
        {"DLE_EOT_BS(1)", do_DLE_EOT_BS, args({N(1)}), "\x10\x04\x08\x01", nullptr},
        {"DLE_EOT_NUL(1)", do_DLE_EOT_NUL, args({N(1)}), bytes({0x10, 4, 0, 1}), nullptr},
        {"ESC_u(0)", do_ESC_u, args({N(0)}), bytes({0x1B, 0x75, 0}), show_drawer_status},
        {"ESC_u(48)", do_ESC_u, args({N(48)}), "\x1B\x75\x30", show_drawer_status},
        {"ESC_u(1)", do_ESC_u, args({N(1)}), "\x1B\x75\x01", nullptr},
        {"ESC_v", do_ESC_v, nullptr, "\x1B\x76", show_paper_sensor_status},
        {"GS_ENQ", do_GS_ENQ, nullptr, "\x1D\x05", show_gs_enq_status},
        {"GS_I(3)", do_GS_I, args({N(3)}), "\x1D\x49\x03", nullptr},
        {"GS_r(1)", do_GS_r, args({N(1)}), "\x1D\x72\x01", show_paper_sensor_status},
        {"GS_r(0x32)", do_GS_r, args({N(0x32)}), "\x1D\x72\x32", show_drawer_status},
        {"GS_r(3)", do_GS_r, args({N(3)}), "\x1D\x72\x03", show_slip_paper_code},
        {"GS_r(4)", do_GS_r, args({N(4)}), "\x1D\x72\x04", show_ink_status},
        {"GS_r(0x35)", do_GS_r, args({N(0x35)}), "\x1D\x72\x35", show_scan_sensor_status},
    };
    run_options.status_analyze_mode = 1;
    size_t total = 0;
    for (const Row &r : rows) {
        EXPECT_EQ(number(call(r.fn, r.args, "\x4E")), 0x4E) << r.name;
        total += r.request.size();
        EXPECT_EQ(sent(total).substr(total - r.request.size()), r.request) << r.name;
        EXPECT_EQ(out_, r.decoder ? decoded(r.decoder, 0x4E) : "") << r.name;
    }
    EXPECT_EQ(sent(total).size(), total);
}

TEST_F(StatusRequests, StatusMessagesOnTheWayAreStoredNotReplies) {
    // An ASB, an ink ASB and a block come first; the plain byte is the reply.
    std::string line = bytes({0x10, 0, 0x40, 0x0F, 0x35, 1, 2, 3, 0x37, 'i', 'd', 0, 0x12});
    EXPECT_EQ(number(call(do_DLE_EOT, args({N(1)}), line)), 0x12);
    EXPECT_EQ(text(do_asb(nullptr)), bytes({0x10, 0, 0x40, 0x0F}));
    EXPECT_EQ(text(do_inkasb(nullptr)), bytes({0x35, 1, 2, 3}));
    EXPECT_EQ(text(do_exasb(nullptr)), bytes({0, 0, 0, 0}));
}

TEST_F(StatusRequests, StatusStoreRequests) {
    // n = 0 switches automatic status off: the store at once, nothing read.
    feed_unread("\x12");
    EXPECT_EQ(text(call(do_GS_a, args({N(0x100)}))), bytes({0, 0, 0, 0}));
    EXPECT_EQ(sent(3), bytes({0x1D, 0x61, 0}));
    EXPECT_EQ(current_port.port_rx_count(), 1);
    EXPECT_EQ(text(call(do_FS_LP_e, args({N(0)}))), bytes({0, 0, 0, 0}));
    EXPECT_EQ(sent(10).substr(3), bytes({0x1C, 0x28, 0x65, 2, 0, 0x33, 0}));
    EXPECT_EQ(current_port.port_rx_count(), 1);
    EXPECT_EQ(number(call(do_DLE_EOT, args({N(1)}), "")), 0x12);

    EXPECT_EQ(text(call(do_GS_a, args({N(0xFF)}), bytes({0x14, 0, 0, 0}))), bytes({0x14, 0, 0, 0}));
    EXPECT_EQ(text(call(do_GS_j, args({N(1)}), bytes({0x35, 0, 0, 4}))), bytes({0x35, 0, 0, 4}));
    EXPECT_EQ(text(call(do_FS_LP_e, args({N(1)}), bytes({0x39, 0, 5, 0}))), bytes({0x39, 0, 5, 0}));
    EXPECT_EQ(sent(26).substr(13), bytes({0x1D, 0x61, 0xFF, 0x1D, 0x6A, 1, 0x1C, 0x28, 0x65, 2, 0, 0x33, 1}));
    // A plain byte ends an ASB wait with "@@@"; the old status comes back.
    EXPECT_EQ(text(call(do_GS_a, args({N(2)}), "\x40")), bytes({0x14, 0, 0, 0}));
    EXPECT_EQ(out_, "@@@");
}

TEST_F(StatusRequests, BlockRequests) {
    struct Row {
        const char *name;
        Builtin fn;
        NODE *args;
        std::string request;
        std::string result;  // from the block "\x5F" "ab" NUL
    };
    const std::string ab = "\x5F" "ab";
    const Row rows[] = {
        {"GS_I(65)", do_GS_I, args({N(65)}), "\x1D\x49\x41", ab},
        {"GS_I(0x7A)", do_GS_I, args({N(0x7A)}), "\x1D\x49\x7A", ab},
        {"FS_LP_j(1)", do_FS_LP_j, args({N(1)}), "\x1C\x28\x6A\x01", ab},
        {"FS_a0(2)", do_FS_a0, args({N(2)}), "\x1C\x61\x30\x02", ab},
        {"FS_b", do_FS_b, nullptr, "\x1C\x62", ab},
        {"GS_g2(0, 0x132)", do_GS_g2, args({N(0), N(0x132)}), bytes({0x1D, 0x67, 0x32, 0, 0x32, 1}), ab + '\0'},
        {"GS_r(81)", do_GS_r, args({N(81)}), "\x1D\x72\x51", ab},
        {"blockstatus", do_blockstatus, nullptr, "", ab},
    };
    run_options.status_analyze_mode = 1;
    size_t total = 0;
    for (const Row &r : rows) {
        // Plain bytes before the block are dropped.
        EXPECT_EQ(text(call(r.fn, r.args, "\x40\x5F" "ab" + std::string(1, '\0'))), r.result) << r.name;
        EXPECT_EQ(out_, "") << r.name;
        total += r.request.size();
        EXPECT_EQ(sent(total).substr(total - r.request.size()), r.request) << r.name;
    }
    EXPECT_EQ(text(call(do_GS_r, args({N(80)}), "\x5F\x50" "123" + std::string(1, '\0'))), "\x5F\x50" "123");
    testing::internal::CaptureStdout();
    show_slip_rest_dots(stdout, "\x5F\x50" "123");
    EXPECT_EQ(out_, testing::internal::GetCapturedStdout());
}

TEST_F(StatusRequests, RequestsThatAwaitNothing) {
    struct Row {
        const char *name;
        Builtin fn;
        NODE *args;
        std::string request;
        int32_t result;
    };
    const Row rows[] = {
        {"DLE_DC4(3, 1, 1)", do_DLE_DC4, args({N(3), N(1), N(1)}), "", 0},
        {"DLE_DC4(0)", do_DLE_DC4, args({N(0)}), "", 0},
        {"DLE_DC4(1, 0, 8)", do_DLE_DC4, args({N(1), N(0), N(8)}), bytes({0x10, 0x14, 1, 0, 8}), 1},
        {"DLE_DC4(2)", do_DLE_DC4, args({N(2), N(5), N(5)}), "\x10\x14\x02\x01\x08", 1},
        {"DLE_DC4(7, 0x105)", do_DLE_DC4, args({N(7), N(0x105)}), "\x10\x14\x07\x05", 1},
        {"DLE_DC4(8)", do_DLE_DC4, args({N(8)}), "\x10\x14\x08\x01\x03\x14\x01\x06\x02\x08", 1},
        {"DLE_ENQ(2)", do_DLE_ENQ, args({N(2)}), "\x10\x05\x02", 1},
        {"US_v(3)", do_US_v, args({N(3)}), "\x1F\x76\x03", 1},
        {"GS_r(6)", do_GS_r, args({N(6)}), "\x1D\x72\x06", -1},
        {"GS_r(0x53)", do_GS_r, args({N(0x53)}), "\x1D\x72\x53", -1},
    };
    feed_unread("\x12");  // left unread by every row
    size_t total = 0;
    for (const Row &r : rows) {
        EXPECT_EQ(number(call(r.fn, r.args)), r.result) << r.name;
        total += r.request.size();
        EXPECT_EQ(sent(total).substr(total - r.request.size()), r.request) << r.name;
        EXPECT_EQ(current_port.port_rx_count(), 1) << r.name;
    }
}

TEST_F(StatusRequests, RealTimeRequestNotSentWarnsAndAwaitsNothing) {
    fake_->refuse_flow_off(true);
    feed_unread("\x12");
    testing::internal::CaptureStderr();
    EXPECT_EQ(number(call(do_DLE_EOT, args({N(1)}))), -1);
    EXPECT_EQ(number(call(do_GS_ENQ, nullptr)), -1);
    EXPECT_EQ(number(call(do_DLE_ENQ, args({N(1)}))), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: DLE_EOT: the printer port did not take the real-time request; no reply is awaited\n"
              "Warning: GS_ENQ: the printer port did not take the real-time request; no reply is awaited\n"
              "Warning: DLE_ENQ: the printer port did not take the real-time request; no reply is awaited\n");
    EXPECT_EQ(current_port.port_rx_count(), 1);
    EXPECT_EQ(fake_->written(), "");
}

TEST_F(StatusRequests, RecordsOfAnFsPlusAnswerAreAcknowledged) {
    std::string reply = "\x5F" "h";
    reply += std::string("R1\x33\x01") + "ab";
    reply += std::string("R2\x33\x02") + "cdef";
    reply += std::string(1, '\0');
    EXPECT_EQ(text(call(do_FS_PLUS, args({N(0x31), N(0x04030201), N(-1)}), reply)), reply.substr(0, reply.size() - 1));
    EXPECT_EQ(sent(13), bytes({0x1C, 0x2B, 0x31, 1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x81}));
}

TEST_F(StatusRequests, GsIOutsideItsTableStopsAfterSending) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            set_fatal_hook([] {
                FakeDriver::latest->wait_until([](FakeDriver &f) { return f.written_.size() >= 3; });
                std::fputs(FakeDriver::latest->written() == "\x1D\x49\x0A" ? "sent\n" : "not sent\n", stderr);
            });
            do_GS_I(args({N(10)}));
        },
        testing::ExitedWithCode(1), "Fatal error: invalid GS_I\\(\\) parameter\nsent\n");
}

TEST_F(StatusRequests, PassbookReplies) {
    run_options.status_analyze_mode = 1;
    EXPECT_EQ(number(call(do_PR2_ESC_U, args({N(0x101)}), bytes({2, 0, 5}))), 5);
    EXPECT_EQ(out_, "bit2: Printing is enabled when the operator button is pressed\nbit0: Operator 1 pressed\n");
    EXPECT_EQ(number(call(do_PR2_ESC_MINUS, nullptr, bytes({2, 0, 0x31, 0x32, 0x33, 0x34}))), 1234);
    EXPECT_EQ(number(call(do_PR2_ESC_RBR_MINUS, nullptr, bytes({2, 0, 0x20, 0x2D, 0x35, 0x41}))), -5);
    EXPECT_EQ(number(call(do_PR2_ESC_MINUS, nullptr, bytes({2, 0, ' ', 'x', '1', '2'}))), 0);
    std::string id = std::string("VORDEL-SIM PB") + '\0' + "1.0";
    EXPECT_EQ(text(call(do_PR2_ESC_SP_b, nullptr, id)), id);
    // Status-looking bytes are reply bytes here.
    EXPECT_EQ(text(call(do_ITHACA_ENQ, args({N(0x131)}), "\x10\x11")), "\x10\x11");
    EXPECT_EQ(number(call(do_PR2_ESC_Z, nullptr, bytes({2, 0, 0x93}))), 0x93);
    EXPECT_EQ(number(call(do_PR2_ESC_j, nullptr, bytes({2, 0, 1}))), 1);
    EXPECT_EQ(text(call(do_PR2_ESC_SP_B, nullptr, "abcdef")), "abcdef");
    EXPECT_EQ(text(call(do_PR2_ESC_SP_a, nullptr, "0")), "0");
    EXPECT_EQ(text(call(do_PR2_ESC_i, nullptr, "123456")), "123456");
    EXPECT_EQ(sent(27), bytes({0x1B, 0x55, 1,    0x1B, 0x2D, 0x1B, 0x7D, 0x2D, 0x1B, 0x2D, 0x1B, 0x20, 0x62, 5, 0x31,
                               0x1B, 0x5A, 0x1B, 0x6A, 0x1B, 0x20, 0x42, 0x1B, 0x20, 0x61, 0x1B, 0x69}));
}

TEST(ReplyDecimal, SignsSpacesAndStops) {
    struct Row {
        const char *bytes;
        int32_t value;
    } const rows[] = {{"1234", 1234}, {" -5A", -5}, {"  +7", 7}, {"\t 42", 42}, {"-", 0}, {"x1", 0}, {"", 0}};
    for (const Row &r : rows) EXPECT_EQ(reply_decimal(r.bytes), r.value) << r.bytes;
}

// Keys are piped into a child: Esc cancels a read, a key ends a wait.
void with_keys_typed(const char *keys) {
    int fds[2];
    if (pipe(fds) != 0) std::_Exit(9);
    dup2(fds[0], STDIN_FILENO);
    if (write(fds[1], keys, std::strlen(keys)) != static_cast<ssize_t>(std::strlen(keys))) std::_Exit(9);
    close(fds[1]);
}

TEST_F(StatusRequests, KeysDuringWaits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The third reply byte never comes: Esc makes it FF.
    EXPECT_EXIT(
        {
            feed_unread(std::string("\x02\x00", 2));
            with_keys_typed("\x1b");
            std::_Exit(number(do_PR2_ESC_Z(nullptr)) == 255 ? 0 : 2);
        },
        testing::ExitedWithCode(0), "^Canceled\n$");
    // A cancelled byte builtin gives -1 and decodes nothing.
    EXPECT_EXIT(
        {
            run_options.status_analyze_mode = 1;
            with_keys_typed("\x1b");
            std::_Exit(number(do_DLE_EOT(args({N(1)}))) == -1 ? 0 : 2);
        },
        testing::ExitedWithCode(0), "^Canceled\n$");
    EXPECT_EXIT(
        {
            with_keys_typed("k");
            std::_Exit(number(do_wait(args({N(60000)}))) == 'k' ? 0 : 2);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(number(do_wait(args({N(0)}))), 0);
}

}  // namespace
