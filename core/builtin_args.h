// Argument access for builtins.
//  - Arguments are taken in order, each evaluated only when asked for; the
//    ones a builtin never asks for are never evaluated.
//  - An element that is a value is used as it is; an absent element is
//    null_string. When the whole list is absent, the first argument is the
//    record `$0`.
//  - arg_number / arg_text convert and release the argument at once, so a
//    later argument can never pull a value out from under an earlier one.
//  - ArgValue holds an evaluated argument and releases it (when temporary) on
//    destruction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/node.h"

class BuiltinArgs {
public:
    explicit BuiltinArgs(NODE *list) : head_(list), list_(list), record_(list == nullptr) {}

    // True when the script wrote this many arguments or more (the absent list
    // counts as one: `$0`).
    bool has(int count) const;

    // The next element's tree (null when absent) without evaluating it.
    NODE *next_tree();
    // The next argument's value: release with release_value.
    NODE *next_value();

private:
    NODE *head_;
    NODE *list_;
    bool record_;
    int taken_ = 0;
};

// The value of an argument tree: a value as it is, null as null_string,
// anything else evaluated. Release with release_value.
NODE *value_of(NODE *tree);
// Releases v when it is a temporary; values owned elsewhere are left alone.
void release_value(NODE *v);

class ArgValue {
public:
    explicit ArgValue(BuiltinArgs &args) : value_(args.next_value()) {}
    ~ArgValue() { release_value(value_); }
    ArgValue(const ArgValue &) = delete;
    ArgValue &operator=(const ArgValue &) = delete;

    NODE *get() const { return value_; }
    int32_t number() const;
    std::string_view text() const;  // valid while this ArgValue lives

private:
    NODE *value_;
};

int32_t arg_number(BuiltinArgs &args);
std::string arg_text(BuiltinArgs &args);

inline std::string_view text_of(NODE *v) {
    if (!(v->flags & NODE_STR_VALID)) force_string(v);
    return {v->string, static_cast<size_t>(static_cast<uint32_t>(v->length))};
}

inline int32_t number_view(NODE *v) { return (v->flags & NODE_NUM_VALID) ? v->number : force_number(v); }

// True while `exit` or `next` inside a function called from an argument is
// unwinding: a builtin with visible effects then does nothing.
bool unwinding();

// Results.
inline NODE *number_result(int32_t n) { return make_temp_number(n); }
inline NODE *text_result(std::string_view s) { return make_temp_string(s.data(), s.size()); }
