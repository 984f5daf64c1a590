#include "core/output.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "base/diag.h"
#include "base/port_ops.h"
#include "core/eval.h"
#include "core/fields.h"
#include "core/format.h"

namespace {

void release(NODE *n) {
    if (n->flags & NODE_TEMP) unref(n);
}

// An element of an expression list: a value is used as it is, an absent one
// is the empty value, anything else is evaluated.
NODE *evaluate(NODE *expression, int char_mode) {
    if (expression == nullptr) return null_string;
    if (expression->type == T_VALUE) return expression;
    return tree_eval(expression, char_mode);
}

NODE *record() {
    return *get_field(0, 0);
}

std::string_view text_of(NODE *n) {
    if (!(n->flags & NODE_STR_VALID)) force_string(n);
    return {n->string, static_cast<size_t>(n->length)};
}

// The current text of a built-in variable (OFS, ORS), or `fallback` while the
// run mode has not installed it.
std::string_view variable_text(const char *name, std::string_view fallback) {
    NODE *var = lookup(global_table, name);
    if (var == nullptr || var->type != T_VAR || var->left == nullptr) return fallback;
    return text_of(var->left);
}

void write_console(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

using SendFn = int32_t (*)(int32_t);

void send_bytes(SendFn send, std::string_view bytes) {
    for (unsigned char b : bytes) send(b);
}

// Character mode: a value without a string view goes out as one byte. The
// value itself is left alone, so a variable keeps printing as its number.
void send_value(SendFn send, NODE *v) {
    if (v->flags & NODE_STR_VALID) {
        send_bytes(send, {v->string, static_cast<size_t>(v->length)});
        return;
    }
    int32_t n = (v->flags & NODE_NUM_VALID) ? v->number : force_number(v);
    send(n & 0xFF);
}

void send_list(SendFn send, NODE *list) {
    if (list == nullptr) {
        send_bytes(send, text_of(record()));
        return;
    }
    for (; list != nullptr; list = list->right) {
        NODE *v = evaluate(list->left, 1);
        if (!eval_unwinding()) send_value(send, v);
        release(v);
        if (eval_unwinding()) return;
    }
}

// sprintf's values: one list element per conversion, evaluated on demand.
class NodeArgs final : public FormatArgs {
public:
    explicit NodeArgs(NODE *list) : rest_(list) {}
    ~NodeArgs() override { drop(); }
    NodeArgs(const NodeArgs &) = delete;
    NodeArgs &operator=(const NodeArgs &) = delete;

    // After an exit inside an argument the remaining conversions get the
    // empty value; the caller throws the result away.
    bool next() override {
        drop();
        if (eval_unwinding()) {
            current_ = null_string;
            return true;
        }
        if (rest_ == nullptr) return false;
        current_ = evaluate(rest_->left, 0);
        rest_ = rest_->right;
        return true;
    }
    bool numeric() override {
        settle_number(current_);
        return current_->flags & NODE_NUMERIC;
    }
    int32_t number() override {
        return (current_->flags & NODE_NUM_VALID) ? current_->number : force_number(current_);
    }
    std::string_view text() override { return text_of(current_); }

private:
    void drop() {
        if (current_ != nullptr) release(current_);
        current_ = nullptr;
    }
    NODE *rest_;
    NODE *current_ = nullptr;
};

void send_formatted(SendFn send, NODE *statement) {
    NODE *result = do_sprintf(statement->left);
    if (!eval_unwinding()) send_bytes(send, {result->string, static_cast<size_t>(result->length)});
    release(result);
}

int32_t send_normal(int32_t b) { return current_port.port_send_byte(b); }
int32_t send_now(int32_t b) { return current_port.port_send_byte_now(b); }

}  // namespace

NODE *do_sprintf(NODE *args) {
    NODE *format;
    if (args == nullptr) {
        format = record();
    } else {
        format = evaluate(args->left, 0);
        args = args->right;
    }
    // A variable's value could be reassigned by an argument expression, so
    // only constants and our own temporaries are read in place.
    std::string copy;
    std::string_view text = text_of(format);
    if (!(format->flags & (NODE_TEMP | NODE_PERM))) text = copy.assign(text);
    std::string out;
    out.reserve(120);
    {
        NodeArgs values(args);
        format_into(out, text, values);
    }
    release(format);
    return make_temp_string(out.data(), out.size());
}

void do_print(NODE *statement) {
    NODE *list = statement->left;
    if (list == nullptr) {
        NODE *rec = record();
        if (!(rec->flags & NODE_STR_VALID)) BAIL_OUT("builtin");
        write_console({rec->string, static_cast<size_t>(rec->length)});
    }
    for (; list != nullptr; list = list->right) {
        NODE *v = evaluate(list->left, 0);
        if (!eval_unwinding()) write_console(text_of(v));
        release(v);
        if (eval_unwinding()) return;
        if (list->right != nullptr) write_console(variable_text("OFS", " "));
    }
    write_console(variable_text("ORS", "\n"));
}

void do_printf(NODE *statement) {
    NODE *result = do_sprintf(statement->left);
    if (!eval_unwinding()) write_console({result->string, static_cast<size_t>(result->length)});
    release(result);
}

void do_output(NODE *statement) { send_list(send_normal, statement->left); }
void do_outputf(NODE *statement) { send_formatted(send_normal, statement); }
void do_direct(NODE *statement) { send_list(send_now, statement->left); }
void do_directf(NODE *statement) { send_formatted(send_now, statement); }
