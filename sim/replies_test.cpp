#include "sim/replies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

PrinterState state_of(std::initializer_list<const char *> assignments) {
    PrinterState s;
    std::string error;
    for (const char *a : assignments) EXPECT_TRUE(set_state(s, a, &error)) << a << ": " << error;
    return s;
}

// Every state reachable by changing one field, and everything wrong at once.
std::vector<PrinterState> sample_states() {
    std::vector<PrinterState> states;
    PrinterState worst;
    for (size_t f = 0; f < state_fields().size(); ++f) {
        for (size_t v = 0; v < 3 && state_fields()[f].words[v]; ++v) {
            PrinterState s;
            s.value[f] = static_cast<uint8_t>(v);
            states.push_back(s);
            worst.value[f] = static_cast<uint8_t>(v);
        }
    }
    states.push_back(worst);
    states.push_back(state_of({"slip=waiting", "validation=waiting", "ink=near-end", "ink2=end"}));
    return states;
}

TEST(PrinterModel, StatusRepliesMatchTheState) {
    struct Row {
        std::vector<const char *> state;
        uint8_t eot[6];  // DLE EOT 1..6
        Bytes asb;
    };
    const Row rows[] = {
        {{}, {0x12, 0x12, 0x12, 0x12, 0x76, 0x76}, {0x10, 0x00, 0x60, 0x6F}},
        {{"cover=open"}, {0x1A, 0x16, 0x12, 0x12, 0x76, 0x76}, {0x38, 0x00, 0x60, 0x6F}},
        {{"paper=near-end"}, {0x12, 0x12, 0x12, 0x1E, 0x76, 0x76}, {0x10, 0x00, 0x62, 0x6F}},
        {{"paper=end"}, {0x1A, 0x32, 0x12, 0x7E, 0x76, 0x76}, {0x18, 0x00, 0x6A, 0x6F}},
        {{"drawer=high", "feed=pressed"}, {0x56, 0x1A, 0x12, 0x12, 0x76, 0x76}, {0x54, 0x00, 0x60, 0x6F}},
        {{"online=off"}, {0x1A, 0x12, 0x12, 0x12, 0x76, 0x76}, {0x18, 0x00, 0x60, 0x6F}},
        {{"recoverable-error=yes", "cutter-error=yes"},
         {0x3A, 0x52, 0x5A, 0x12, 0x76, 0x76},
         {0x18, 0x48, 0x60, 0x6F}},
        {{"slip=inserted", "validation=waiting"}, {0x12, 0x12, 0x12, 0x12, 0x12, 0x7A}, {0x10, 0x00, 0x00, 0x68}},
    };
    for (const Row &row : rows) {
        PrinterState s;
        std::string error;
        for (const char *a : row.state) ASSERT_TRUE(set_state(s, a, &error)) << error;
        for (uint8_t n = 1; n <= 6; ++n)
            EXPECT_EQ(realtime_status(s, n), row.eot[n - 1]) << describe_state(s) << ", DLE EOT " << +n;
        StatusBlock asb = asb_status(s);
        EXPECT_EQ(Bytes(asb.begin(), asb.end()), row.asb) << describe_state(s);
    }
}

TEST(PrinterModel, RepliesNeverLookLikeAutomaticStatusOrBlocks) {
    for (const PrinterState &s : sample_states()) {
        std::vector<uint8_t> plain = {realtime_ink_status(s), paper_sensor_status(s), drawer_status(s),
                                      ink_status(s), scan_sensor_status(s)};
        for (uint8_t n = 0; n <= 8; ++n) plain.push_back(realtime_status(s, n));
        for (uint8_t b : plain) EXPECT_TRUE(is_plain_reply(b)) << describe_state(s) << ": " << +b;

        StatusBlock asb = asb_status(s), ink = ink_asb_status(s), ext = ext_asb_status(s);
        EXPECT_EQ(asb[0] & 0x93, 0x10);
        EXPECT_EQ(ink[0], 0x35);
        EXPECT_EQ(ext[0], 0x39);
        for (const StatusBlock *block : {&asb, &ink, &ext})
            for (size_t i = 1; i < 4; ++i) {
                EXPECT_NE((*block)[i], 0x11);  // XON and XOFF are taken out anywhere
                EXPECT_NE((*block)[i], 0x13);
                EXPECT_EQ((*block)[i] & 0x90, 0) << "fixed bits 4 and 7";
            }
    }
}

