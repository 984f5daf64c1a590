#include "ports/driver/chunk_queue.h"

#include <algorithm>
#include <cstring>

int32_t ChunkQueue::append(int32_t tag, const uint8_t *data, int32_t length) {
    if (length < 1) return 0;
    if (limit_ > 0 && total_ >= limit_) return 0;
    chunks_.push_back({tag, std::vector<uint8_t>(data, data + length), 0});
    total_ += length;
    return length;
}

int32_t ChunkQueue::take(uint8_t *destination, int32_t max) {
    int32_t copied = 0;
    while (copied < max && !chunks_.empty()) {
        Chunk &front = chunks_.front();
        size_t left = front.bytes.size() - front.consumed;
        size_t n = std::min(left, static_cast<size_t>(max - copied));
        std::memcpy(destination + copied, front.bytes.data() + front.consumed, n);
        copied += static_cast<int32_t>(n);
        front.consumed += n;
        if (front.consumed == front.bytes.size()) chunks_.pop_front();
    }
    total_ -= copied;
    in_flight_ = copied;
    return copied;
}

void ChunkQueue::clear() {
    chunks_.clear();
    total_ = 0;
}
