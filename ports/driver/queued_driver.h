// The part every device driver shares: the send queue and its send thread,
// the read-ahead receive queue and its receive thread, block and receive
// sizes, pending counts and the open/close sequence. A concrete driver
// supplies only its device hooks:
//  - open_device / close_device: acquire and release the device, using
//    settings(). close_device runs after both threads have ended.
//  - write_piece: one write attempt of at most one block. Returns the bytes
//    the device took (0 when it held them off until its write time-out), or
//    -1 with errno set when the device is gone. It may block up to the send
//    time-out.
//  - write_now: one attempt that does not wait: the bytes the device took
//    at once, -1 with errno set when it is gone. The default takes nothing,
//    leaving every byte to the send thread.
//  - caller_reads_device, read_now, wait_readable: for drivers whose read
//    waits (read_wait_ms > 0). read_now reads what is there without waiting
//    (the count, 0 for none, -1 with errno set when gone); wait_readable
//    waits up to ms for bytes (1 ready, 0 timed out, -1 interrupted). With
//    them a caller waiting in read or wait_input polls the device itself.
//  - read_piece: one read of up to max bytes. Returns the count, 0 when
//    nothing came within the device's own wait (keep that wait short or
//    interruptible), -1 with errno set when the device is gone.
//  - reopen_device: gets a vanished device back, configured as before; runs
//    on the send thread while the receive thread may still be inside
//    read_piece on the old device (whose failure is then ignored), so keep
//    the descriptor number stable (replace it with dup3).
//  - device_name: the device as the user knows it, for messages.
//  - interrupt_device: wakes a write_piece or read_piece blocked in the
//    device, so close never waits for a time-out (a wake pipe, for example).
//  - apply_settings: configure while open.
//  - read_wait_ms: how long read() waits for the bytes it was asked for
//    (serial: its receive time-out); 0 for drivers that answer at once.
//  - device_fd: the descriptor, -1 while closed.
//  - hold_back_ms: see below; a hook so tests can lengthen it.
// reset, ignore_flow and get_info answer 0 unless overridden.
//
// A write while nothing is queued or in flight first goes straight to
// write_now on the caller's thread (a whole one reports write_done ok);
// what the device did not take is queued. Writes shorter than DIRECT_BURST
// go that way only until DIRECT_BURST bytes have gone since the caller last
// read (or waited for input): a caller writing byte by byte would otherwise
// cost a device call, and on a network a packet, per byte; the rest goes to
// the send thread, which takes it in blocks. Longer writes always may.
// A write of exactly one block (a file copied block by block) is held back
// in the queue while the queue stays below its limit, and goes with the
// writes after it in one write_now: a device call costs as much as a
// kilobyte of data. Held-back bytes go before a read, a wait for input, a
// handshake switch, a reset and a close, and the send thread takes them
// once the caller has written nothing for hold_back_ms.
//
// Send thread (written once here): rests while the queue is empty; takes up
// to one block (that count is in flight); writes it, retrying the rest of a
// short piece after 1 ms, and calls write_done after every attempt (ok = the
// piece went whole); gives up the block when clear_output set the
// drop-current flag, ends on stop.
//
// A device that goes away: the first failure (either thread) makes the send
// thread stop writing to it, call the device_waiting callback once and then
// reopen_device about once a second (no spinning; close cuts the wait
// short). Meanwhile the driver stays open, queues writes up to the limit
// and reads nothing; when the device is back the receive thread resumes and
// the unsent rest of the piece is written.
//
// Locks: one for the send side (queue, in-flight count, block size), one for
// the receive side (queue, receive size). Hooks are called without them,
// except read_now, which runs under the read gate (one reader at a time).
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ports/driver/chunk_queue.h"
#include "ports/driver/port_driver.h"
#include "ports/driver/worker_thread.h"

class QueuedDriver : public PortDriver {
public:
    static constexpr int32_t MAX_BLOCK_SIZE = 65536;
    static constexpr int32_t MAX_RECEIVE_SIZE = 65540;
    static constexpr int32_t MIN_SEND_LIMIT = 4096;
    // Longer than any request that waits for a reply.
    static constexpr int32_t DIRECT_BURST = 64;
    // How long the receive thread waits on the device per pass.
    static constexpr int32_t DEVICE_WAIT_MS = 100;
    // How long bytes held back for the caller's next write wait before the
    // send thread takes them.
    static constexpr int32_t HOLD_BACK_MS = 1;

    QueuedDriver(int32_t handle, PortKind kind, int32_t receive_size = 256);
    // Subclasses call close() in their own destructor, while their hooks exist.
    ~QueuedDriver() override;

