#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <mutex>
#include <string>

#include "ports/driver/chunk_queue.h"
#include "ports/driver/driver_table.h"
#include "ports/driver/fake_driver_test_util.h"
#include "ports/driver/worker_thread.h"

namespace {

const uint8_t *bytes(const std::string &s) { return reinterpret_cast<const uint8_t *>(s.data()); }

TEST(ChunkQueue, LimitRefusesOnlyOnceTheTotalReachesIt) {
    ChunkQueue q;
    q.set_limit(8);
    std::string big(20, 'x');
    EXPECT_EQ(q.append(0, bytes(big), 5), 5);
    EXPECT_EQ(q.append(0, bytes(big), 20), 20);  // total 5 < 8: accepted whole
    EXPECT_EQ(q.append(0, bytes(big), 1), 0);
    EXPECT_EQ(q.total(), 25);
    EXPECT_EQ(q.chunk_count(), 2);
    q.set_limit(0);
    EXPECT_EQ(q.append(0, bytes(big), 1), 1);
}

TEST(ChunkQueue, TakeCrossesChunksAndKeepsPartOfOne) {
    ChunkQueue q;
    q.append(0, bytes("abc"), 3);
    q.append(0, bytes("defgh"), 5);
    uint8_t out[16] = {};
    EXPECT_EQ(q.take(out, 5), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 5), "abcde");
    EXPECT_EQ(q.in_flight(), 5);
    EXPECT_EQ(q.total(), 3);
    EXPECT_EQ(q.chunk_count(), 1);
    EXPECT_EQ(q.take(out, 16), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out), 3), "fgh");
    EXPECT_EQ(q.take(out, 16), 0);
    EXPECT_EQ(q.in_flight(), 0);
    q.append(0, bytes("zz"), 2);
    q.clear();
    EXPECT_EQ(q.total(), 0);
    EXPECT_EQ(q.chunk_count(), 0);
}

TEST(WorkerThread, StartsSuspendedAndStopsWhileWaiting) {
    std::atomic<int> runs{0};
    {
        WorkerThread never_resumed([&](WorkerThread &) { return ++runs; });
        EXPECT_EQ(never_resumed.join(), -1);
    }
    EXPECT_EQ(runs.load(), 0);

    // A body that suspends itself and waits: stop wakes it, join returns.
    WorkerThread t([&](WorkerThread &self) {
        ++runs;
        self.suspend();
        while (self.pause_point()) self.suspend();
        return 7;
    });
    t.resume();
    while (runs.load() == 0) std::this_thread::yield();
    EXPECT_EQ(t.join(), 7);
    EXPECT_TRUE(t.finished());
}

// The senders' pattern: the body suspends itself under the lock that guards
// its work, a producer adds work under that lock and then resumes it.
TEST(WorkerThread, ResumeAfterTheBodysSuspendIsNotLost) {
    std::mutex lock;
    int requested = 0;
    std::atomic<int> done{0};
    WorkerThread t([&](WorkerThread &self) {
        for (;;) {
            {
                std::lock_guard<std::mutex> hold(lock);
                if (done.load() == requested) self.suspend();
            }
            if (!self.pause_point()) return 0;
            std::lock_guard<std::mutex> hold(lock);
            if (done.load() < requested) ++done;
        }
    });
    t.resume();
    for (int i = 1; i <= 500; ++i) {
        {
            std::lock_guard<std::mutex> hold(lock);
            ++requested;
        }
        t.resume();
        while (done.load() < i) std::this_thread::yield();
    }
    EXPECT_EQ(t.join(), 0);
}

TEST(WorkerThread, AnExceptionEndsOnlyTheThread) {
    WorkerThread t([](WorkerThread &) -> int32_t { throw 1; });
    t.resume();
    EXPECT_EQ(t.join(), -1);
}

class DriverApi : public testing::Test {
protected:
    void SetUp() override { drv_set_kinds(FakeDriver::kinds()); }
    void TearDown() override {
        drv_destroy_all();
        FakeDriver::open_answer = true;
        FakeDriver::direct_next = false;
        drv_set_kinds({});
    }
};

