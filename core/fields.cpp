// The record, its fields, the splitter and the `split` builtin.
#include "core/fields.h"

#include <array>
#include <cstdlib>
#include <string>

#include "base/diag.h"
#include "core/builtins.h"
#include "core/eval_internal.h"
#include "core/regex.h"
#include "core/strfuncs.h"

namespace {

void bind_variables() {
    if (interp.fs_var) return;
    interp.fs_var = variable("FS");
    interp.rs_var = variable("RS");
    interp.ofs_var = variable("OFS");
    interp.nf_var = variable("NF");
}

std::string_view text_of(NODE *v) {
    string_of(v);
    return {v->string, static_cast<size_t>(v->length)};
}

// Room for field n; new entries hold null_string.
[[gnu::noinline]] void grow_fields(int32_t n) {
    if (n > MAX_FIELD) out_of_memory_realloc("set_field");
    int64_t want = interp.field_capacity ? int64_t{interp.field_capacity} * 2 : 8;
    int32_t cap = static_cast<int32_t>(want > n ? (want > MAX_FIELD + 1 ? MAX_FIELD + 1 : want) : n + 1);
    auto *grown = static_cast<NODE **>(std::realloc(interp.field_table, sizeof(NODE *) * cap));
    if (!grown) out_of_memory_realloc("set_field");
    for (int32_t i = interp.field_capacity; i < cap; ++i) grown[i] = null_string;
    interp.field_table = grown;
    auto *spans = static_cast<FieldSpan *>(std::realloc(interp.field_spans, sizeof(FieldSpan) * cap));
    if (!spans) out_of_memory_realloc("set_field");
    interp.field_spans = spans;
    interp.field_capacity = cap;
}

void reserve_field(int32_t n) {
    if (n >= interp.field_capacity) grow_fields(n);
}

void set_nf(int32_t n) { assign_number(&interp.nf_var->left, n); }

// FS as it applies to records: with an empty RS, newlines separate too. Set
// on every record, so an unchanged separator is not copied again.
void update_separator_from_fs() {
    std::string_view fs = text_of(interp.fs_var->left);
    std::string &sep = interp.save_fs;
    if (!text_of(interp.rs_var->left).empty()) {
        if (sep != fs) sep.assign(fs);
    } else if (fs == " ") {
        sep = "[ \t\n]+";
    } else if (fs.size() == 1) {
        const char bracket[] = {'[', fs[0], '\n', ']'};
        sep.assign(bracket, sizeof bracket);
    } else if (fs.empty()) {
        sep.assign(1, '\n');
    } else {
        sep.assign(fs);
    }
}

char record_separator() {
    std::string_view rs = text_of(interp.rs_var->left);
    return rs.empty() ? '\0' : rs[0];
}

constexpr int32_t kSpareText = 64;  // a longer text is not worth keeping

// The splitter stores fields in order, each just past the last one held; a
// field of $0 only notes where it lies until it is referred to.
struct RecordStore {
    const char *base;  // the text of $0
    void operator()(int32_t n, const char *text, int32_t length) const {
        reserve_field(n);
        interp.field_spans[n] = {static_cast<int32_t>(text - base), length};
    }
};

// Gives field n (1..parse_high_water) its value node if it has none yet; the
// node an earlier record left in the slot is refilled.
void materialize(int32_t n) {
    FieldSpan &span = interp.field_spans[n];
    if (span.start < 0) return;
    const char *text = interp.field_table[0]->string + span.start;
    NODE *&slot = interp.field_table[n];
    if (slot != null_string) {
        refill_text(slot, text, static_cast<size_t>(span.length));
    } else {
        slot = make_str_node(text, static_cast<size_t>(span.length), 0);
    }
    slot->flags |= NODE_NUM_PENDING;
    span.start = -1;
    interp.fields_made = true;
}

void materialize_all() {
    if (!interp.spans_pending) return;
    for (int32_t i = 1; i <= interp.parse_high_water; ++i) materialize(i);
    interp.spans_pending = false;
}

// Ends the split of the record: slots past the fields held keep their nodes
// as spares for the next split.
void end_split() {
    interp.spans_pending = false;
    interp.fields_made = false;
    if (interp.parse_high_water > interp.spare_top) interp.spare_top = interp.parse_high_water;
    interp.parse_high_water = 0;
    interp.field0_valid = true;
    interp.parse_extent = 0;
}

int32_t char_length(const char *p, int32_t i, int32_t end) {
    return sjis_lead(static_cast<unsigned char>(p[i])) && i + 1 < end ? 2 : 1;
}

// Bytes that end a field split on blanks; NUL also stops the scan, since a
// value's text is terminated (a NUL inside the text is passed over).
constexpr auto kFieldStop = [] {
    std::array<bool, 256> stop{};
    stop[' '] = stop['\t'] = stop['\0'] = true;
    return stop;
}();

// The splitters. Each stores fields count+1, count+2, ... from
// in.text[in.pos .. in.length) through store(n, text, length), leaves in.pos
// where it stopped and returns the new count. The text is terminated
// (in.text[in.length] is NUL), as a value's text always is.
struct SplitInput {
    const char *text;
    int32_t length;
    int32_t pos;
};

template <class Store>
int32_t split_on_blanks(int32_t count, SplitInput &in, const Store &store) {
    const char *p = in.text + in.pos;
    const char *end = in.text + in.length;
    auto stops = [](char c) { return kFieldStop[static_cast<unsigned char>(c)]; };
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (p >= end) break;
        const char *start = p;
        for (;;) {
            while (!stops(*p)) ++p;
            if (*p != '\0' || p >= end) break;
            ++p;
        }
        store(++count, start, static_cast<int32_t>(p - start));
        if (p < end) ++p;
    }
    in.pos = static_cast<int32_t>(end - in.text);
    return count;
}

