#include "ports/ethernet/udp_control.h"

#include <chrono>
#include <cstring>

namespace {

constexpr char MAGIC[] = "KAVRO";
constexpr int MAGIC_LENGTH = 5;
constexpr uint8_t PRINTER = 3;
constexpr uint8_t INTERFACE = 0;
constexpr int32_t FUNCTION_STATUS = 0x20;
constexpr int32_t FUNCTION_HANDSHAKE = 0x15;
constexpr int32_t FUNCTION_RESET = 0x12;

// Parser states: 0 to 4 the magic, then the header fields and the data.
enum : int { LETTER = 10, CLASS = 20, BYTE7 = 30, FUNCTION = 40, RESULT = 50, LENGTH = 60, DATA = 70 };

// Reply letters and the kind each one means.
constexpr struct {
    char letter;
    int kind;
} letters[] = {{'c', 4}, {'i', 1}, {'n', 5}, {'p', 0}, {'q', 2}, {'s', 3}};
constexpr int KIND_COMMAND = 4;
constexpr int KIND_QUERY = 2;

}  // namespace

std::vector<uint8_t> control_packet(ControlRequest request) {
    bool query = request == ControlRequest::StatusQuery;
    uint8_t function = query ? FUNCTION_STATUS : request == ControlRequest::Reset ? FUNCTION_RESET : FUNCTION_HANDSHAKE;
    // Byte by byte: GCC 12 misreads range inserts of short arrays.
    std::vector<uint8_t> p;
    p.reserve(15);
    for (int i = 0; i < MAGIC_LENGTH; ++i) p.push_back(static_cast<uint8_t>(MAGIC[i]));
    for (uint8_t b : {static_cast<uint8_t>(query ? 'Q' : 'C'), PRINTER, uint8_t{0}, uint8_t{0}, function, uint8_t{0},
                      uint8_t{0}, uint8_t{0}})
        p.push_back(b);
    if (query) {
        p.push_back(0);
    } else {
        p.push_back(1);
        p.push_back(request == ControlRequest::HandshakeOff ? 1 : 0);
    }
    return p;
}

bool ReplyParser::feed(uint8_t byte) {
    if (state_ < MAGIC_LENGTH) {
        if (byte == static_cast<uint8_t>(MAGIC[state_])) {
            if (state_ == 0) {
                function_ = result_ = length_ = got_ = 0;
                reply_ = ControlReply{};
            }
            state_ = state_ + 1 == MAGIC_LENGTH ? LETTER : state_ + 1;
            return false;
        }
        // A byte that breaks the magic may begin a new one, so junk in
        // front of a reply never hides it.
        if (state_ == 0) return false;
        state_ = 0;
        return feed(byte);
    }
    switch (state_) {
    case LETTER:
        state_ = 0;
        for (const auto &l : letters)
            if (byte == static_cast<uint8_t>(l.letter)) {
                kind_ = l.kind;
                state_ = CLASS;
            }
        return state_ == 0 ? feed(byte) : false;
    case CLASS:
        if (byte > 3) {
            state_ = 0;
            return feed(byte);
        }
        device_class_ = byte;
        state_ = BYTE7;
        return false;
    case BYTE7:
        byte7_ = byte;
        state_ = FUNCTION;
        return false;
    case DATA:
        if (got_ < CONTROL_DATA_MAX) reply_.data[static_cast<size_t>(got_)] = byte;
        return ++got_ < length_ ? false : complete();
    default: {  // the 16-bit fields, high byte first
        int32_t &field = state_ < RESULT ? function_ : state_ < LENGTH ? result_ : length_;
        field = (field << 8 | byte) & 0xFFFF;
        if (state_ % 10 == 0) {
            ++state_;
            return false;
        }
        if (state_ != LENGTH + 1) {
            state_ += 9;
            return false;
        }
        if (length_ > 0) {
            state_ = DATA;
            return false;
        }
        return complete();
    }
    }
}

