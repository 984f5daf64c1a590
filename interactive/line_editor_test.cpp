#include "interactive/line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The editor's drawing as text: <n and >n cursor moves, [L] whole line
// cleared, [E] cleared to the end, anything else written.
std::string drawn;

const EditorScreen recorder = {
    [](std::string_view text) { drawn += text; },
    [](int n) { if (n > 0) drawn += "<" + std::to_string(n); },
    [](int n) { if (n > 0) drawn += ">" + std::to_string(n); },
    [] { drawn += "[L]"; },
    [] { drawn += "[E]"; },
};

constexpr int32_t UP = 0xFF48, DOWN = 0xFF50, LEFT = 0xFF4B, RIGHT = 0xFF4D, HOME = 0xFF47, END = 0xFF4F,
                  DEL = 0xFF53, PGUP = 0xFF49, PGDN = 0xFF51;

std::vector<int32_t> text_keys(const char *text) { return {text, text + std::char_traits<char>::length(text)}; }
std::vector<int32_t> operator+(std::vector<int32_t> a, const std::vector<int32_t> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Outcome {
    std::string line;
    size_t cursor;
    KeyResult result;
};

Outcome type(const std::vector<int32_t> &keys, History &h) {
    LineEditor e;
    KeyResult r = KeyResult::Editing;
    for (int32_t k : keys) {
        r = edit_key(e, h, k, recorder);
        if (r != KeyResult::Editing) break;
    }
    return {e.line, e.cursor, r};
}

TEST(LineEditor, EditingKeys) {
    struct Row {
        const char *name;
        std::vector<int32_t> keys;
        const char *line;
        size_t cursor;
    };
    const Row rows[] = {
        {"insert in the middle", text_keys("ac") + std::vector<int32_t>{LEFT, 'b'}, "abc", 2},
        {"Ctrl-A and Home", text_keys("bc") + std::vector<int32_t>{1, 'a', END, HOME, 'X'}, "Xabc", 1},
        {"Ctrl-B and Ctrl-F stop at the ends", text_keys("ab") + std::vector<int32_t>{2, 2, 2, 6, 6, 6, 6}, "ab", 2},
        {"Ctrl-E", text_keys("ab") + std::vector<int32_t>{1, 5, 'c'}, "abc", 3},
        {"Ctrl-H, Backspace, at the start", text_keys("abcd") + std::vector<int32_t>{8, 127, 1, 8}, "ab", 0},
        {"Ctrl-D and Del, at the end", text_keys("abcd") + std::vector<int32_t>{1, 4, DEL, 5, 4}, "cd", 2},
        {"Ctrl-K", text_keys("abcd") + std::vector<int32_t>{LEFT, LEFT, 11}, "ab", 2},
        {"other keys ignored", text_keys("a") + std::vector<int32_t>{9, 0xFF52, 0x3B, 200, 0xFF3B, 'b'}, "a;b", 3},
        {"empty Enter ignored", std::vector<int32_t>{13, 10, 'x'}, "x", 1},
    };
    for (const Row &r : rows) {
        History h;
        Outcome o = type(r.keys, h);
        EXPECT_EQ(o.line, r.line) << r.name;
        EXPECT_EQ(o.cursor, r.cursor) << r.name;
        EXPECT_EQ(o.result, KeyResult::Editing) << r.name;
    }
}

TEST(LineEditor, RedrawAfterInsertAndDelete) {
    History h;
    drawn.clear();
    type(text_keys("ac") + std::vector<int32_t>{LEFT, 'b', HOME, 4, 11}, h);
    EXPECT_EQ(drawn, "ac<1bc<1<2bc <3[E]");
}

TEST(LineEditor, EnterEscAndCtrlC) {
    History h;
    Outcome o = type(text_keys("ESC @") + std::vector<int32_t>{13}, h);
    EXPECT_EQ(o.result, KeyResult::Accepted);
    EXPECT_EQ(h.entries, std::vector<std::string>{"ESC @"});
    drawn.clear();
    o = type(text_keys("junk") + std::vector<int32_t>{27}, h);
    EXPECT_EQ(o.result, KeyResult::Ended);
    EXPECT_EQ(drawn, "junk[L]");
    EXPECT_EQ(type({'x', 3}, h).result, KeyResult::Ended);
    EXPECT_EQ(h.entries.size(), 1u);
}

TEST(LineEditor, BrowsingTheHistory) {
    History h;
    for (const char *line : {"first", "second", "third"}) history_add(h, line);
    EXPECT_EQ(type({UP}, h).line, "third");
    EXPECT_EQ(type({16, PGUP, UP, UP, UP}, h).line, "first");  // stays at the oldest
    EXPECT_EQ(type({DOWN}, h).line, "second");
    EXPECT_EQ(type({14, PGDN, DOWN}, h).line, "");  // after the newest: empty
    drawn.clear();
    Outcome o = type({UP, 'X', 13}, h);
    EXPECT_EQ(drawn, "[L]thirdX\n");
    EXPECT_EQ(o.line, "thirdX");
    EXPECT_EQ(h.entries.back(), "thirdX");
    EXPECT_EQ(h.browse, 4u);
}

TEST(LineEditor, TypedLinesHaveALimit) {
    History h;
    std::vector<int32_t> keys(MAX_TYPED_LINE + 10, 'z');
    EXPECT_EQ(type(keys, h).line.size(), MAX_TYPED_LINE);
}

}  // namespace