TEST_F(DriverApi, TableHoldsTwoHundredFiftySixDrivers) {
    for (int32_t i = 0; i < DRIVER_SLOTS; ++i) ASSERT_EQ(drv_create(i % 5), i);
    EXPECT_EQ(drv_create(0), -1);
    EXPECT_EQ(drv_destroy(17), 1);
    EXPECT_EQ(drv_create(2), 17);
    EXPECT_EQ(drv_destroy_all(), DRIVER_SLOTS);
}

TEST_F(DriverApi, BadHandlesAnswerMinusOneAndZeroCounts) {
    EXPECT_EQ(drv_create(-1), -1);
    EXPECT_EQ(drv_create(5), -1);
    uint8_t b[4] = {1, 2, 3, 4};
    for (int32_t handle : {-1, 0, 255, 256}) {
        int32_t count = 99;
        EXPECT_EQ(drv_write(handle, 0, b, 4, &count), -1);
        EXPECT_EQ(count, 0);
        count = 99;
        EXPECT_EQ(drv_read(handle, b, 4, &count), -1);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(drv_open(handle), -1);
        EXPECT_EQ(drv_pending_output(handle), -1);
        EXPECT_EQ(drv_clear_input(handle), -1);
        EXPECT_EQ(drv_destroy(handle), -1);
    }
    // A kind nothing can make: the slot number comes back, the slot stays empty.
    drv_set_kinds({});
    int32_t h = drv_create(1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(drv_configure(h, PortSettings{}), -1);
    EXPECT_EQ(drv_open(h), -1);
}

TEST_F(DriverApi, OpenWriteReadClose) {
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    int32_t count = 0;
    EXPECT_EQ(drv_write(h, 0, bytes("x"), 1, &count), 0);  // closed
    ASSERT_EQ(drv_open(h), 1);
    EXPECT_EQ(drv_open(h), 1);
    EXPECT_EQ(drv_write(h, 0, bytes("hello"), 5, &count), 1);
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "hello"; }));

    fake->feed("abc");
    uint8_t in[8] = {};
    while (drv_pending_input(h) < 3) drv_wait_input(h, 1);
    EXPECT_EQ(drv_read(h, in, 2, &count), 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(drv_read(h, in, 4, &count), 0);  // only one was left
    EXPECT_EQ(count, 1);
    EXPECT_EQ(in[0], 'c');
    EXPECT_EQ(drv_close(h), 1);
    EXPECT_EQ(drv_close(h), 1);
    EXPECT_EQ(drv_destroy(h), 1);
}

TEST_F(DriverApi, BlockAndReceiveSizeBounds) {
    int32_t h = drv_create(3);
    struct Row {
        int32_t n, block, receive;
    };
    for (Row r : {Row{0, 0, 0}, Row{1, 1, 1}, Row{65536, 1, 1}, Row{65537, 0, 1}, Row{65540, 0, 1},
                  Row{65541, 0, 0}, Row{-4, 0, 0}}) {
        EXPECT_EQ(drv_set_block_size(h, r.n), r.block) << r.n;
        EXPECT_EQ(drv_set_receive_size(h, r.n), r.receive) << r.n;
    }
}

TEST_F(DriverApi, ClearOutputDropsTheRestOfTheBlockInFlight) {
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    ASSERT_EQ(drv_open(h), 1);
    drv_set_block_size(h, 8);
    fake->set_gated(true);
    fake->set_per_attempt(1);
    int32_t count = 0;
    ASSERT_EQ(drv_write(h, 0, bytes("ABCDEFGHIJKLMNOP"), 16, &count), 1);
    fake->add_tickets(1);
    // The first piece went short; the second attempt waits at the gate.
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.attempts_ == 2; }));
    EXPECT_EQ(drv_pending_output(h), 16);  // the block stays in flight until it ends
    fake->clear_output();
    fake->add_tickets(1);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "AB"; }));
    while (drv_pending_output(h) > 0) drv_wait_output_space(h, 1);
    fake->set_gated(false);
    fake->set_per_attempt(0);
    ASSERT_EQ(drv_write(h, 0, bytes("xy"), 2, &count), 1);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "ABxy"; }));
}