TEST(PrinterModel, SetAndShowUseTheFieldWords) {
    PrinterState s;
    std::string error;
    EXPECT_TRUE(set_state(s, "cover=open", &error));
    EXPECT_TRUE(set_state(s, "mechanical-error=on", &error));
    EXPECT_TRUE(set_state(s, "ink2=near-end", &error));
    EXPECT_EQ(describe_state(s),
              "online=on cover=open paper=ok journal=ok drawer=low feed=released mechanical-error=yes "
              "cutter-error=no unrecoverable-error=no recoverable-error=no slip=none validation=none "
              "ink=ok ink2=near-end slip-face=front scan=absent emulation=none passbook=none operator=released");
    EXPECT_FALSE(set_state(s, "cover=ajar", &error));
    EXPECT_EQ(error, "'ajar' is no value of cover (closed, open)");
    EXPECT_FALSE(set_state(s, "lid=open", &error));
    EXPECT_EQ(error, "unknown state 'lid'");
    EXPECT_FALSE(set_state(s, "online=yes", &error)) << "aliases belong to yes/no fields only";
}

Command command(const Bytes &bytes) {
    Lookup found = lookup_command(bytes);
    EXPECT_NE(found.spec, nullptr);
    return Command{found.spec, bytes, bytes.size()};
}

std::vector<Bytes> sent(const Replies &replies) {
    std::vector<Bytes> out;
    for (const Reply &r : replies) out.push_back(r.bytes);
    return out;
}

Bytes block(const std::string &data) {
    Bytes b(data.size() + 2, 0);
    b[0] = 0x5F;
    std::copy(data.begin(), data.end(), b.begin() + 1);
    return b;
}

TEST(ReplyLogic, AnswersRequestsFromTheModel) {
    struct Row {
        Bytes request;
        std::vector<Bytes> replies;
    };
    const Row rows[] = {
        {{0x10, 0x04, 0x04}, {{0x12}}},
        {{0x10, 0x04, 0x07, 0x01}, {{0x12}}},
        {{0x10, 0x04, 0x09}, {}},
        {{0x1D, 0x05}, {{0x28}}},
        {{0x1B, 0x75, 0x00}, {{0x00}}},
        {{0x1B, 0x75, 0x01}, {}},
        {{0x1B, 0x76}, {{0x60}}},
        {{0x1D, 0x72, 0x31}, {{0x60}}},
        {{0x1D, 0x72, 0x05}, {{0x07}}},
        {{0x1D, 0x72, 0x06}, {}},
        {{0x1D, 0x72, 0x50}, {block("P0")}},
        {{0x1D, 0x49, 0x01}, {{0x20}}},
        {{0x1D, 0x49, 0x33}, {{0x64}}},
        {{0x1D, 0x49, 0x41}, {block("1.00")}},
        {{0x1D, 0x49, 0x70}, {block("0")}},
        {{0x1D, 0x49, 0x0A}, {}},
        {{0x1C, 0x62}, {block("b none")}},
        {{0x1C, 0x28, 0x6A, 0x01}, {block("j1 none")}},
        {{0x1C, 0x61, 0x30, 0x02}, {block("a2 none")}},
        {{0x1D, 0x67, 0x32, 0x00, 20, 0}, {block("0")}},
        {{0x1B, 0x40}, {}},
    };
    for (const Row &row : rows) {
        PrinterState s;
        ReplyLogic logic(s);
        EXPECT_EQ(sent(logic.answer(command(row.request))), row.replies) << command_name(*command(row.request).spec, row.request);
    }
}

