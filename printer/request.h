// Sending one printer command and awaiting its answer, for every builtin that
// asks the printer something.
//  - All bytes of one command go out the same way: Queued (port_send_byte
//    for each, obeys handshaking) or Now (the real-time requests: the whole
//    request in one port_send_now).
//  - When the port layer refuses a byte or the request (answers 0, for
//    example a printer that would not switch its handshake off) the rest are
//    not sent, one warning line names the builtin, and nothing is awaited: a
//    reply to a request that never left cannot come.
//  - request_reply waits with port_recv_reply in the given mode and returns
//    its answer; REQUEST_NOT_SENT (-1, the value of a cancelled wait) when the
//    request could not be sent.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "core/node.h"

enum class SendWith { Queued, Now };

constexpr int32_t REQUEST_NOT_SENT = -1;

bool send_command(const char *builtin, std::initializer_list<int32_t> bytes, SendWith how);
int32_t request_reply(const char *builtin, std::initializer_list<int32_t> bytes, SendWith how, int32_t mode);

// The receiver's wait modes the builtins use.
constexpr int32_t WAIT_RAW = 0xFFFF;
constexpr int32_t WAIT_BYTE = 2;
constexpr int32_t WAIT_INK_ASB = 4;
constexpr int32_t WAIT_EXT_ASB = 8;
constexpr int32_t WAIT_ASB = 0x10;
constexpr int32_t WAIT_BLOCK = 0xF00;
constexpr int32_t WAIT_ACK_RECORDS = 0x800;

// Results read from the status stores: 4 bytes of a store, or the last block
// reply up to its first NUL (with_nul: and that NUL).
NODE *status_result(const uint8_t *store);
NODE *block_text_result(bool with_nul);
std::string_view block_text();
