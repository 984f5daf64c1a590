#include "ports/driver/queued_driver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/error_text.h"

QueuedDriver::QueuedDriver(int32_t handle, PortKind kind, int32_t receive_size)
    : PortDriver(handle, kind), receive_size_(receive_size) {
    settings_.kind = static_cast<int32_t>(kind);
}

// Last line of defence: no thread outlives the object.
QueuedDriver::~QueuedDriver() {
    if (receiver_) receiver_->join();
    if (sender_) sender_->join();
}

int32_t QueuedDriver::open() {
    if (open_) return 1;
    has_open_failure_ = false;
    {
        std::lock_guard<std::mutex> hold(device_lock_);
        waiting_.store(false, std::memory_order_release);
        closing_ = false;
    }
    if (!open_device()) return 0;
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        send_queue_.clear();
        send_queue_.set_in_flight(0);
        send_queue_.set_limit(MIN_SEND_LIMIT);
        held_back_ = false;
        write_buffer_.resize(MAX_BLOCK_SIZE);
    }
    {
        std::lock_guard<std::mutex> gate(read_gate_);
        read_buffer_.resize(MAX_RECEIVE_SIZE);
    }
    caller_reading_.store(false, std::memory_order_release);
    direct_burst_ = 0;
    sender_ = std::make_unique<WorkerThread>([this](WorkerThread &self) { return send_loop(self); });
    receiver_ = std::make_unique<WorkerThread>([this](WorkerThread &self) { return receive_loop(self); });
    open_ = true;
    sender_->resume();
    receiver_->resume();
    if (callbacks().connected) callbacks().connected(handle());
    return 1;
}

int32_t QueuedDriver::close() {
    if (!open_) return 1;
    send_held_back_at_close();
    clear_input();
    clear_output();
    {
        std::lock_guard<std::mutex> hold(device_lock_);
        closing_ = true;
        device_changed_.notify_all();
    }
    for (std::unique_ptr<WorkerThread> *thread : {&receiver_, &sender_}) {
        (*thread)->stop();
        interrupt_device();
        (*thread)->join();
        thread->reset();
    }
    close_device();
    open_ = false;
    waiting_.store(false, std::memory_order_release);
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        send_queue_.set_in_flight(0);
    }
    if (callbacks().disconnected) callbacks().disconnected(handle());
    return 1;
}

// What the caller held back goes as far as the device takes it at once, as
// it would have without the hold. Not through the caller's buffer: a break
// handler may close from another thread.
void QueuedDriver::send_held_back_at_close() {
    std::vector<uint8_t> held;
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        if (!held_back_) return;
        held.resize(static_cast<size_t>(send_queue_.total()));
        send_queue_.take(held.data(), send_queue_.total());
        send_queue_.set_in_flight(0);
        held_back_ = false;
    }
    if (!waiting_for_device()) write_now(held.data(), static_cast<int32_t>(held.size()));
}

void QueuedDriver::send_held_back() {
    if (open_) write_direct(0, nullptr, 0);
}

int32_t QueuedDriver::is_open() { return open_ ? 1 : 0; }

int32_t QueuedDriver::can_send() {
    if (!is_open()) return 0;
    std::lock_guard<std::mutex> hold(send_lock_);
    return send_queue_.limit() == 0 || send_queue_.total() < send_queue_.limit();
}

int32_t QueuedDriver::write(int32_t tag, const uint8_t *data, int32_t length, int32_t *written) {
    *written = 0;
    if (!is_open() || length < 1) return 0;
    int32_t direct = write_direct(tag, data, length);
    if (direct == length) {
        *written = length;
        return 1;
    }
    int32_t queued;
    bool handed_over;
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        handed_over = held_back_;
        held_back_ = false;
        queued = send_queue_.append(tag, data + direct, length - direct);
    }
    if (handed_over) held_changed_.notify_all();
    if (queued > 0) sender_->resume();
    *written = direct + queued;
    return *written == length ? 1 : 0;
}