TEST_F(DriverApi, FullQueueRefusesUntilTheSenderTakesData) {
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    ASSERT_EQ(drv_open(h), 1);
    fake->hold_off(true);
    std::string block(4096, 'q');
    int32_t count = 0;
    // The sender has one block in flight; the queue fills to its limit.
    ASSERT_EQ(drv_write(h, 0, bytes(block), 1024, &count), 1);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.attempts_ > 0; }));
    ASSERT_EQ(drv_write(h, 0, bytes(block), 4096, &count), 1);
    EXPECT_EQ(drv_write(h, 0, bytes(block), 1, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(drv_pending_output(h), 1024 + 4096);
    fake->hold_off(false);
    while (drv_pending_output(h) > 0) drv_wait_output_space(h, 1);
    EXPECT_EQ(fake->written().size(), 1024u + 4096u);
}

TEST_F(DriverApi, CloseStopsThreadsBlockedInTheDevice) {
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    ASSERT_EQ(drv_open(h), 1);
    fake->set_gated(true);
    int32_t count = 0;
    drv_write(h, 0, bytes("stuck"), 5, &count);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.attempts_ == 1; }));
    EXPECT_EQ(drv_close(h), 1);
    EXPECT_EQ(drv_pending_output(h), 0);
    // Reopened, it sends again.
    fake->set_gated(false);
    ASSERT_EQ(drv_open(h), 1);
    drv_write(h, 0, bytes("ok"), 2, &count);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "ok"; }));
}

TEST_F(DriverApi, FailedOpenStartsNothing) {
    FakeDriver::open_answer = false;
    int32_t h = drv_create(2);
    EXPECT_EQ(drv_open(h), 0);
    int32_t count = 0;
    EXPECT_EQ(drv_write(h, 0, bytes("x"), 1, &count), 0);
    EXPECT_EQ(drv_destroy(h), 1);
}

std::atomic<int> waiting_reports{0};

void count_waiting(int32_t, const char *device, const char *reason) {
    if (std::string(device) == "/dev/fake" && reason[0] != '\0') ++waiting_reports;
}

// Waits up to 20 s for cond; a fault fails instead of hanging.
template <typename Cond>
bool eventually(Cond cond) {
    for (int i = 0; i < 20000 && !cond(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return cond();
}

TEST_F(DriverApi, VanishedDeviceIsAwaitedOnceAndTheRestSentWhenBack) {
    waiting_reports = 0;
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    DriverCallbacks callbacks;
    callbacks.device_waiting = count_waiting;
    drv_set_callbacks(h, callbacks);
    ASSERT_EQ(drv_open(h), 1);
    int32_t count = 0;
    drv_write(h, 0, bytes("abc"), 3, &count);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "abc"; }));

    fake->vanish(true);
    EXPECT_TRUE(eventually([&] { return drv_waiting_for_device(h) == 1; }));  // the receive side noticed
    EXPECT_EQ(drv_write(h, 0, bytes("defgh"), 5, &count), 1);  // still queued while away
    EXPECT_TRUE(eventually([&] { return fake->reopens() >= 2; }));
    EXPECT_EQ(waiting_reports.load(), 1);
    EXPECT_EQ(fake->written(), "abc");

    fake->vanish(false);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "abcdefgh"; }));
    EXPECT_TRUE(eventually([&] { return drv_waiting_for_device(h) == 0; }));
    EXPECT_EQ(waiting_reports.load(), 1);

    // A second outage is reported again; close ends the wait at once.
    fake->vanish(true);
    drv_write(h, 0, bytes("x"), 1, &count);
    EXPECT_TRUE(eventually([&] { return waiting_reports.load() == 2; }));
    EXPECT_EQ(drv_close(h), 1);
    EXPECT_EQ(drv_waiting_for_device(h), 0);
}

std::atomic<int> whole_writes{0};
std::atomic<int> short_writes{0};

void count_write_done(int32_t, int32_t, int32_t, int32_t ok) { ++(ok ? whole_writes : short_writes); }

