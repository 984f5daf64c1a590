// The interpreter's run state in one place: what the executor, the evaluator,
// user function calls and the record carry from one statement to the next.
// One instance, interp, set up at program start; only the interpreter thread
// touches it. The node pool (core/node.h), the symbol table, the open files
// of the file builtins and the compiled-pattern caches keep their own state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/node.h"

// Where a field lies in `$0` while it has no value node of its own yet.
struct FieldSpan {
    int32_t start = -1;  // -1: the field's node is current
    int32_t length = 0;
};

struct InterpState {
    // Executor (exec.cpp). Set by `exit`, read by the script run mode.
    int exiting = 0;
    int32_t exit_code = 0;
    // Loops running in the current function context (0 at rule level and at
    // the start of every call).
    int32_t loop_depth = 0;
    uint32_t statement_count = 0;  // paces the yield to other processes

    // Evaluator (eval.cpp). The field number the last get_lhs resolved, or -1
    // (0 means `$0`: whoever stores into that slot then calls set_record).
    int32_t field_assigned = -1;
    int eval_unwind = 0;  // an exit, next or return is unwinding
    NODE *ignorecase_var = nullptr;

    // User function calls (func_call.cpp): one growable stack of T_VAR
    // pointers; a call's frame is the range from its base to the top. Slots
    // past the top keep their nodes (or null) for the next call.
    NODE *ret_node = nullptr;  // the value `return` left (null_string when none)
    NODE **frames = nullptr;
    size_t frames_cap = 0;
    size_t frames_top = 0;
    size_t frame_base = SIZE_MAX;  // SIZE_MAX: no call running

    // The record and its fields (fields.cpp).
    NODE *nf_var = nullptr;         // NF (null until init_fields)
    // Entry 0 is $0; entries past parse_high_water hold null_string, except
    // that those up to spare_top may hold an earlier record's field values,
    // kept (held by nothing else) so the next split reuses their nodes.
    NODE **field_table = nullptr;
    int32_t field_capacity = 0;
    int32_t parse_high_water = 0;   // fields held, 1..parse_high_water
    int32_t spare_top = 0;
    bool field0_valid = true;
    int32_t parse_extent = 0;       // where splitting stopped within $0
    // Fields the splitter found are made into values only when referred to:
    // NF alone needs none. Entry n is for field n and means something only
    // for n in 1..parse_high_water; pending entries exist only while $0 holds
    // the text they index.
    FieldSpan *field_spans = nullptr;
    bool spans_pending = false;
    bool fields_made = false;  // a field of this record has a node of its own
    std::string save_fs = " ";      // separator for the current record
    NODE *beyond_slot = nullptr;    // handed out for fields read beyond NF
    NODE *fs_var = nullptr;
    NODE *rs_var = nullptr;
    NODE *ofs_var = nullptr;

    ~InterpState();
};

extern InterpState interp;