// Handing bytes to the send thread costs a thread wake-up, which is most of
// a status request's round trip. So while the send thread has nothing to
// do, the caller writes itself, as far as the device takes it at once; the
// send thread does everything that has to wait. A write of one whole block
// (a file copied block by block) is held back while the queue has room and
// goes with the next ones: a device call costs as much as a kilobyte of
// data. Only this thread appends, so the order of the bytes holds. Answers
// the bytes of this write taken (sent or held back); length 0 sends what
// was held back.
int32_t QueuedDriver::write_direct(int32_t tag, const uint8_t *data, int32_t length) {
    // A write of a burst or more is already a block's worth of device call.
    bool burst_spent = length > 0 && length < DIRECT_BURST && direct_burst_ >= DIRECT_BURST;
    int32_t held;
    bool hold_this;
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        bool sender_busy = send_queue_.in_flight() > 0 || (send_queue_.chunk_count() > 0 && !held_back_);
        if (sender_busy || length > block_size_ || burst_spent || waiting_for_device()) return 0;
        held = send_queue_.total();
        hold_this = length == block_size_ && held + length < hold_back_limit_locked();
        if (hold_this) {
            send_queue_.append(tag, data, length);
            held_back_ = true;
            ++hold_backs_;
        } else if (held > 0) {
            gather_buffer_.resize(static_cast<size_t>(held + length));
            send_queue_.take(gather_buffer_.data(), held);
            send_queue_.set_in_flight(0);
            held_back_ = false;
        }
    }
    if (hold_this) {
        sender_->resume();  // it sends them should the caller go quiet
        return length;
    }
    if (held + length == 0) return 0;
    const uint8_t *out = data;
    if (held > 0) {
        if (length > 0) std::memcpy(gather_buffer_.data() + held, data, static_cast<size_t>(length));
        out = gather_buffer_.data();
    }
    uint32_t generation = device_generation();
    int32_t n = write_now(out, held + length);
    if (n < 0) {
        report_lost(errno, generation);
        n = 0;
    }
    direct_burst_ += n;
    if (n == held + length && callbacks().write_done) callbacks().write_done(handle(), 0, n, 1);
    if (n >= held) return n - held;
    // The queue is empty and only this thread appends: the rest goes first.
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        send_queue_.append(tag, gather_buffer_.data() + n, held - n);
    }
    held_changed_.notify_all();
    sender_->resume();
    return 0;
}

int32_t QueuedDriver::hold_back_limit_locked() const {
    return send_queue_.limit() > 0 ? send_queue_.limit() : MIN_SEND_LIMIT;
}

int32_t QueuedDriver::read(uint8_t *data, int32_t length, int32_t *got) {
    *got = 0;
    if (!open_ || length < 1) return 0;
    send_held_back();  // a request among them must not wait for its reply
    direct_burst_ = 0;
    int32_t wait = read_wait_ms();
    if (wait > 0 && caller_reads_device()) return read_waiting(data, length, got, wait);
    std::unique_lock<std::mutex> hold(receive_lock_);
    if (wait > 0 && receive_queue_.total() < length)
        input_changed_.wait_for(hold, std::chrono::milliseconds(wait),
                                [&] { return receive_queue_.total() >= length; });
    *got = receive_queue_.take(data, length);
    return *got == length ? 1 : 0;
}

int32_t QueuedDriver::configure(const PortSettings &settings) {
    settings_ = settings;
    if (open_) return apply_settings();
    return set_direct_mode(settings.direct_io);
}

int32_t QueuedDriver::set_direct_mode(int32_t flag) {
    direct_mode_ = flag;
    return 1;
}

int32_t QueuedDriver::pending_output() {
    int32_t queued;
    {
        std::lock_guard<std::mutex> hold(send_lock_);
        queued = send_queue_.total() + send_queue_.in_flight();
    }
    return open_ ? queued + device_pending_output() : queued;
}

int32_t QueuedDriver::clear_output() {
    std::lock_guard<std::mutex> hold(send_lock_);
    send_queue_.clear();
    held_back_ = false;
    held_changed_.notify_all();
    // Only a block in flight can be dropped; a flag left set while idle
    // would drop the next one.
    if (sender_ && send_queue_.in_flight() > 0) sender_->set_drop_current(true);
    space_changed_.notify_all();
    return 1;
}

void QueuedDriver::resume_sender() {
    if (sender_) sender_->resume();
}

void QueuedDriver::suspend_sender() {
    if (sender_) sender_->suspend();
}

int32_t QueuedDriver::block_size() {
    std::lock_guard<std::mutex> hold(send_lock_);
    return block_size_;
}

int32_t QueuedDriver::set_block_size(int32_t n) {
    if (n < 1 || n > MAX_BLOCK_SIZE) return 0;
    std::lock_guard<std::mutex> hold(send_lock_);
    block_size_ = n;
    send_queue_.set_limit(std::max(2 * n, MIN_SEND_LIMIT));
    return 1;
}

int32_t QueuedDriver::pending_input() {
    std::lock_guard<std::mutex> hold(receive_lock_);
    return receive_queue_.total();
}

