// Test helpers: feed script text to the lexer and the parser from memory.
#pragma once

#include <cstdio>
#include <string>

#include "frontend/lexer.h"
#include "frontend/parser.h"
#include "platform/files.h"

// Owns an in-memory input stream opened for the lexer.
class ScriptInput {
public:
    explicit ScriptInput(const std::string &text, const char *name = "t.vd") : text_(text) {
        file_ = open_text_stream(text_);
        parser_reset();
        lexer_open(file_, name);
    }
    ~ScriptInput() { std::fclose(file_); }
    ScriptInput(const ScriptInput &) = delete;
    ScriptInput &operator=(const ScriptInput &) = delete;

private:
    std::string text_;
    FILE *file_;
};
