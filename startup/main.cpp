#include <cstdio>

int main() {
    std::fputs("VORDEL Interpreter Ver.7.90\n", stderr);
    return 0;
}
