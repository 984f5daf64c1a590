// A driver's send or receive thread.
//  - The thread starts suspended: its body runs only after the first resume.
//  - The body calls pause_point() wherever it may rest: it waits there while
//    the thread is suspended and returns false once a stop was requested.
//    suspend() may come from the thread itself or its owner; resume() from
//    any thread. A resume that lands between the body's own suspend() and
//    its pause_point() is not lost.
//  - stop() sets the stop flag and wakes the thread (also out of a sleep in
//    rest_ms); join() waits for the end. The destructor does both, so no
//    thread outlives its object.
//  - The drop-current flag is the owner's request to give up the block being
//    written.
//  - The body never lets an exception out: one ends the thread with exit
//    code -1.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class WorkerThread {
public:
    using Body = std::function<int32_t(WorkerThread &self)>;

    explicit WorkerThread(Body body);
    ~WorkerThread();
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    void resume();
    void suspend();
    void stop();
    // Waits for the thread's end (stopping it first); the body's exit code.
    int32_t join();

    // For the body.
    bool pause_point();
    bool stopping() const { return stop_flag_.load(std::memory_order_acquire); }
    // Sleeps up to ms, cut short by stop(); false once stopping.
    bool rest_ms(int32_t ms);

    bool finished() const { return finished_.load(std::memory_order_acquire); }
    void set_drop_current(bool on) { drop_current_.store(on, std::memory_order_release); }
    bool drop_current() const { return drop_current_.load(std::memory_order_acquire); }

private:
    void entry();

    Body body_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool suspended_ = true;
    std::atomic<bool> stop_flag_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> drop_current_{false};
    int32_t exit_code_ = 0;
    std::thread thread_;
};