TEST(ReplyLogic, AutomaticStatusOnEnableAndOnEnabledChanges) {
    PrinterState s;
    ReplyLogic logic(s);
    EXPECT_TRUE(logic.state_changed().empty()) << "nothing before it is enabled";

    // Drawer and on-line changes only (bits 0 and 1).
    EXPECT_EQ(sent(logic.answer(command({0x1D, 0x61, 0x03}))), (std::vector<Bytes>{{0x10, 0x00, 0x60, 0x6F}}));
    s[Field::Paper] = 1;  // roll paper: not enabled
    EXPECT_TRUE(logic.state_changed().empty());
    s[Field::Cover] = 1;
    EXPECT_EQ(sent(logic.state_changed()), (std::vector<Bytes>{{0x38, 0x00, 0x62, 0x6F}}));
    EXPECT_TRUE(logic.state_changed().empty()) << "only once per change";

    // A drawer pulse opens the drawer, which is reported.
    EXPECT_EQ(sent(logic.answer(command({0x1B, 0x70, 0, 25, 250}))), (std::vector<Bytes>{{0x3C, 0x00, 0x62, 0x6F}}));

    EXPECT_TRUE(logic.answer(command({0x1D, 0x61, 0x00})).empty());
    s[Field::Cover] = 0;
    EXPECT_TRUE(logic.state_changed().empty()) << "switched off";
}

TEST(ReplyLogic, InkAndExtendedStatus) {
    PrinterState s;
    ReplyLogic logic(s);
    EXPECT_EQ(sent(logic.answer(command({0x1D, 0x6A, 0x01}))), (std::vector<Bytes>{{0x35, 0x40, 0x40, 0x00}}));
    EXPECT_EQ(sent(logic.answer(command({0x1C, 0x28, 0x65, 2, 0, 0x33, 0x08}))),
              (std::vector<Bytes>{{0x39, 0x40, 0x40, 0x00}}));
    s[Field::Ink] = 2;
    s[Field::SlipFace] = 1;
    EXPECT_EQ(sent(logic.state_changed()),
              (std::vector<Bytes>{{0x35, 0x43, 0x40, 0x00}, {0x39, 0x60, 0x40, 0x00}}));
}

TEST(ReplyLogic, RecoveryClearsCommandRecoverableErrors) {
    PrinterState s = state_of({"cutter-error=yes", "unrecoverable-error=yes", "cover=open"});
    ReplyLogic logic(s);
    logic.answer(command({0x10, 0x05, 0x01}));
    EXPECT_EQ(s[Field::CutterError], 1) << "not while the cover is open";
    s[Field::Cover] = 0;
    logic.answer(command({0x10, 0x05, 0x02}));
    EXPECT_EQ(s[Field::CutterError], 0);
    EXPECT_EQ(s[Field::UnrecoverableError], 1);
}

TEST(ReplyLogic, CountersCountFeedsAndCuts) {
    PrinterState s;
    ReplyLogic logic(s);
    for (const Bytes &b : std::vector<Bytes>{{0x0A}, {0x1B, 0x64, 4}, {0x1D, 0x56, 0x42, 0}, {0x1B, 0x69}})
        logic.answer(command(b));
    EXPECT_EQ(sent(logic.answer(command({0x1D, 0x67, 0x32, 0, 20, 0}))), std::vector<Bytes>{block("5")});
    EXPECT_EQ(sent(logic.answer(command({0x1D, 0x67, 0x32, 0, 50, 0}))), std::vector<Bytes>{block("2")});
    logic.answer(command({0x1D, 0x67, 0x30, 0, 50, 0}));
    EXPECT_EQ(sent(logic.answer(command({0x1D, 0x67, 0x32, 0, 50, 0}))), std::vector<Bytes>{block("0")});
}

}  // namespace
