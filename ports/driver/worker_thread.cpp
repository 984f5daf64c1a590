#include "ports/driver/worker_thread.h"

#include <chrono>
#include <utility>

WorkerThread::WorkerThread(Body body) : body_(std::move(body)), thread_([this] { entry(); }) {}

WorkerThread::~WorkerThread() { join(); }

void WorkerThread::entry() {
    int32_t code = -1;
    if (pause_point()) {
        try {
            code = body_(*this);
        } catch (...) {
            code = -1;
        }
    }
    exit_code_ = code;
    stop_flag_.store(true, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
}

// Notified after the lock is released: a waiter woken while the lock is
// still held would only block again on it (one more context switch).
void WorkerThread::resume() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!suspended_) return;
        suspended_ = false;
    }
    wake_.notify_all();
}

void WorkerThread::suspend() {
    std::lock_guard<std::mutex> hold(lock_);
    suspended_ = true;
}

void WorkerThread::stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_flag_.store(true, std::memory_order_release);
    }
    wake_.notify_all();
}

int32_t WorkerThread::join() {
    if (thread_.joinable()) {
        stop();
        thread_.join();
    }
    return exit_code_;
}

bool WorkerThread::pause_point() {
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait(hold, [this] { return !suspended_ || stopping(); });
    return !stopping();
}

bool WorkerThread::rest_ms(int32_t ms) {
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return stopping(); });
    return !stopping();
}
