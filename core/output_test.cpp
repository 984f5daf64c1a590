#include "core/output.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/port_ops.h"
#include "core/fields.h"

namespace {

std::string sent_normal;
std::string sent_now;

int32_t record_normal(int32_t b) {
    sent_normal += static_cast<char>(b);
    return 1;
}
int32_t record_now(int32_t b) {
    sent_now += static_cast<char>(b);
    return 1;
}

// Swaps the port's send operations for recorders while a test runs.
class OutputStatements : public ::testing::Test {
protected:
    void SetUp() override {
        init_null_string();
        variable("OFS")->left = text(" ");
        variable("ORS")->left = text("\n");
        init_fields();
        saved_ = current_port;
        current_port.port_send_byte = record_normal;
        current_port.port_send_byte_now = record_now;
        sent_normal.clear();
        sent_now.clear();
    }
    void TearDown() override { current_port = saved_; }

    static NODE *number(int32_t n) {
        NODE *v = make_number(n);
        v->flags |= NODE_PERM;
        return v;
    }
    static NODE *text(std::string_view s) {
        NODE *v = make_str_node(s.data(), s.size(), 0);
        v->flags |= NODE_PERM;
        return v;
    }
    // A statement whose expression list holds the given values.
    static NODE *statement(int32_t type, std::initializer_list<NODE *> values) {
        NODE *list = nullptr;
        NODE **tail = &list;
        for (NODE *v : values) {
            NODE *element = newnode(T_EXPRESSION_LIST);
            element->left = v;
            element->right = nullptr;
            *tail = element;
            tail = &element->right;
        }
        NODE *s = newnode(type);
        s->left = list;
        s->right = nullptr;
        return s;
    }
    static std::string printed(void (*handler)(NODE *), NODE *s) {
        ::testing::internal::CaptureStdout();
        handler(s);
        return ::testing::internal::GetCapturedStdout();
    }

private:
    PortOps saved_{};
};

TEST_F(OutputStatements, DirectUsesTheImmediatePath) {
    do_direct(statement(T_DIRECT, {number(16), number(4), number(1)}));
    EXPECT_EQ(sent_now, "\x10\x04\x01");
    EXPECT_EQ(sent_normal, "");
    do_directf(statement(T_DIRECTF, {text("%c%c"), number(16), number(5)}));
    EXPECT_EQ(sent_now, "\x10\x04\x01\x10\x05");
}

TEST_F(OutputStatements, ANumberAlreadyTurnedIntoTextIsSentAsText) {
    NODE *shown = number(65);
    force_string(shown);
    NODE *plain = number(65);
    do_output(statement(T_OUTPUT, {shown, plain}));
    EXPECT_EQ(sent_normal, "65A");
    // Sending a number as a byte leaves the value printing as a number.
    EXPECT_FALSE(plain->flags & NODE_STR_VALID);
    EXPECT_EQ(printed(do_print, statement(T_PRINT, {plain})), "65\n");
}

}  // namespace
