// The conversion between Ipv4 and the sockets' address record, shared by both
// halves of the socket layer. Include it after the system's socket header.
#pragma once

#include <cstring>

#include "platform/sockets.h"

namespace socket_address {

// The record holds the address in network order: the dotted form's order.
inline sockaddr_in make(const Ipv4 &address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    std::memcpy(&a.sin_addr, address.data(), address.size());
    return a;
}

inline Ipv4 of(const sockaddr_in &a) {
    Ipv4 address;
    std::memcpy(address.data(), &a.sin_addr, address.size());
    return address;
}

}  // namespace socket_address
