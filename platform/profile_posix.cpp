#include <cstdlib>

#include "platform/profile.h"

std::string profile_path() {
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return std::string(config) + "/vordel/vordel.ini";
    const char *home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/vordel/vordel.ini";
    return "";
}

int32_t profile_int(const char *section, const char *key, int32_t fallback) {
    std::optional<std::string> value = profile_string(section, key);
    return value ? leading_number(*value) : fallback;
}
