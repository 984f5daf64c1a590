// Child processes.
//  - split_command_line: words of a command line as a Windows command line
//    splits them: blanks (space, tab) separate; double quotes group and are
//    removed; 2n backslashes before a quote give n backslashes and the quote
//    acts, 2n+1 give n backslashes and a literal quote; a doubled quote inside
//    quotes is a literal quote; other backslashes are literal.
//  - run_command_line: starts the first word as a program found on PATH with
//    the words as its arguments (no shell), with the default signal handling
//    and an empty signal mask, and waits for it to end. Returns the exit status,
//    128 + the signal for a killed child, or -1 when it could not be started.
//    On Windows the line goes to CreateProcess as written (the child splits
//    it), and the exit code is returned.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> split_command_line(std::string_view line);
int run_command_line(std::string_view line);
