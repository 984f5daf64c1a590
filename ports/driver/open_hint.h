// Why a device did not open, and the line that tells the user what to do.
//  - OpenFailure: the target as the user names it ("COM1", an address), the
//    device tried, the errno of the failed open or connect, and the
//    [devices] key of the profile that sets the device ("" when none).
//  - print_open_hint: one line, written after "Can't open port": the
//    target, the device and the reason, with a hint for a denied permission
//    (the owning group and how to join it), a missing device (the profile
//    and the key to set) and a device in use.
#pragma once

#include <cstdio>
#include <string>

struct OpenFailure {
    std::string target;
    std::string device;
    int error = 0;
    std::string devices_key;
};

void print_open_hint(std::FILE *out, const OpenFailure &failure);
