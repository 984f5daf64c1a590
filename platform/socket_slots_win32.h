// Descriptor numbers for Windows sockets: each socket sits in a numbered
// slot, and a number can be handed a new socket while other threads wait on
// it (Windows has no dup2 for sockets, which replace_with needs).
//  - take_socket_slot: the number now holding s, -1 (EMFILE) when all are used.
//  - socket_in_slot: the socket under a number, INVALID_SOCKET when none.
//  - swap_socket_slot: puts s under the number and gives back the old one;
//    INVALID_SOCKET frees the number.
//  - start_winsock: once per process, before any socket call; false when
//    Winsock is not there (errno set).
#pragma once

#include <winsock2.h>

bool start_winsock();
int take_socket_slot(SOCKET s);
SOCKET socket_in_slot(int fd);
SOCKET swap_socket_slot(int fd, SOCKET s);
// The errno the shared code understands for a Winsock error.
int errno_of_socket_error(int error);