int32_t QueuedDriver::clear_input() {
    if (!open_) return 0;
    std::lock_guard<std::mutex> hold(receive_lock_);
    receive_queue_.clear();
    return 1;
}

void QueuedDriver::resume_receiver() {
    if (receiver_) receiver_->resume();
}

void QueuedDriver::suspend_receiver() {
    if (receiver_) receiver_->suspend();
}

int32_t QueuedDriver::receive_size() {
    std::lock_guard<std::mutex> hold(receive_lock_);
    return receive_size_;
}

int32_t QueuedDriver::set_receive_size(int32_t n) {
    if (n < 1 || n > MAX_RECEIVE_SIZE) return 0;
    std::lock_guard<std::mutex> hold(receive_lock_);
    receive_size_ = n;
    return 1;
}

// A writer that found the queue full sleeps until it is half empty, so it
// refills several blocks per wake instead of one.
bool QueuedDriver::has_room_locked() const {
    return send_queue_.limit() == 0 || send_queue_.total() <= send_queue_.limit() / 2;
}

void QueuedDriver::wait_output_space(int32_t ms) {
    std::unique_lock<std::mutex> hold(send_lock_);
    space_changed_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return has_room_locked(); });
}

// Like read_waiting: the caller waits on the device itself. Interrupted, or
// ready with nothing left for it, it waits for the receive thread instead.
void QueuedDriver::wait_input(int32_t ms) {
    send_held_back();
    direct_burst_ = 0;
    if (open_ && caller_reads_device() && !waiting_for_device() && pending_input() == 0) {
        caller_reading_.store(true, std::memory_order_release);
        int r = wait_readable(ms);
        int32_t n = r > 0 ? read_into_queue() : 0;
        caller_reading_.store(false, std::memory_order_release);
        if (r == 0 || n != 0) return;
        if (r > 0) ms = 1;
    }
    std::unique_lock<std::mutex> hold(receive_lock_);
    input_changed_.wait_for(hold, std::chrono::milliseconds(ms),
                            [this] { return receive_queue_.total() > 0; });
}

void QueuedDriver::report_lost(int error, uint32_t generation) {
    {
        std::lock_guard<std::mutex> hold(device_lock_);
        // A failure of the device replaced since, or a second report of one
        // outage, changes nothing.
        if (generation != device_generation() || waiting_.load(std::memory_order_acquire)) return;
        lost_error_ = error;
        waiting_.store(true, std::memory_order_release);
    }
    if (sender_) sender_->resume();
}

// The outage, on the send thread: one message, then a reopen about once a
// second. False once the driver is closing.
bool QueuedDriver::wait_for_device(WorkerThread &self) {
    int error;
    {
        std::lock_guard<std::mutex> hold(device_lock_);
        error = lost_error_;
    }
    if (busy_when_lost() && callbacks().write_done) callbacks().write_done(handle(), 0, 0, 0);
    if (callbacks().device_waiting)
        callbacks().device_waiting(handle(), device_name().c_str(), error_text(error));
    do {
        if (!self.rest_ms(1000)) return false;
    } while (!reopen_device());
    std::lock_guard<std::mutex> hold(device_lock_);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    waiting_.store(false, std::memory_order_release);
    device_changed_.notify_all();
    return !self.stopping();
}

int32_t QueuedDriver::send_loop(WorkerThread &self) {
    while (!self.stopping()) {
        {
            // Suspended before the outage check: a report_lost landing
            // between the two then resumes us instead of being lost.
            std::lock_guard<std::mutex> hold(send_lock_);
            if (send_queue_.chunk_count() == 0) {
                self.suspend();
                if (waiting_for_device()) self.resume();
            }
        }
        if (!self.pause_point()) break;
        if (waiting_for_device() && !wait_for_device(self)) break;

        int32_t taken;
        int32_t block;
        bool room;
        {
            std::unique_lock<std::mutex> hold(send_lock_);
            // Bytes the caller held back stay its own while it keeps
            // writing. Its own sends of them wake nobody: that would cost
            // the device call saved.
            while (held_back_ && !self.stopping()) {
                uint32_t seen = hold_backs_;
                if (!held_changed_.wait_for(hold, std::chrono::milliseconds(hold_back_ms()),
                                            [this] { return !held_back_; }) &&
                    hold_backs_ == seen)
                    held_back_ = false;
            }
            block = block_size_;
            taken = send_queue_.take(write_buffer_.data(), block);
            room = has_room_locked();
        }
        if (room) space_changed_.notify_all();
        int32_t done = 0;
        while (done < taken && !self.stopping() && !self.drop_current()) {
            // A loss the receive thread saw: the rest goes on the device that
            // comes back, not on one that may still swallow it.
            if (waiting_for_device()) {
                if (!wait_for_device(self)) break;
                continue;
            }
            int32_t piece = std::min(block, taken - done);
            uint32_t generation = device_generation();
            int32_t n = write_piece(write_buffer_.data() + done, piece);
            if (n < 0) {
                report_lost(errno, generation);
                if (!wait_for_device(self)) break;
                continue;
            }
            done += n;
            bool whole = n == piece;
            if (callbacks().write_done) callbacks().write_done(handle(), 0, done, whole ? 1 : 0);
            if (!whole && !self.rest_ms(1)) break;
        }

        std::lock_guard<std::mutex> hold(send_lock_);
        send_queue_.set_in_flight(0);
        self.set_drop_current(false);
    }
    return 0;
}