template <class Store>
int32_t split_on_byte(int32_t count, SplitInput &in, char sep, const Store &store) {
    const char *p = in.text;
    int32_t i = in.pos, end = in.length;
    char rs = record_separator();
    while (i < end) {
        int32_t start = i;
        while (i < end && p[i] != sep) i += char_length(p, i, end);
        store(++count, p + start, i - start);
        if (i < end) {
            ++i;
            if (i == end && rs != '\0') store(++count, p + i, 0);  // a trailing separator
        }
    }
    in.pos = i;
    return count;
}

template <class Store>
int32_t split_on_regex(int32_t count, SplitInput &in, std::string_view sep, const Store &store) {
    const char *p = in.text;
    int32_t end = in.length;
    int32_t i = in.pos;
    if (i >= end) return count;  // nothing to split: no fields, not one empty one
    char rs = record_separator();
    if (rs == '\0' && text_of(interp.fs_var->left) == " ") {
        while (i < end && (p[i] == '\n' || p[i] == ' ' || p[i] == '\t')) ++i;
    }
    int32_t field_start = i, scan = i;
    regex_registers regs;
    while (scan < end) {
        int32_t m = re_split(p + scan, end - scan, sep, &regs);
        if (m < 0) break;
        int32_t match_start = scan + regs.start[0], match_end = scan + regs.end[0];
        if (match_end == match_start) {
            // An empty match separates nothing: look again one character on.
            scan = match_start + char_length(p, match_start, end);
            continue;
        }
        store(++count, p + field_start, match_start - field_start);
        scan = field_start = match_end;
    }
    if (rs != '\0' || field_start < end) store(++count, p + field_start, end - field_start);
    in.pos = end;
    return count;
}

template <class Store>
int32_t parse_fields(int32_t count, SplitInput &in, std::string_view separator, const Store &store) {
    bind_variables();
    if (separator.size() >= 2) return split_on_regex(count, in, separator, store);
    if (separator == " ") return split_on_blanks(count, in, store);
    return split_on_byte(count, in, separator.empty() ? '\0' : separator[0], store);
}

// Splits what is left of $0; returns the field count.
int32_t split_rest() {
    NODE *rec = string_of(interp.field_table[0]);
    SplitInput in{rec->string, rec->length, interp.parse_extent};
    int32_t held = interp.parse_high_water;
    int32_t count = parse_fields(held, in, interp.save_fs, RecordStore{rec->string});
    interp.parse_extent = in.pos;
    if (count > held) {
        interp.parse_high_water = count;
        interp.spans_pending = true;
    }
    return count;
}

// split's elements: those the last split left are refilled in place.
struct ElementStore {
    NODE *array;
    int32_t kept;
    void operator()(int32_t n, const char *text, int32_t length) const {
        NODE **slot = assoc_split_element(array, n, kept);
        NODE *old = *slot;
        if (held_alone(old)) {
            refill_text(old, text, static_cast<size_t>(length));
            return;
        }
        *slot = make_str_node(text, static_cast<size_t>(length), 0);
        unref(old);
    }
};

// The cached separator of re_split.
std::string cached_separator;
int cached_fold = -1;
pattern_buffer cached_pattern{};

}  // namespace

void init_fields() {
    bind_variables();
    reserve_field(0);
    end_split();
    NODE *rec = make_str_node("", 0, 0);
    rec->flags = NODE_PERM | NODE_STR_VALID;
    interp.field_table[0] = rec;
}

