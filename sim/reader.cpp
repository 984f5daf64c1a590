#include "sim/reader.h"

#include <algorithm>
#include <utility>

CommandReader::CommandReader(CommandVisitor &visitor, size_t keep_limit)
    : visitor_(visitor), keep_limit_(std::max<size_t>(keep_limit, 16)) {
    for (int b = 0; b < 256; ++b) ends_text_[b] = starts_command(static_cast<uint8_t>(b));
}

void CommandReader::set_requests(std::vector<std::vector<uint8_t>> patterns) {
    release();
    patterns_ = std::move(patterns);
    pattern_start_.fill(false);
    for (const auto &p : patterns_)
        if (!p.empty()) pattern_start_[p[0]] = true;
    for (int b = 0; b < 256; ++b)
        ends_text_[b] = starts_command(static_cast<uint8_t>(b)) || pattern_start_[b];
}

void CommandReader::feed(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        size_t used = 0;
        switch (phase_) {
        case Phase::Boundary:
            used = take_text(bytes);
            break;
        case Phase::Matching:
            match_byte(bytes[0]);
            used = 1;
            break;
        case Phase::Command:
            used = take_command(bytes);
            break;
        }
        bytes = bytes.subspan(used);
    }
}

void CommandReader::release() {
    while (phase_ == Phase::Matching) end_match();
}

void CommandReader::reset() {
    phase_ = Phase::Boundary;
    bytes_.clear();
    bytes_.shrink_to_fit();
    received_ = need_ = 0;
    need_final_ = false;
    spec_ = nullptr;
    skip_requests_ = false;
    best_length_ = 0;
}

// At a command start: a run of print data, or the first byte of a command or
// of a possible request (then nothing is used here).
size_t CommandReader::take_text(std::span<const uint8_t> bytes) {
    bool skip = std::exchange(skip_requests_, false);
    uint8_t first = bytes[0];
    size_t i = 0;
    if (ends_text_[first]) {
        if (pattern_start_[first] && !skip) {
            phase_ = Phase::Matching;
            bytes_.clear();
            best_length_ = 0;
            return 0;
        }
        if (starts_command(first)) {
            begin_at(first);
            return 1;
        }
        i = 1;  // a request's first byte, read as print data this time
    }
    while (i < bytes.size() && !ends_text_[bytes[i]]) ++i;
    visitor_.on_text(bytes.first(i));
    return i;
}

void CommandReader::begin_at(uint8_t byte) {
    phase_ = Phase::Command;
    bytes_.assign(1, byte);
    received_ = 1;
    need_ = 1;
    need_final_ = false;
    spec_ = nullptr;
    command_bytes_complete();
}

size_t CommandReader::take_command(std::span<const uint8_t> bytes) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(need_ - received_, bytes.size()));
    if (bytes_.size() < keep_limit_) {
        size_t keep = std::min(take, keep_limit_ - bytes_.size());
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.begin() + keep);
    }
    received_ += take;
    command_bytes_complete();
    return take;
}

// Called whenever the bytes asked for have arrived: learn the row, ask the
// rule for more, or report the command.
void CommandReader::command_bytes_complete() {
    while (phase_ == Phase::Command && received_ >= need_) {
        if (!spec_) {
            Lookup found = lookup_command(bytes_);
            if (!found.spec) {
                need_ = found.need;
                continue;
            }
            spec_ = found.spec;
        }
        if (need_final_) {
            finish_command(received_);
            return;
        }
        uint64_t need = command_need(*spec_, bytes_);
        if (need > received_) {
            need_ = need;
            need_final_ = need > keep_limit_;
            continue;
        }
        finish_command(need);
    }
}

void CommandReader::finish_command(uint64_t length) {
    std::vector<uint8_t> rest;
    if (length < bytes_.size()) rest.assign(bytes_.begin() + static_cast<ptrdiff_t>(length), bytes_.end());
    size_t kept = static_cast<size_t>(std::min<uint64_t>(length, bytes_.size()));
    phase_ = Phase::Boundary;
    visitor_.on_command(Command{spec_, std::span<const uint8_t>(bytes_).first(kept), length});
    spec_ = nullptr;
    if (bytes_.capacity() > (1u << 20)) {
        bytes_.clear();
        bytes_.shrink_to_fit();
    }
    if (!rest.empty()) replay(std::move(rest), false);
}

void CommandReader::match_byte(uint8_t byte) {
    bytes_.push_back(byte);
    size_t n = bytes_.size();
    bool longer = false;
    for (size_t i = 0; i < patterns_.size(); ++i) {
        const auto &p = patterns_[i];
        if (p.size() < n || !std::equal(bytes_.begin(), bytes_.end(), p.begin())) continue;
        if (p.size() > n)
            longer = true;
        else if (best_length_ < n)
            best_pattern_ = i, best_length_ = n;
    }
    if (!longer) end_match();
}

void CommandReader::end_match() {
    std::vector<uint8_t> held = std::move(bytes_);
    bytes_.clear();
    phase_ = Phase::Boundary;
    size_t length = std::exchange(best_length_, 0);
    if (length == 0) {
        replay(std::move(held), true);
        return;
    }
    visitor_.on_request(best_pattern_, std::span<const uint8_t>(held).first(length));
    held.erase(held.begin(), held.begin() + static_cast<ptrdiff_t>(length));
    replay(std::move(held), false);
}

void CommandReader::replay(std::vector<uint8_t> bytes, bool skip_requests) {
    skip_requests_ = skip_requests;
    feed(bytes);
}