TEST_F(DriverApi, IdleQueueLetsTheCallerWriteAndTheSenderKeepsWhatMustWait) {
    whole_writes = 0;
    short_writes = 0;
    FakeDriver::direct_next = true;
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    DriverCallbacks callbacks;
    callbacks.write_done = count_write_done;
    drv_set_callbacks(h, callbacks);
    ASSERT_EQ(drv_open(h), 1);
    int32_t count = 0;
    ASSERT_EQ(drv_write(h, 0, bytes("abc"), 3, &count), 1);
    EXPECT_EQ(fake->written(), "abc");  // before the call returned
    EXPECT_EQ(fake->attempts(), 0);
    EXPECT_EQ(whole_writes.load(), 1);

    // What the device does not take at once goes to the send thread.
    fake->set_per_attempt(2);
    ASSERT_EQ(drv_write(h, 0, bytes("defgh"), 5, &count), 1);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "abcdefgh"; }));
    fake->set_per_attempt(0);
    while (drv_pending_output(h) > 0) drv_wait_output_space(h, 1);

    // A printer holding data off: queued, reported short by the send thread,
    // and later bytes line up behind it instead of overtaking.
    short_writes = 0;
    fake->hold_off(true);
    ASSERT_EQ(drv_write(h, 0, bytes("ij"), 2, &count), 1);
    EXPECT_TRUE(eventually([] { return short_writes.load() > 0; }));
    ASSERT_EQ(drv_write(h, 0, bytes("kl"), 2, &count), 1);
    EXPECT_EQ(drv_pending_output(h), 4);
    fake->hold_off(false);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "abcdefghijkl"; }));

    // A write that finds the device gone waits for it like a queued one.
    fake->vanish(true);
    ASSERT_EQ(drv_write(h, 0, bytes("mn"), 2, &count), 1);
    EXPECT_TRUE(eventually([&] { return drv_waiting_for_device(h) == 1; }));
    fake->vanish(false);
    EXPECT_TRUE(fake->wait_until([](FakeDriver &f) { return f.written_ == "abcdefghijklmn"; }));
}

// One device call per byte would make a network printer get a packet per
// byte: past a short burst the caller's bytes go to the send thread, until
// the caller reads (the reply to a request).
TEST_F(DriverApi, ByteByByteWritesLeaveTheCallerAfterAShortBurst) {
    FakeDriver::direct_next = true;
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    ASSERT_EQ(drv_open(h), 1);
    std::string sent;
    for (int i = 0; i < 2000; ++i) sent += static_cast<char>('a' + i % 26);
    int32_t count = 0;
    for (char c : sent) {
        const uint8_t b = static_cast<uint8_t>(c);
        while (drv_write(h, 0, &b, 1, &count) != 1) drv_wait_output_space(h, 1);
    }
    EXPECT_TRUE(fake->wait_until([&](FakeDriver &f) { return f.written_ == sent; }));
    EXPECT_EQ(fake->direct_writes(), QueuedDriver::DIRECT_BURST);

    // A block-sized write still goes at once: a file copied block by block
    // must not pay a thread hand-over per block.
    while (drv_pending_output(h) > 0) drv_wait_output_space(h, 1);
    const std::string block(QueuedDriver::DIRECT_BURST, 'B');
    ASSERT_EQ(drv_write(h, 0, reinterpret_cast<const uint8_t *>(block.data()), QueuedDriver::DIRECT_BURST, &count), 1);
    EXPECT_EQ(fake->written(), sent + block);
    EXPECT_EQ(fake->direct_writes(), QueuedDriver::DIRECT_BURST + 1);

    uint8_t in[1];
    drv_read(h, in, 1, &count);
    ASSERT_EQ(drv_write(h, 0, bytes("r"), 1, &count), 1);
    EXPECT_EQ(fake->written(), sent + block + "r");  // before the call returned
    EXPECT_EQ(fake->direct_writes(), QueuedDriver::DIRECT_BURST + 2);
}

