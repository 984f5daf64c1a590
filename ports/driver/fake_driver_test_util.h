// A driver for tests, on the shared queue machinery: it records every byte
// the send thread writes, plays back bytes fed by the test as printer
// replies, can hold data off (every write attempt then takes nothing and
// reports ok 0), can take a limited number of bytes per attempt, can refuse
// to switch its handshake off, and can gate write attempts so a test decides
// when each one happens. Made with
// direct_next set, it also takes writes on the caller's thread and lets a
// waiting read read the device itself, as a serial line does.
// FakeDriver::latest points at the most recently made one.
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "ports/driver/driver_table.h"
#include "ports/driver/queued_driver.h"

class FakeDriver : public QueuedDriver {
public:
    // What the next made driver does on open and configure.
    static inline bool open_answer = true;
    static inline int32_t configure_answer = 1;
    static inline FakeDriver *latest = nullptr;
    static inline bool direct_next = false;
    static constexpr int32_t READ_WAIT_MS = 200;

    FakeDriver(int32_t handle, PortKind kind) : QueuedDriver(handle, kind), direct_(direct_next) { latest = this; }
    ~FakeDriver() override {
        close();
        if (latest == this) latest = nullptr;
    }

    static std::unique_ptr<PortDriver> make(int32_t handle, PortKind kind) {
        return std::make_unique<FakeDriver>(handle, kind);
    }
    static DriverKinds kinds() { return {make, make, make, make, make}; }

    void feed(std::string_view bytes) {
        std::lock_guard<std::mutex> hold(lock_);
        incoming_.append(bytes);
        changed_.notify_all();
    }
    void hold_off(bool on) {
        std::lock_guard<std::mutex> hold(lock_);
        held_ = on;
        changed_.notify_all();
    }
    void refuse_flow_off(bool on) {
        std::lock_guard<std::mutex> hold(lock_);
        refuse_flow_off_ = on;
    }
    void set_per_attempt(int32_t n) {
        std::lock_guard<std::mutex> hold(lock_);
        per_attempt_ = n;
    }
    // A device that went away: every device call fails until it is back.
    void vanish(bool on) {
        std::lock_guard<std::mutex> hold(lock_);
        vanished_ = on;
        changed_.notify_all();
    }
    int32_t reopens() {
        std::lock_guard<std::mutex> hold(lock_);
        return reopens_;
    }
    void set_gated(bool on) {
        std::lock_guard<std::mutex> hold(lock_);
        gated_ = on;
        changed_.notify_all();
    }
    void add_tickets(int32_t n) {
        std::lock_guard<std::mutex> hold(lock_);
        tickets_ += n;
        changed_.notify_all();
    }
    // Tests that count device calls make the caller's hold on whole blocks long.
    void set_hold_back_ms(int32_t ms) { hold_back_ms_.store(ms); }
    std::string written() {
        std::lock_guard<std::mutex> hold(lock_);
        return written_;
    }
    int32_t attempts() {
        std::lock_guard<std::mutex> hold(lock_);
        return attempts_;
    }
    int32_t direct_writes() {
        std::lock_guard<std::mutex> hold(lock_);
        return direct_writes_;
    }
    std::string flow_calls() {
        std::lock_guard<std::mutex> hold(lock_);
        return flow_calls_;
    }
    PortSettings configured() const { return settings(); }

    // Waits (up to 10 s, so a fault fails instead of hanging) until pred holds.
    template <typename Pred>
    bool wait_until(Pred pred) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, std::chrono::seconds(10), [&] { return pred(*this); });
    }

    int32_t configure(const PortSettings &s) override {
        QueuedDriver::configure(s);
        return configure_answer;
    }
    int32_t ignore_flow(int32_t flag) override {
        std::lock_guard<std::mutex> hold(lock_);
        flow_calls_ += flag ? '1' : '0';
        if (flag && refuse_flow_off_) return 0;
        flow_ignored_ = flag != 0;
        changed_.notify_all();
        return 1;
    }
    int32_t reset() override { return 1; }

    // Fields for wait_until predicates (read under the lock).
    std::string written_;
    int32_t attempts_ = 0;  // the send thread's

