#include <windows.h>

#include <cstdlib>

#include "platform/locale.h"

bool console_is_utf8() { return GetConsoleOutputCP() == CP_UTF8; }

// The program never sets a locale of its own, so it stays "C".
double strtod_c_locale(const char *text) { return std::strtod(text, nullptr); }
