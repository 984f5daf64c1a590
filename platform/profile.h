// The profile: the user's settings file, $XDG_CONFIG_HOME/vordel/vordel.ini
// ($HOME/.config/vordel/vordel.ini when XDG_CONFIG_HOME is unset); on
// Windows %APPDATA%\vordel\vordel.ini, while profile_int reads the system
// profile there (GetProfileIntA).
//  - "[section]" lines open a section; "key=value" lines belong to the
//    section above them; lines starting with ';' or '#' are comments.
//  - Section and key names compare without regard to case; blanks around
//    names and values are ignored. The first occurrence of a key wins.
//  - Numbers are read by the leading-digits rule (no digits is 0).
//  - A missing file, section or key gives the default; a line that fits no
//    form is skipped. Nothing here ever fails the program.
//  - The file is read at every call (port opens are rare).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The path the profile is read from ("" when neither variable is set).
std::string profile_path();

std::optional<std::string> profile_string(const char *section, const char *key);
int32_t profile_int(const char *section, const char *key, int32_t fallback);

// The leading-digits rule, saturating at INT32_MAX.
int32_t leading_number(const std::string &value);