bool ReplyParser::complete() {
    state_ = 0;
    int32_t type = REPLY_NONE;
    if (byte7_ == 0 && kind_ == KIND_COMMAND && device_class_ == PRINTER) {
        if (function_ == FUNCTION_HANDSHAKE) type = REPLY_HANDSHAKE;
        if (function_ == FUNCTION_RESET) type = REPLY_RESET;
    } else if (byte7_ == 0 && kind_ == KIND_QUERY && device_class_ == PRINTER) {
        if (function_ == FUNCTION_STATUS) type = REPLY_STATUS;
        if (function_ == 0) type = REPLY_QUERY_0;
        if (function_ == 1) type = REPLY_QUERY_1;
    } else if (byte7_ == 0 && kind_ == KIND_QUERY && device_class_ == INTERFACE && function_ == 0) {
        type = REPLY_INTERFACE;
    }
    if (type == REPLY_NONE) return false;
    reply_.type = type;
    reply_.result = result_;
    reply_.length = length_;
    return true;
}

UdpControl::UdpControl() : socket_(Socket::udp()) {
    if (!socket_.valid() || !wake_.open()) return;
    listener_ = std::thread([this] { listen(); });
}

UdpControl::~UdpControl() {
    if (listener_.joinable()) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
        }
        wake_.notify();
        listener_.join();
    }
    socket_.shutdown_both();
}

void UdpControl::cancel() {
    std::lock_guard<std::mutex> hold(lock_);
    cancelled_ = true;
    posted_.notify_all();
}

void UdpControl::allow() {
    std::lock_guard<std::mutex> hold(lock_);
    cancelled_ = false;
}

void UdpControl::set_address(const Ipv4 &address) {
    std::lock_guard<std::mutex> hold(request_lock_);
    address_ = address;
}

void UdpControl::listen() {
    // Never more than the mailbox holds, whatever a datagram claims.
    uint8_t buffer[CONTROL_DATA_MAX];
    for (;;) {
        WaitItem items[2] = {{socket_.fd(), true}, {wake_.read_fd(), true}};
        wait_descriptors(items, -1);
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stop_) return;
        }
        long n = socket_.receive_datagram(buffer, sizeof buffer, nullptr, nullptr);
        for (long i = 0; i < n; ++i)
            if (parser_.feed(buffer[i])) post(parser_.reply());
    }
}

void UdpControl::post(const ControlReply &reply) {
    std::lock_guard<std::mutex> hold(lock_);
    mailbox_ = reply;
    events_[static_cast<size_t>(reply.type)] = true;
    posted_.notify_all();
}

bool UdpControl::request(ControlRequest request, int32_t type, ControlReply *reply) {
    if (!running()) return false;
    std::lock_guard<std::mutex> turn(request_lock_);
    {
        std::lock_guard<std::mutex> hold(lock_);
        events_[static_cast<size_t>(type)] = false;
    }
    std::vector<uint8_t> packet = control_packet(request);
    socket_.send_datagram(address_, CONTROL_PORT, packet.data(), packet.size());
    std::unique_lock<std::mutex> hold(lock_);
    if (!posted_.wait_for(hold, std::chrono::milliseconds(CONTROL_WAIT_MS),
                          [&] { return events_[static_cast<size_t>(type)] || cancelled_; }) ||
        !events_[static_cast<size_t>(type)])
        return false;
    *reply = mailbox_;
    if (reply->type != type) {
        reply->result = -1;
        reply->length = -1;
    }
    return true;
}

int32_t UdpControl::status_query() {
    ControlReply r;
    if (!request(ControlRequest::StatusQuery, REPLY_STATUS, &r)) return -1;
    return r.result == 0 && r.length == 1 && r.data[0] == 0 ? 1 : 0;
}

int32_t UdpControl::handshake(int32_t mode) {
    ControlReply r;
    ControlRequest which = mode ? ControlRequest::HandshakeOff : ControlRequest::HandshakeOn;
    if (!request(which, REPLY_HANDSHAKE, &r)) return 0;
    return r.result == 0 && r.length == 1 && r.data[0] == (mode ? 1 : 0) ? 1 : 0;
}

int32_t UdpControl::reset() {
    ControlReply r;
    if (!request(ControlRequest::Reset, REPLY_RESET, &r)) return 0;
    return r.result == 0 && r.length == 1 && r.data[0] == 0 ? 1 : 0;
}
