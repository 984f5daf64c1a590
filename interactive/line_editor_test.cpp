#include "interactive/line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The drawing as text: <n >n cursor moves, [L] line cleared, [E] cleared to its end.
std::string drawn;
const EditorScreen recorder = {
    [](std::string_view text) { drawn += text; },
    [](int n) { if (n > 0) drawn += "<", drawn += std::to_string(n); },
    [](int n) { if (n > 0) drawn += ">", drawn += std::to_string(n); },
    [] { drawn += "[L]"; },
    [] { drawn += "[E]"; },
};

constexpr int32_t UP = 0xFF48, DOWN = 0xFF50, LEFT = 0xFF4B, HOME = 0xFF47, END = 0xFF4F, DEL = 0xFF53,
                  PGUP = 0xFF49, PGDN = 0xFF51;

LineEditor type(History &h, std::vector<int32_t> keys, KeyResult want = KeyResult::Editing) {
    LineEditor e;
    KeyResult r = KeyResult::Editing;
    for (int32_t k : keys)
        if ((r = edit_key(e, h, k, recorder)) != KeyResult::Editing) break;
    EXPECT_EQ(r, want);
    return e;
}

TEST(LineEditor, EditingKeys) {
    struct Row {
        std::vector<int32_t> keys;
        const char *line;
        size_t cursor;
    };
    const Row rows[] = {
        {{'a', 'c', LEFT, 'b'}, "abc", 2},
        {{'b', 'c', 1, 'a', END, HOME, 'X'}, "Xabc", 1},  // Ctrl-A, End, Home
        {{'a', 'b', 2, 2, 2, 6, 6, 6, 6}, "ab", 2},       // Ctrl-B, Ctrl-F stop at the ends
        {{'a', 'b', 1, 5, 'c'}, "abc", 3},                // Ctrl-E
        {{'a', 'b', 'c', 'd', 8, 127, 1, 8}, "ab", 0},    // Ctrl-H, Backspace
        {{'a', 'b', 'c', 'd', 1, 4, DEL, 5, 4}, "cd", 2}, // Ctrl-D, Del
        {{'a', 'b', 'c', LEFT, LEFT, 11}, "a", 1},        // Ctrl-K
        {{13, 10, 'a', 9, 0xFF52, 200, 0xFF3B, ';'}, "a;", 2},  // ignored keys
    };
    for (const Row &r : rows) {
        History h;
        LineEditor e = type(h, r.keys);
        EXPECT_EQ(e.line, r.line);
        EXPECT_EQ(e.cursor, r.cursor) << r.line;
    }
    History h;
    EXPECT_EQ(type(h, std::vector<int32_t>(MAX_TYPED_LINE + 9, 'z')).line.size(), MAX_TYPED_LINE);
    drawn.clear();
    type(h, {'a', 'c', LEFT, 'b', HOME, 4, 11, 'q', 27}, KeyResult::Ended);
    EXPECT_EQ(drawn, "ac<1bc<1<2bc <3[E]q[L]");
    type(h, {'x', 3}, KeyResult::Ended);
    EXPECT_TRUE(h.entries.empty());
}

TEST(LineEditor, BrowsingTheHistory) {
    History h;
    for (const char *line : {"first", "second", "third"}) history_add(h, line);
    EXPECT_EQ(type(h, {UP}).line, "third");
    EXPECT_EQ(type(h, {16, PGUP, UP, UP}).line, "first");  // stays at the oldest
    EXPECT_EQ(type(h, {DOWN}).line, "second");
    EXPECT_EQ(type(h, {14, PGDN, DOWN}).line, "");  // after the newest: empty
    drawn.clear();
    EXPECT_EQ(type(h, {UP, 'X', 13}, KeyResult::Accepted).line, "thirdX");
    EXPECT_EQ(drawn, "[L]thirdX\n");
    EXPECT_EQ(h.entries.back(), "thirdX");
    EXPECT_EQ(h.browse, 4u);
}

}  // namespace