    int32_t open() override;
    int32_t write(int32_t tag, const uint8_t *data, int32_t length, int32_t *written) override;
    int32_t read(uint8_t *data, int32_t length, int32_t *got) override;
    int32_t close() override;
    int32_t reset() override { return 0; }
    int32_t get_info(void *) override { return 0; }
    int32_t is_open() override;
    int32_t can_send() override;
    int32_t os_handle() override { return device_fd(); }
    int32_t configure(const PortSettings &settings) override;
    int32_t set_direct_mode(int32_t flag) override;
    int32_t pending_output() override;
    int32_t clear_output() override;
    void resume_sender() override;
    void suspend_sender() override;
    int32_t block_size() override;
    int32_t set_block_size(int32_t n) override;
    int32_t pending_input() override;
    int32_t clear_input() override;
    void resume_receiver() override;
    void suspend_receiver() override;
    int32_t receive_size() override;
    int32_t set_receive_size(int32_t n) override;
    int32_t ignore_flow(int32_t) override { return 0; }
    const OpenFailure *open_failure() const override { return has_open_failure_ ? &open_failure_ : nullptr; }
    int32_t waiting_for_device() override { return waiting_.load(std::memory_order_acquire) ? 1 : 0; }

    // Early on a change (for space: once the queue is half empty), so
    // callers that retry every millisecond are not held back by their sleep
    // when the device keeps up.
    void wait_output_space(int32_t ms) override;
    void wait_input(int32_t ms) override;
    void send_held_back() override;

protected:
    virtual bool open_device() = 0;
    virtual void close_device() = 0;
    virtual int32_t write_piece(const uint8_t *data, int32_t length) = 0;
    virtual int32_t write_now(const uint8_t *, int32_t) { return 0; }
    virtual bool caller_reads_device() const { return false; }
    virtual int32_t read_now(uint8_t *, int32_t) { return 0; }
    virtual int wait_readable(int32_t) { return -1; }
    virtual int32_t read_piece(uint8_t *data, int32_t max) = 0;
    virtual void interrupt_device() {}
    virtual int32_t apply_settings() { return 1; }
    virtual int32_t read_wait_ms() { return 0; }
    virtual int32_t device_fd() { return -1; }
    virtual bool reopen_device() {
        close_device();
        return open_device();
    }
    virtual std::string device_name() { return ""; }
    // Whether an outage also counts as one held-off write attempt ("Busy").
    virtual bool busy_when_lost() const { return false; }
    // Bytes the device itself still holds for sending (counted as pending).
    virtual int32_t device_pending_output() { return 0; }
    virtual int32_t hold_back_ms() const { return HOLD_BACK_MS; }

    const PortSettings &settings() const { return settings_; }
    bool is_opened() const { return open_; }
    void set_open_failure(OpenFailure failure) {
        open_failure_ = std::move(failure);
        has_open_failure_ = true;
    }
    // For drivers that write on the caller's thread: take the generation
    // before a device call, report a failure of that call with it.
    uint32_t device_generation() const { return generation_.load(std::memory_order_acquire); }
    void report_lost(int error, uint32_t generation);

private:
    int32_t send_loop(WorkerThread &self);
    int32_t receive_loop(WorkerThread &self);
    bool wait_for_device(WorkerThread &self);
    bool has_room_locked() const;
    int32_t write_direct(int32_t tag, const uint8_t *data, int32_t length);
    int32_t hold_back_limit_locked() const;
    void send_held_back_at_close();
    void store_input(const uint8_t *data, int32_t n);
    int32_t read_into_queue();
    bool take_input(uint8_t *data, int32_t length, int32_t *got);
    int32_t read_waiting(uint8_t *data, int32_t length, int32_t *got, int32_t wait);

    PortSettings settings_;
    int32_t direct_mode_ = 0;
    bool open_ = false;  // interpreter thread only
    int32_t direct_burst_ = 0;  // interpreter thread only
    OpenFailure open_failure_;
    bool has_open_failure_ = false;

    std::mutex device_lock_;  // the outage state below
    std::condition_variable device_changed_;
    std::atomic<bool> waiting_{false};
    std::atomic<uint32_t> generation_{0};
    int lost_error_ = 0;
    bool closing_ = false;

    std::mutex send_lock_;
    std::condition_variable space_changed_;
    SendQueue send_queue_;
    int32_t block_size_ = 1024;
    std::vector<uint8_t> write_buffer_;
    bool held_back_ = false;  // the queue holds only bytes the caller held back
    uint32_t hold_backs_ = 0;
    std::condition_variable held_changed_;  // the caller handed them over
    std::vector<uint8_t> gather_buffer_;  // interpreter thread only

    std::mutex receive_lock_;
    std::condition_variable input_changed_;
    ReceiveQueue receive_queue_;
    int32_t receive_size_;

    std::mutex read_gate_;  // one device read and its store at a time
    std::vector<uint8_t> read_buffer_;
    std::atomic<bool> caller_reading_{false};

    std::unique_ptr<WorkerThread> sender_;
    std::unique_ptr<WorkerThread> receiver_;
};