void set_record(const char *text, int32_t length) {
    bind_variables();
    if (!interp.field_table) init_fields();
    NODE *rec = interp.field_table[0];
    if (!(rec->flags & NODE_STR_VALID) || rec->string != text) {
        interp.field_table[0] = make_str_node(text, static_cast<size_t>(length), 0);
        unref(rec);
    }
    // A field never referred to left its slot's spare as it was.
    for (int32_t i = 1; interp.fields_made && i <= interp.parse_high_water; ++i) {
        if (interp.field_spans[i].start >= 0) continue;
        NODE *&f = interp.field_table[i];
        if (!held_alone(f) || !(f->flags & NODE_STR_VALID) || f->length > kSpareText) {
            unref(f);
            f = null_string;
        }
    }
    end_split();
    update_separator_from_fs();
    set_nf(-1);
}

NODE **get_field(int32_t n, int assign) {
    if (!interp.field_table) init_fields();
    if (n == 0) {
        if (!interp.field0_valid) rebuild_record();
        return &interp.field_table[0];
    }
    if (assign) interp.field0_valid = false;
    if (n > interp.parse_high_water) {
        int32_t count = split_rest();
        if (count < n && assign) {
            set_field(n, "", 0);
            count = n;
        }
        set_nf(count);
        if (count < n) {
            interp.beyond_slot = null_string;
            return &interp.beyond_slot;
        }
    }
    materialize(n);
    return &interp.field_table[n];
}

void split_record_for_nf() {
    if (!interp.field_table) init_fields();
    set_nf(split_rest());
}

void set_field(int32_t n, const char *text, int32_t length) {
    reserve_field(n);
    NODE **table = interp.field_table;
    if (n > interp.parse_high_water) {
        // Fields skipped over are empty, not what an earlier record left.
        for (int32_t i = interp.parse_high_water + 1; i <= n; ++i) {
            interp.field_spans[i].start = -1;
            if (i > interp.spare_top) continue;
            unref(table[i]);
            table[i] = null_string;
        }
        interp.parse_high_water = n;
    }
    interp.field_spans[n].start = -1;
    interp.fields_made = true;
    NODE *v = make_str_node(text, static_cast<size_t>(length), 0);
    v->flags |= NODE_NUM_PENDING;
    NODE *old = table[n];
    table[n] = v;
    unref(old);
}

void rebuild_record() {
    materialize_all();  // before the text they lie in goes
    std::string_view ofs = text_of(interp.ofs_var->left);
    std::string joined;
    for (int32_t i = 1; i <= interp.parse_high_water; ++i) {
        if (i > 1) joined.append(ofs);
        joined.append(text_of(interp.field_table[i]));
    }
    if (joined.size() > INT32_MAX - 3) out_of_memory("fix_fields");
    NODE *old = interp.field_table[0];
    interp.field_table[0] = make_str_node(joined.data(), joined.size(), 0);
    unref(old);
    interp.field0_valid = true;
    interp.parse_extent = interp.field_table[0]->length;
}

int32_t re_split(const char *text, int32_t length, std::string_view separator, regex_registers *regs) {
    int fold = ignorecase_on();
    if (fold != cached_fold || separator != cached_separator) {
        if (cached_fold >= 0) re_free_pattern(&cached_pattern);
        cached_fold = -1;
        cached_pattern = pattern_buffer{};
        cached_pattern.translate = fold ? re_casefold_table : nullptr;
        if (re_compile_pattern(separator.data(), static_cast<int32_t>(separator.size()), &cached_pattern)) {
            fatal("illegal regular expression for FS: `%.*s'", static_cast<int>(separator.size()),
                  separator.data());
        }
        cached_separator.assign(separator);
        cached_fold = fold;
    }
    int32_t at = re_search(&cached_pattern, text, length, 0, length, regs);
    return at >= 0 ? at : -1;
}

NODE *do_split(NODE *args) {
    NODE *text_arg = args ? args->left : nullptr;
    NODE *rest = args ? args->right : nullptr;
    NODE *v = eval_operand(text_arg, 0);
    NODE *array = resolve_param(rest ? rest->left : nullptr);
    if (!array || (array->type != T_VAR && array->type != T_ARRAY))
        fatal("second argument of split is not a variable");
    // The text may be an element of the array about to be emptied: keep a copy.
    if (!(v->flags & (NODE_TEMP | NODE_PERM))) {
        v = dupnode(v);
        v->flags |= NODE_TEMP;
    }
    std::string separator = " ";
    if (rest && rest->right) {
        NODE *s = eval_operand(rest->right->left, 0);
        separator.assign(text_of(s));
        free_temp(s);
    }
    if (interp.eval_unwind) {
        free_temp(v);
        return make_temp_number(0);
    }
    string_of(v);
    int32_t kept = assoc_split_begin(array);
    SplitInput in{v->string, v->length, 0};
    int32_t n = parse_fields(0, in, separator, ElementStore{array, kept});
    assoc_split_end(array, n, kept);
    free_temp(v);
    return make_temp_number(n);
}
