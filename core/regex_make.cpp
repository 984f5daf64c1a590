// Interpreter entry points to the regex engine: compile values and /.../
// constants, ending the run on errors.
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/diag.h"
#include "core/node.h"
#include "core/regex.h"
#include "core/regex_internal.h"

namespace {

// Escapes of a constant that become string-escape characters; every other
// backslash pair is left for the compiler (\b stays a backspace here, \1 octal).
bool is_constant_escape(char c) { return c != '\0' && std::strchr("/01234567abfnrtvx", c) != nullptr; }

// The pattern text of a /.../ constant: ends at the first unescaped slash
// outside brackets; double-byte characters are copied whole.
std::string constant_pattern(const char *source) {
    std::string out;
    size_t len = std::strlen(source);
    bool in_bracket = false;
    for (size_t i = 0; i < len;) {
        unsigned char c = source[i];
        if (re_detail::lead_table[c] && i + 1 < len) {
            out.append(source + i, 2);
            i += 2;
        } else if (c == '\\' && is_constant_escape(source[i + 1])) {
            const char *cursor = source + i + 1;
            int value = read_escape(&cursor);
            if (value < 0) BAIL_OUT("node");
            out.push_back(static_cast<char>(value));
            i = cursor - source;
        } else if (c == '\\' && i + 1 < len) {
            out.push_back('\\');
            bool pair_follows = re_detail::lead_table[static_cast<unsigned char>(source[i + 1])];
            if (!pair_follows) out.push_back(source[i + 1]);
            i += pair_follows ? 1 : 2;
        } else if (c == '/' && !in_bracket) {
            break;
        } else {
            if (c == '[') in_bracket = true;
            if (c == ']') in_bracket = false;
            out.push_back(static_cast<char>(c));
            i++;
        }
    }
    return out;
}

}  // namespace

pattern_buffer *make_regexp(NODE *text, int fold) {
    auto *buf = static_cast<pattern_buffer *>(std::calloc(1, sizeof(pattern_buffer)));
    if (buf == nullptr) out_of_memory("make_regexp");
    buf->buffer = static_cast<unsigned char *>(std::malloc(16));
    buf->fastmap = static_cast<char *>(std::malloc(256));
    if (buf->buffer == nullptr || buf->fastmap == nullptr) out_of_memory("make_regexp");
    buf->allocated = 16;
    buf->translate = fold != 0 ? re_casefold_table : nullptr;
    if ((text->flags & NODE_STR_VALID) == 0) force_string(text);
    const char *error = re_compile_pattern(text->string, text->length, buf);
    if (error != nullptr) fatal("%s: /%s/", error, text->string);
    if (text->flags & NODE_TEMP) unref(text);
    return buf;
}

pattern_buffer *make_regexp_constant(const char *source, int fold) {
    std::string pattern = constant_pattern(source);
    return make_regexp(make_temp_string(pattern.data(), pattern.size()), fold);
}

void free_regexp(pattern_buffer *buf) {
    if (buf == nullptr) return;
    re_free_pattern(buf);
    std::free(buf);
}
