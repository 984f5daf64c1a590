// The FIFO of byte chunks between the interpreter thread and a driver's
// worker threads (SendQueue for output, ReceiveQueue for read-ahead input).
// Not locked itself: its owner guards it with one lock.
//  - append copies the bytes; it refuses (0) only when a limit is set and the
//    unconsumed total already reaches it, so one chunk larger than the limit
//    still goes in while the total is below it. Else it returns length.
//  - take copies up to max bytes from the front, across chunks, and returns
//    the count, which also becomes the in-flight count (0 when empty). The
//    sender sets it back to 0 once those bytes are written or dropped.
//  - clear drops every chunk (not the in-flight count).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class ChunkQueue {
public:
    int32_t append(int32_t tag, const uint8_t *data, int32_t length);
    int32_t take(uint8_t *destination, int32_t max);
    void clear();

    int32_t total() const { return total_; }
    int32_t chunk_count() const { return static_cast<int32_t>(chunks_.size()); }
    int32_t in_flight() const { return in_flight_; }
    void set_in_flight(int32_t n) { in_flight_ = n; }
    int32_t limit() const { return limit_; }
    void set_limit(int32_t bytes) { limit_ = bytes; }  // 0: none

private:
    struct Chunk {
        int32_t tag;
        std::vector<uint8_t> bytes;
        size_t consumed;
    };
    std::deque<Chunk> chunks_;
    int32_t total_ = 0;
    int32_t limit_ = 0;
    int32_t in_flight_ = 0;
};

using SendQueue = ChunkQueue;
using ReceiveQueue = ChunkQueue;
