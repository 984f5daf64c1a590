// Bounded fuzzing of the lexer and grammar: mutated scripts must end with
// status 0 (accepted) or 1 (reported error), never by a signal, a sanitizer
// report or a hang. Each input runs in a child process because every error
// ends the program. Usage: parse_fuzz [iterations] [seed]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/node.h"
#include "frontend/lexer.h"
#include "frontend/parser.h"

namespace {

const char *const seeds[] = {
    "BEGIN {\n  x = 1 + 2 << 3\n  print x, \"a\\tb\"\n}\n",
    "function f(a, b) {\n  if (a < b) return a\n  else return b\n}\nmain { print f(1, 2) }\n",
    "BEGIN { for (i = 0; i < 3; i++) { s[i] = i; delete s[i] } for (k in s) print k }\n",
    "BEGIN { @ ESC, '@', 0x1B, 1Bh, 0101b; @@ 16 4 1; outputf(\"%d\", 3) }\n",
    "BEGIN { if (x ~ /a[/]b/ && !/c/ || (1, 2) in arr) y = x ? 1 : 2 }\n",
    "# 10 \"lib.inc\"\nBEGIN { do x-- while (x > 0); $1 = substr($0, 2) length }\n",
    "BEGIN {\n\tprintf \"%s\\n\", sprintf(\"%c\", 'A') \\\n  'B'; exit 3\n}\n",
    "{ next }\nBEGIN { while (1) { if (a) break; else continue } }\n",
};

const char *const fragments[] = {
    "(", ")", "{", "}", "[", "]", "/", "//", "/=", "\\\n", "\n", ";", ",", "\"", "'", "#", "# 3 \"x\"\n",
    "&&\n", "||", "<<", ">>=", "?", ":", "$", "++", "--", "!~", "in", "for", "if", "else", "function",
    "return", "next", "BEGIN", "main", "print", "@", "@@", "ESC", "length", "f(", "0x", "1b", "\x81",
    "\x81\x40", "\xE9", "\0", "\r\n", "'\\x", "\"\\",
};

std::string mutate(std::mt19937 &rng, std::string s) {
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % (n ? n : 1)); };
    int steps = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < steps; i++) {
        size_t at = pick(s.size() + 1);
        switch (rng() % 5) {
            case 0: s.insert(at, fragments[pick(std::size(fragments))]); break;
            case 1: if (!s.empty()) s[pick(s.size())] = static_cast<char>(rng()); break;
            case 2: s.erase(at, pick(8)); break;
            case 3: s.insert(at, s.substr(pick(s.size()), pick(16))); break;
            default: s.resize(at); break;
        }
    }
    return s;
}

// Parses `text` in a child; returns its raw wait status.
int run_child(const std::string &text, bool quiet) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (quiet) std::freopen("/dev/null", "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        alarm(5);
        init_null_string();
        FILE *in = text.empty() ? std::tmpfile() : fmemopen(const_cast<char *>(text.data()), text.size(), "r");
        lexer_open(in, "fuzz.vd");
        int rc = yyparse();
        std::_Exit(rc == 0 && error_count == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

bool acceptable(int status) {
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
}

}  // namespace

int main(int argc, char **argv) {
    long iterations = argc > 1 ? std::atol(argv[1]) : 1500;
    unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 20261206u;
    std::mt19937 rng(seed);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    long run = 0, accepted = 0, failed = 0;
    for (; run < iterations && std::chrono::steady_clock::now() < deadline; run++) {
        std::string input = mutate(rng, seeds[run % std::size(seeds)]);
        int status = run_child(input, true);
        if (acceptable(status)) {
            accepted += WEXITSTATUS(status) == 0;
            continue;
        }
        failed++;
        std::fprintf(stderr, "input %ld ended badly (status 0x%x):\n", run, status);
        std::fwrite(input.data(), 1, input.size(), stderr);
        std::fprintf(stderr, "\n--- its report:\n");
        run_child(input, false);
    }
    std::printf("parse_fuzz: %ld inputs, %ld accepted, %ld bad (seed %u)\n", run, accepted, failed, seed);
    return failed ? 1 : 0;
}
