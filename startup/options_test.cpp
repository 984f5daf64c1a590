#include "startup/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/settings.h"
#include "core/node.h"

namespace {

// Runs the scanner over words (the program name is added) and records each
// result as "c" or "c=argument", then "end@<index>".
std::string scan(std::vector<std::string> words) {
    words.insert(words.begin(), "vordel");
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    option_scanner = OptionScanner{};
    std::string out;
    for (int c; (c = get_option(static_cast<int>(argv.size()), argv.data(), option_letters)) != -1;) {
        out += static_cast<char>(c);
        if (option_scanner.argument) out += "=" + std::string(option_scanner.argument);
        out += " ";
    }
    return out + "end@" + std::to_string(option_scanner.index);
}

TEST(OptionScanner, WalksWordsLettersAndArguments) {
    struct Row {
        std::vector<std::string> words;
        const char *expected;
    };
    const Row rows[] = {
        {{}, "end@1"},
        {{"script"}, "end@1"},
        {{"-ait", "script"}, "a i t end@2"},
        {{"-b192", "x"}, "b=192 end@2"},
        {{"-b", "192", "x"}, "b=192 end@3"},
        {{"-ab192"}, "a b=192 end@2"},
        {{"-b", "192", "-d"}, "b=192 d end@4"},
        {{"-xyk", "-o"}, "x y k o end@3"},
        {{"-:"}, ": end@2"},
        {{"-", "x"}, "end@1"},
        {{"--", "-t"}, "end@2"},
        {{"-t", "--", "-a"}, "t end@3"},
        {{"-z", "-t"}, "z=-t end@3"},
        {{"-Va=b=c", "f"}, "V=a=b=c end@2"},
    };
    for (const Row &r : rows) {
        std::string joined;
        for (const std::string &w : r.words) joined += w + " ";
        EXPECT_EQ(scan(r.words), r.expected) << joined;
    }
}

TEST(LeadingNumber, ReadsLeadingDecimalDigits) {
    EXPECT_EQ(leading_number("192"), 192);
    EXPECT_EQ(leading_number("  -12x"), -12);
    EXPECT_EQ(leading_number("+7"), 7);
    EXPECT_EQ(leading_number("abc"), 0);
    EXPECT_EQ(leading_number(""), 0);
    EXPECT_EQ(leading_number("99999999999999"), INT32_MAX);
    EXPECT_EQ(leading_number("-99999999999999"), INT32_MIN);
}

TEST(SerialValues, AcceptedTextsGiveTheirCodes) {
    struct Row {
        void (*setter)(const char *);
        int32_t SerialSettings::*field;
        const char *text;
        int32_t code;
    };
    const Row rows[] = {
        {set_baud_rate, &SerialSettings::baud_index, "6", 3},
        {set_baud_rate, &SerialSettings::baud_index, "600", 3},
        {set_baud_rate, &SerialSettings::baud_index, "96", 7},
        {set_baud_rate, &SerialSettings::baud_index, "9600", 7},
        {set_baud_rate, &SerialSettings::baud_index, "38400", 9},
        {set_baud_rate, &SerialSettings::baud_index, "576", 10},
        {set_baud_rate, &SerialSettings::baud_index, "1152", 11},
        {set_data_length, &SerialSettings::data_length, "7", 2},
        {set_data_length, &SerialSettings::data_length, "8", 3},
        {set_parity, &SerialSettings::parity, "e", 2},
        {set_parity, &SerialSettings::parity, "EVEN", 2},
        {set_parity, &SerialSettings::parity, "odd", 1},
        {set_parity, &SerialSettings::parity, "N", 0},
        {set_stop_bits, &SerialSettings::stop_bits, "2", 2},
        {set_stop_bits, &SerialSettings::stop_bits, "1", 0},
        {set_flow_control, &SerialSettings::flow, "r", 2},
        {set_flow_control, &SerialSettings::flow, "CTS", 2},
        {set_flow_control, &SerialSettings::flow, "x", 1},
        {set_flow_control, &SerialSettings::flow, "dsr", 4},
        {set_flow_control, &SerialSettings::flow, "none", 0},
        {set_irq, &SerialSettings::irq, "15", 15},
        {set_irq, &SerialSettings::irq, "3", 3},
    };
    for (const Row &r : rows) {
        run_options.target.serial.*r.field = -99;
        r.setter(r.text);
        EXPECT_EQ(run_options.target.serial.*r.field, r.code) << r.text;
    }
    run_options.target.serial = SerialSettings{};
}

TEST(SerialValuesDeathTest, RejectedAndMissingValuesAreFatal) {
    EXPECT_EXIT(set_baud_rate("57600"), testing::ExitedWithCode(1),
                "Fatal error: 'b' option parameter is illigal\n");
    EXPECT_EXIT(set_baud_rate("115200"), testing::ExitedWithCode(1), "illigal");
    EXPECT_EXIT(set_baud_rate(nullptr), testing::ExitedWithCode(1), "'b' option required board rate\n");
    EXPECT_EXIT(set_parity(""), testing::ExitedWithCode(1), "'p' option parameter is illigal");
    EXPECT_EXIT(set_irq("6"), testing::ExitedWithCode(1), "'q' option parameter is illigal");
}

TEST(SerialEnvironment, FieldsInOrderWithSkippedFifth) {
    run_options.target.serial = SerialSettings{};
    EXPECT_EQ(parse_serial_env("192,8,N,1,D"), 1);
    EXPECT_EQ(run_options.target.serial.baud_index, 8);
    EXPECT_EQ(run_options.target.serial.data_length, 3);
    EXPECT_EQ(run_options.target.serial.parity, 0);
    EXPECT_EQ(run_options.target.serial.stop_bits, 0);
    EXPECT_EQ(run_options.target.serial.flow, 4);  // the fifth field is skipped

    run_options.target.serial = SerialSettings{};
    EXPECT_EQ(parse_serial_env(",,24,,,7,,E,,2,,X,,11,,junk"), 1);
    EXPECT_EQ(run_options.target.serial.baud_index, 5);
    EXPECT_EQ(run_options.target.serial.data_length, 2);
    EXPECT_EQ(run_options.target.serial.parity, 2);
    EXPECT_EQ(run_options.target.serial.stop_bits, 2);
    EXPECT_EQ(run_options.target.serial.irq, 11);

    run_options.target.serial = SerialSettings{};
    EXPECT_EQ(parse_serial_env("4800"), 1);
    EXPECT_EQ(run_options.target.serial.baud_index, 6);
    EXPECT_EQ(run_options.target.serial.data_length, 3);

    EXPECT_EQ(parse_serial_env(""), 0);
    EXPECT_EQ(parse_serial_env(",,,"), 0);
    run_options.target.serial = SerialSettings{};
}

}  // namespace

namespace {

TEST(AssignVariable, InstallsAStringWithoutEscapeProcessing) {
    assign_variable("greeting=a\\tb=c");
    NODE *var = lookup(global_table, "greeting");
    ASSERT_NE(var, nullptr);
    NODE *value = var->left;
    ASSERT_TRUE(value->flags & NODE_STR_VALID);
    EXPECT_EQ(std::string(value->string, static_cast<size_t>(value->length)), "a\\tb=c");

    assign_variable("greeting=");  // a later -V replaces the value
    EXPECT_EQ(lookup(global_table, "greeting")->left->length, 0);
}

TEST(AssignVariableDeathTest, WithoutEqualsShowsUsage) {
    // The usage pause must not wait for a key from the test's terminal.
    EXPECT_EXIT((std::freopen("/dev/null", "r", stdin), assign_variable("name")), testing::ExitedWithCode(0),
                "vordel: 'name' argument to -v not in 'var=value' form\n  usage:\n");
}

}  // namespace