protected:
    bool open_device() override {
        std::lock_guard<std::mutex> hold(lock_);
        interrupted_ = false;
        return open_answer;
    }
    void close_device() override {}
    void interrupt_device() override {
        std::lock_guard<std::mutex> hold(lock_);
        interrupted_ = true;
        changed_.notify_all();
    }
    bool reopen_device() override {
        std::lock_guard<std::mutex> hold(lock_);
        ++reopens_;
        return !vanished_;
    }
    std::string device_name() override { return "/dev/fake"; }
    int32_t hold_back_ms() const override { return hold_back_ms_.load(); }
    int32_t write_piece(const uint8_t *data, int32_t length) override {
        std::unique_lock<std::mutex> hold(lock_);
        ++attempts_;
        changed_.notify_all();
        if (vanished_) {
            errno = ENODEV;
            return -1;
        }
        if (gated_) {
            changed_.wait(hold, [&] { return tickets_ > 0 || !gated_ || interrupted_; });
            if (interrupted_) return 0;
            if (tickets_ > 0) --tickets_;
        }
        if (held_ && !flow_ignored_) {
            // A printer holding data off: the attempt times out.
            changed_.wait_for(hold, std::chrono::milliseconds(2), [&] { return interrupted_; });
            return 0;
        }
        int32_t n = per_attempt_ > 0 && per_attempt_ < length ? per_attempt_ : length;
        written_.append(reinterpret_cast<const char *>(data), static_cast<size_t>(n));
        changed_.notify_all();
        return n;
    }
    int32_t write_now(const uint8_t *data, int32_t length) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (!direct_) return 0;
        if (vanished_) {
            errno = ENODEV;
            return -1;
        }
        if (held_ && !flow_ignored_) return 0;
        ++direct_writes_;
        int32_t n = per_attempt_ > 0 && per_attempt_ < length ? per_attempt_ : length;
        written_.append(reinterpret_cast<const char *>(data), static_cast<size_t>(n));
        changed_.notify_all();
        return n;
    }
    bool caller_reads_device() const override { return direct_; }
    int32_t read_wait_ms() override { return direct_ ? READ_WAIT_MS : 0; }
    int32_t read_now(uint8_t *data, int32_t max) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (vanished_) {
            errno = EIO;
            return -1;
        }
        return take_incoming(data, max);
    }
    int wait_readable(int32_t ms) override {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait_for(hold, std::chrono::milliseconds(ms),
                          [&] { return !incoming_.empty() || interrupted_ || vanished_; });
        if (interrupted_) return -1;
        return incoming_.empty() && !vanished_ ? 0 : 1;
    }
    int32_t read_piece(uint8_t *data, int32_t max) override {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait_for(hold, std::chrono::milliseconds(20), [&] { return !incoming_.empty() || interrupted_; });
        if (vanished_) {
            errno = EIO;
            return -1;
        }
        return take_incoming(data, max);
    }

private:
    int32_t take_incoming(uint8_t *data, int32_t max) {
        int32_t n = std::min(max, static_cast<int32_t>(incoming_.size()));
        incoming_.copy(reinterpret_cast<char *>(data), static_cast<size_t>(n));
        incoming_.erase(0, static_cast<size_t>(n));
        return n;
    }

    const bool direct_;
    std::atomic<int32_t> hold_back_ms_{HOLD_BACK_MS};
    std::mutex lock_;
    std::condition_variable changed_;
    std::string incoming_;
    std::string flow_calls_;
    bool held_ = false;
    bool flow_ignored_ = false;
    bool gated_ = false;
    bool interrupted_ = false;
    bool vanished_ = false;
    bool refuse_flow_off_ = false;
    int32_t reopens_ = 0;
    int32_t direct_writes_ = 0;
    int32_t tickets_ = 0;
    int32_t per_attempt_ = 0;
};
