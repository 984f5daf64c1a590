#include <windows.h>

#include <cstdlib>

#include "platform/profile.h"

std::string profile_path() {
    const char *appdata = std::getenv("APPDATA");
    if (appdata && *appdata) return std::string(appdata) + "\\vordel\\vordel.ini";
    return "";
}

int32_t profile_int(const char *section, const char *key, int32_t fallback) {
    return static_cast<int32_t>(GetProfileIntA(section, key, fallback));
}
