#include "platform/error_text.h"

#include <cerrno>
#include <cstring>

namespace {

// Worded as on Linux, so messages read alike.
constexpr struct {
    int error;
    const char *text;
} network_errors[] = {
    {ECONNREFUSED, "Connection refused"},
    {ETIMEDOUT, "Connection timed out"},
    {ECONNRESET, "Connection reset by peer"},
    {ECONNABORTED, "Software caused connection abort"},
    {ENETUNREACH, "Network is unreachable"},
    {EHOSTUNREACH, "No route to host"},
    {ENOTCONN, "Transport endpoint is not connected"},
    {EADDRINUSE, "Address already in use"},
    {EADDRNOTAVAIL, "Cannot assign requested address"},
    {ECANCELED, "Operation canceled"},
    {ENOBUFS, "No buffer space available"},
    {EWOULDBLOCK, "Resource temporarily unavailable"},
};

}  // namespace

const char *error_text(int error) {
    for (const auto &e : network_errors)
        if (e.error == error) return e.text;
    return std::strerror(error);
}