// A file copied block by block: a whole block waits for the next ones, and
// they go in one device call once the queue would reach its limit, before
// whatever the caller does next, or when the caller goes quiet; whole and
// in order even when the device takes them in part or has gone away.
TEST_F(DriverApi, WholeBlocksGoTogetherAndBeforeWhatFollows) {
    FakeDriver::direct_next = true;
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    ASSERT_EQ(drv_open(h), 1);
    fake->set_hold_back_ms(60000);
    const int32_t block = fake->block_size();
    std::string sent;
    int32_t count = 0;
    auto write_blocks = [&](int n) {
        for (int i = 0; i < n; ++i) {
            std::string b(static_cast<size_t>(block), static_cast<char>('a' + sent.size() / block % 26));
            ASSERT_EQ(drv_write(h, 0, bytes(b), block, &count), 1);
            sent += b;
        }
    };
    write_blocks(3);
    EXPECT_EQ(fake->written(), "");
    EXPECT_EQ(drv_pending_output(h), 3 * block);
    write_blocks(1);  // the queue's limit: all four in one call
    EXPECT_TRUE(fake->written() == sent);
    EXPECT_EQ(fake->direct_writes(), 1);

    uint8_t in[1];
    struct Next {
        const char *what;
        std::function<void()> call;
    };
    const Next nexts[] = {
        {"read", [&] { drv_read(h, in, 1, &count); }},
        {"short write after a read", [&] { ASSERT_EQ(drv_write(h, 0, bytes("r"), 1, &count), 1); sent += "r"; }},
        {"wait for input", [&] { drv_wait_input(h, 1); }},
        {"handshake switch", [&] { drv_ignore_flow(h, 1); }},
        {"reset", [&] { drv_reset(h); }},
        {"close", [&] { drv_close(h); }},
    };
    for (const Next &next : nexts) {
        int32_t calls = fake->direct_writes();
        write_blocks(2);
        EXPECT_EQ(fake->written().size() + 2 * block, sent.size()) << next.what;
        next.call();
        EXPECT_TRUE(fake->written() == sent) << next.what;
        EXPECT_EQ(fake->direct_writes(), calls + 1) << next.what;
    }
    EXPECT_EQ(fake->attempts(), 0);

    ASSERT_EQ(drv_open(h), 1);
    fake->set_per_attempt(block + 300);
    write_blocks(4);
    EXPECT_TRUE(fake->wait_until([&](FakeDriver &f) { return f.written_ == sent; }));
    fake->set_per_attempt(0);
    while (drv_pending_output(h) > 0) drv_wait_output_space(h, 1);

    write_blocks(3);
    fake->vanish(true);
    write_blocks(1);
    EXPECT_EQ(drv_pending_output(h), 4 * block);
    EXPECT_TRUE(eventually([&] { return drv_waiting_for_device(h) == 1; }));
    fake->vanish(false);
    EXPECT_TRUE(fake->wait_until([&](FakeDriver &f) { return f.written_ == sent; }));

    fake->set_hold_back_ms(1);  // quiet: the send thread takes them
    int32_t attempts = fake->attempts();
    write_blocks(2);
    EXPECT_TRUE(fake->wait_until([&](FakeDriver &f) { return f.written_ == sent; }));
    EXPECT_GT(fake->attempts(), attempts);
}

TEST_F(DriverApi, WaitingReadsReadTheDeviceAndKeepTheOrder) {
    FakeDriver::direct_next = true;
    int32_t h = drv_create(0);
    FakeDriver *fake = FakeDriver::latest;
    ASSERT_EQ(drv_open(h), 1);
    uint8_t in[4] = {};
    int32_t count = 0;
    EXPECT_EQ(drv_read(h, in, 1, &count), 0);  // nothing within the wait
    EXPECT_EQ(count, 0);

    // Bytes arrive while nobody reads, while a read waits, and in between:
    // both threads read the device, and every byte comes out once, in order.
    std::string sent;
    for (int i = 0; i < 3000; ++i) sent += static_cast<char>('a' + i % 26);
    std::thread feeder([&] {
        for (size_t at = 0; at < sent.size(); at += 7) {
            fake->feed(std::string_view(sent).substr(at, 7));
            if (at % 70 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::string got;
    while (got.size() < sent.size() && drv_read(h, in, 1, &count) == 1) got += static_cast<char>(in[0]);
    feeder.join();
    EXPECT_EQ(got, sent);

    // Away: a waiting read returns empty, and reads resume once it is back.
    fake->vanish(true);
    EXPECT_TRUE(eventually([&] { return drv_waiting_for_device(h) == 1; }));
    EXPECT_EQ(drv_read(h, in, 1, &count), 0);
    fake->vanish(false);
    EXPECT_TRUE(eventually([&] { return drv_waiting_for_device(h) == 0; }));
    fake->feed("z");
    EXPECT_EQ(drv_read(h, in, 1, &count), 1);
    EXPECT_EQ(in[0], 'z');

    // Waiting for input without reading (the reply loop of drivers whose
    // read answers at once) also takes the bytes in.
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        fake->feed("xy");
    });
    while (drv_pending_input(h) < 2) drv_wait_input(h, 1);
    later.join();
    EXPECT_EQ(drv_read(h, in, 2, &count), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(in), 2), "xy");
}

}  // namespace
