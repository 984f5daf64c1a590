// The UDP control protocol of network printers (port 3289): is the printer
// there, handshake off and on, reset.
//  - Packets: magic "KAVRO", letter, device class, 0, function, result code,
//    data length (16-bit numbers big-endian), data.
//  - ReplyParser reads a byte stream and keeps its state across datagrams:
//    bytes before the magic are skipped, data beyond 512 bytes is counted
//    but not stored. feed() answers true when a reply of a known type
//    completed (then reply() holds it).
//  - UdpControl owns the socket and a listener thread that feeds every
//    datagram (from any address) to the parser and posts known replies in a
//    mailbox, one event per type. Each request clears its event, sends, and
//    waits up to 3000 ms. Requests from several threads take turns.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/descriptors.h"
#include "platform/sockets.h"

constexpr uint16_t CONTROL_PORT = 3289;
constexpr int32_t CONTROL_DATA_MAX = 512;
constexpr int32_t CONTROL_WAIT_MS = 3000;

// Mailbox types of the replies the parser knows.
enum ControlReplyType : int32_t {
    REPLY_NONE = 0,
    REPLY_QUERY_0 = 1,       // 'q', printer, function 0
    REPLY_QUERY_1 = 2,       // 'q', printer, function 1
    REPLY_RESET = 3,         // 'c', printer, function 0x12
    REPLY_HANDSHAKE = 4,     // 'c', printer, function 0x15
    REPLY_STATUS = 5,        // 'q', printer, function 0x20
    REPLY_INTERFACE = 6,     // 'q', interface, function 0
    REPLY_TYPES = 7,
};

struct ControlReply {
    int32_t type = REPLY_NONE;
    int32_t result = 0;
    int32_t length = 0;  // as the packet says; at most 512 bytes are kept
    std::array<uint8_t, CONTROL_DATA_MAX> data{};
};

enum class ControlRequest { StatusQuery, HandshakeOff, HandshakeOn, Reset };
std::vector<uint8_t> control_packet(ControlRequest request);

class ReplyParser {
public:
    bool feed(uint8_t byte);
    const ControlReply &reply() const { return reply_; }

private:
    bool complete();

    int state_ = 0;
    int kind_ = 0;
    int device_class_ = 0;
    int byte7_ = 0;
    int32_t function_ = 0;
    int32_t result_ = 0;
    int32_t length_ = 0;
    int32_t got_ = 0;
    ControlReply reply_;
};

class UdpControl {
public:
    UdpControl();
    ~UdpControl();
    UdpControl(const UdpControl &) = delete;
    UdpControl &operator=(const UdpControl &) = delete;

    bool running() const { return listener_.joinable(); }
    // Ends a request's wait at once (as without a reply), and every later
    // one, until allow() (a driver closing does this).
    void cancel();
    void allow();
    void set_address(const Ipv4 &address);

    // -1 no reply in time; 1 ready; 0 any other reply.
    int32_t status_query();
    // mode 1 off, 0 on: 1 when the reply echoes the mode; 0 otherwise.
    int32_t handshake(int32_t mode);
    // 1 when the reply says done; 0 otherwise.
    int32_t reset();

private:
    // false when nothing came in time; *reply holds the mailbox (type -1
    // when it holds another type's reply).
    bool request(ControlRequest request, int32_t type, ControlReply *reply);
    void listen();
    void post(const ControlReply &reply);

    Socket socket_;
    WakePipe wake_;
    ReplyParser parser_;  // listener thread only

    std::mutex request_lock_;  // one request outstanding at a time
    Ipv4 address_{};

    std::mutex lock_;
    std::condition_variable posted_;
    ControlReply mailbox_;
    std::array<bool, REPLY_TYPES> events_{};
    bool stop_ = false;
    bool cancelled_ = false;
    std::thread listener_;
};
