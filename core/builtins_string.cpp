// String builtins: length, jlength, index, jindex, substr, jsubstr, tolower,
// toupper, hex, code, char.
#include "core/builtin_args.h"
#include "core/builtins.h"
#include "core/eval_internal.h"
#include "core/strfuncs.h"

namespace {

using IndexFn = int32_t (*)(std::string_view, std::string_view, bool);

NODE *search(NODE *list, IndexFn find) {
    BuiltinArgs args(list);
    std::string s = arg_text(args);
    std::string t = arg_text(args);
    return number_result(find(s, t, ignorecase_on() != 0));
}

using SliceFn = Slice (*)(std::string_view, int32_t, bool, int32_t);

// The bytes of s that substr/jsubstr select, or null when the result is empty.
NODE *slice(NODE *list, SliceFn select, bool one_byte_as_number) {
    BuiltinArgs args(list);
    std::string s = arg_text(args);
    int32_t m = arg_number(args);
    bool has_n = args.has(3);
    int32_t n = has_n ? arg_number(args) : 0;
    Slice sl = select(s, m, has_n, n);
    if (sl.empty) return nullptr;
    if (one_byte_as_number && sl.length == 1) return number_result(static_cast<int8_t>(s[sl.offset]));
    return text_result(std::string_view(s).substr(sl.offset, sl.length));
}

}  // namespace

NODE *do_length(NODE *list) {
    BuiltinArgs args(list);
    ArgValue s(args);
    return number_result(static_cast<int32_t>(s.text().size()));
}

NODE *do_jlength(NODE *list) {
    BuiltinArgs args(list);
    ArgValue s(args);
    return number_result(text_jlength(s.text()));
}

NODE *do_index(NODE *list) { return search(list, text_index); }
NODE *do_jindex(NODE *list) { return search(list, text_jindex); }

NODE *do_substr(NODE *list) {
    NODE *r = slice(list, substr_slice, true);
    return r ? r : null_string;
}

NODE *do_jsubstr(NODE *list) {
    NODE *r = slice(list, jsubstr_slice, false);
    return r ? r : null_string;
}

NODE *do_tolower(NODE *list) {
    BuiltinArgs args(list);
    return text_result(text_tolower(arg_text(args)));
}

NODE *do_toupper(NODE *list) {
    BuiltinArgs args(list);
    return text_result(text_toupper(arg_text(args)));
}

NODE *do_hex(NODE *list) {
    BuiltinArgs args(list);
    ArgValue s(args);
    return number_result(text_hex(s.text()));
}

NODE *do_code(NODE *list) {
    BuiltinArgs args(list);
    ArgValue x(args);
    settle_number(x.get());
    if (x.get()->flags & NODE_NUMERIC) return number_result(x.number());
    std::string_view s = x.text();
    return number_result(s.empty() ? 0 : static_cast<int8_t>(s[0]));
}

NODE *do_char(NODE *list) {
    BuiltinArgs args(list);
    std::string s;
    bool numeric;
    {
        ArgValue v(args);
        settle_number(v.get());
        numeric = (v.get()->flags & NODE_NUMERIC) != 0;
        if (!numeric) s = v.text();
    }
    int32_t i = arg_number(args);
    // Offsets outside the text (its terminator included) read as 0.
    if (numeric || i < 0 || static_cast<size_t>(i) >= s.size()) return number_result(0);
    return number_result(static_cast<unsigned char>(s[static_cast<size_t>(i)]));
}
