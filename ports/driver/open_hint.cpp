#include "ports/driver/open_hint.h"

#include <cerrno>
#include <cstring>

#include "platform/char_device.h"
#include "platform/error_text.h"
#include "platform/profile.h"

namespace {

// A typical path for the kind of device a [devices] key names.
const char *example_path(const std::string &key) {
    if (key.rfind("COM", 0) == 0) return example_device_path(DeviceKind::Serial);
    if (key.rfind("LPT", 0) == 0) return example_device_path(DeviceKind::Parallel);
    return example_device_path(DeviceKind::Usb);
}

}  // namespace

void print_open_hint(std::FILE *out, const OpenFailure &f) {
    std::string where = f.target;
    if (!f.device.empty() && f.device != f.target) where += " (" + f.device + ")";
    switch (f.error) {
    case EACCES:
    case EPERM: {
        std::string group = device_group(f.device);
        if (group.empty()) {
            std::fprintf(out, "%s: permission denied; ask for read and write access to the device\n", where.c_str());
        } else {
            std::fprintf(out,
                         "%s: permission denied; the device belongs to group %s: "
                         "sudo usermod -aG %s $USER, then log in again\n",
                         where.c_str(), group.c_str(), group.c_str());
        }
        return;
    }
    case ENOENT:
    case ENODEV:
    case ENXIO:
        if (!f.devices_key.empty()) {
            std::string profile = profile_path();
            if (profile.empty()) profile = "the profile";
            std::fprintf(out, "%s: no such device; set its path under [devices] in %s, e.g. %s=%s\n",
                         where.c_str(), profile.c_str(), f.devices_key.c_str(), example_path(f.devices_key));
        } else {
            std::fprintf(out, "%s: no such device\n", where.c_str());
        }
        return;
    case ETIMEDOUT:  // a network printer that stays silent
        std::fprintf(out, "%s: no answer; is the printer on, and is this its address?\n", where.c_str());
        return;
    case EBUSY:
        std::fprintf(out, "%s: in use; another program holds it, close that one first\n", where.c_str());
        return;
    default:
        std::fprintf(out, "%s: %s\n", where.c_str(), error_text(f.error));
        return;
    }
}