void QueuedDriver::store_input(const uint8_t *data, int32_t n) {
    int32_t pending;
    {
        std::lock_guard<std::mutex> hold(receive_lock_);
        receive_queue_.append(0, data, n);
        pending = receive_queue_.total();
    }
    input_changed_.notify_all();
    if (callbacks().data_arrived) callbacks().data_arrived(handle(), pending);
}

// One read that does not wait, stored at once under the gate, so the bytes
// keep their order whichever thread reads them. The count, -1 when gone.
int32_t QueuedDriver::read_into_queue() {
    int32_t want;
    {
        std::lock_guard<std::mutex> hold(receive_lock_);
        want = receive_size_;
    }
    std::lock_guard<std::mutex> gate(read_gate_);
    uint32_t generation = device_generation();
    int32_t n = read_now(read_buffer_.data(), want);
    if (n < 0) report_lost(errno, generation);
    if (n > 0) store_input(read_buffer_.data(), n);
    return n;
}

bool QueuedDriver::take_input(uint8_t *data, int32_t length, int32_t *got) {
    std::lock_guard<std::mutex> hold(receive_lock_);
    if (receive_queue_.total() < length) return false;
    *got = receive_queue_.take(data, length);
    return true;
}

// A read that waits, for drivers whose caller reads the device itself: the
// caller is woken by the device, not by the receive thread, which saves a
// thread wake-up per reply. While the device is away, or when it says ready
// yet another reader took the bytes, the receive thread's news decides.
int32_t QueuedDriver::read_waiting(uint8_t *data, int32_t length, int32_t *got, int32_t wait) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(wait);
    caller_reading_.store(true, std::memory_order_release);
    for (;;) {
        if (take_input(data, length, got)) break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        int32_t n = -1;
        if (!waiting_for_device()) {
            int r = wait_readable(static_cast<int32_t>(left));
            if (r < 0) break;
            if (r == 0) continue;
            n = read_into_queue();
            if (n > 0) continue;
        }
        std::unique_lock<std::mutex> hold(receive_lock_);
        input_changed_.wait_for(hold, std::chrono::milliseconds(n < 0 ? left : 1),
                                [&] { return receive_queue_.total() >= length; });
    }
    caller_reading_.store(false, std::memory_order_release);
    if (*got == 0) {
        std::lock_guard<std::mutex> hold(receive_lock_);
        *got = receive_queue_.take(data, length);
    }
    return *got == length ? 1 : 0;
}

int32_t QueuedDriver::receive_loop(WorkerThread &self) {
    std::vector<uint8_t> buffer(MAX_RECEIVE_SIZE);
    bool ready = false;
    while (self.pause_point()) {
        if (waiting_for_device()) {
            std::unique_lock<std::mutex> hold(device_lock_);
            device_changed_.wait(hold, [this] { return !waiting_for_device() || closing_; });
            continue;
        }
        if (caller_reads_device()) {
            // A caller waiting in read takes what comes itself; this thread
            // reads what arrives while nobody waits.
            int32_t n = caller_reading_.load(std::memory_order_acquire) && ready ? 0 : read_into_queue();
            if (n != 0) {
                ready = false;
                continue;
            }
            if (ready && !self.rest_ms(1)) break;  // ready, yet nothing here for us
            ready = wait_readable(DEVICE_WAIT_MS) > 0;
            continue;
        }
        int32_t want;
        {
            std::lock_guard<std::mutex> hold(receive_lock_);
            want = receive_size_;
        }
        uint32_t generation = device_generation();
        int32_t n = read_piece(buffer.data(), want);
        if (n < 0) {
            report_lost(errno, generation);
            continue;
        }
        if (n == 0) {
            self.rest_ms(1);
            continue;
        }
        store_input(buffer.data(), n);
    }
    return 0;
}
