#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "ports/ethernet/ethernet_driver.h"
#include "ports/ethernet/udp_control.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A reply packet: letter, class, byte 7, function, result, data.
Bytes reply(char letter, uint8_t device_class, uint8_t byte7, uint16_t function, uint16_t result, Bytes data,
            int length = -1) {
    uint16_t n = static_cast<uint16_t>(length < 0 ? data.size() : static_cast<size_t>(length));
    Bytes p = bytes("KAVRO");
    p.insert(p.end(), {static_cast<uint8_t>(letter), device_class, byte7, static_cast<uint8_t>(function >> 8),
                       static_cast<uint8_t>(function), static_cast<uint8_t>(result >> 8),
                       static_cast<uint8_t>(result), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    return p + data;
}

TEST(UdpControl, RequestPacketsByteForByte) {
    EXPECT_EQ(control_packet(ControlRequest::StatusQuery), (bytes("KAVROQ") + Bytes{3, 0, 0, 0x20, 0, 0, 0, 0}));
    EXPECT_EQ(control_packet(ControlRequest::HandshakeOff), (bytes("KAVROC") + Bytes{3, 0, 0, 0x15, 0, 0, 0, 1, 1}));
    EXPECT_EQ(control_packet(ControlRequest::HandshakeOn), (bytes("KAVROC") + Bytes{3, 0, 0, 0x15, 0, 0, 0, 1, 0}));
    EXPECT_EQ(control_packet(ControlRequest::Reset), (bytes("KAVROC") + Bytes{3, 0, 0, 0x12, 0, 0, 0, 1, 0}));
}

struct Parsed {
    int32_t type, result, length;
    Bytes data;  // the first bytes of the stored data
};

TEST(ReplyParser, StreamsOfBytes) {
    Bytes big(600, 0xAB);
    big[511] = 0x51;
    big[512] = 0x52;
    struct Case {
        const char *name;
        Bytes stream;
        std::vector<Parsed> want;
    } cases[] = {
        {"status ready", reply('q', 3, 0, 0x20, 0, {0}), {{REPLY_STATUS, 0, 1, {0}}}},
        {"handshake echo", reply('c', 3, 0, 0x15, 0, {1}), {{REPLY_HANDSHAKE, 0, 1, {1}}}},
        {"reset with a result", reply('c', 3, 0, 0x12, 0x102, {0}), {{REPLY_RESET, 0x102, 1, {0}}}},
        {"query functions 0 and 1", reply('q', 3, 0, 0, 0, {}) + reply('q', 3, 0, 1, 0, {7}),
         {{REPLY_QUERY_0, 0, 0, {}}, {REPLY_QUERY_1, 0, 1, {7}}}},
        {"the interface itself", reply('q', 0, 0, 0, 0, {9}), {{REPLY_INTERFACE, 0, 1, {9}}}},
        {"junk in front, with broken magic", bytes("xxKAVKKAVRKKAVRO") + reply('q', 3, 0, 0x20, 0, {0}),
         {{REPLY_STATUS, 0, 1, {0}}}},
        {"byte 7 not 0", reply('c', 3, 1, 0x15, 0, {1}), {}},
        {"other class or function", reply('c', 2, 0, 0x15, 0, {1}) + reply('q', 3, 0, 0x21, 0, {0}), {}},
        {"known letters that fill nothing", reply('i', 3, 0, 0x20, 0, {0}) + reply('s', 3, 0, 0x15, 0, {1}), {}},
        {"bad letter or class starts over",
         bytes("KAVROx") + bytes("KAVROc\x09") + reply('c', 3, 0, 0x15, 0, {0}), {{REPLY_HANDSHAKE, 0, 1, {0}}}},
        {"data beyond 512 counted, not stored", reply('q', 3, 0, 0x20, 0, big) + reply('c', 3, 0, 0x12, 0, {0}),
         {{REPLY_STATUS, 0, 600, {0xAB}}, {REPLY_RESET, 0, 1, {0}}}},
        {"a magic inside data is data", reply('q', 3, 0, 0x20, 0, reply('c', 3, 0, 0x12, 0, {0})),
         {{REPLY_STATUS, 0, 15, {'K', 'A'}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ReplyParser parser;
        std::vector<Parsed> got;
        for (uint8_t b : c.stream)
            if (parser.feed(b)) {
                const ControlReply &r = parser.reply();
                Parsed p{r.type, r.result, r.length, {}};
                size_t n = std::min<size_t>(c.want.size() > got.size() ? c.want[got.size()].data.size() : 0, 512);
                p.data.assign(r.data.begin(), r.data.begin() + static_cast<long>(n));
                if (r.length == 600) {
                    EXPECT_EQ(r.data[511], 0x51);  // the last one kept
                }
                got.push_back(p);
            }
        ASSERT_EQ(got.size(), c.want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].type, c.want[i].type) << i;
            EXPECT_EQ(got[i].result, c.want[i].result) << i;
            EXPECT_EQ(got[i].length, c.want[i].length) << i;
            EXPECT_EQ(got[i].data, c.want[i].data) << i;
        }
    }
}

// A printer's control side on a loopback address: answers every request
// with the next scripted list of datagrams (none: silence).
class ControlPeer {
public:
    // answer_from: another address the answers come from.
    explicit ControlPeer(const Ipv4 &address, const Ipv4 *answer_from = nullptr) : socket_(Socket::udp()) {
        EXPECT_TRUE(socket_.bind_to(address, CONTROL_PORT));
        if (answer_from) {
            other_ = Socket::udp();
            EXPECT_TRUE(other_.bind_to(*answer_from, CONTROL_PORT));
        }
        EXPECT_TRUE(wake_.open());
        thread_ = std::thread([this] { serve(); });
    }
    ~ControlPeer() {
        stop_ = true;
        wake_.notify();
        thread_.join();
    }
    void script(std::vector<std::vector<Bytes>> answers) {
        std::lock_guard<std::mutex> hold(lock_);
        answers_ = std::move(answers);
    }
    std::vector<Bytes> requests() {
        std::lock_guard<std::mutex> hold(lock_);
        return requests_;
    }

private:
    void serve() {
        while (!stop_) {
            WaitItem items[2] = {{socket_.fd(), true}, {wake_.read_fd(), true}};
            wait_descriptors(items, -1);
            uint8_t buffer[600];
            Ipv4 from;
            uint16_t port = 0;
            long n = socket_.receive_datagram(buffer, sizeof buffer, &from, &port);
            if (n < 0) continue;
            std::vector<Bytes> answer;
            {
                std::lock_guard<std::mutex> hold(lock_);
                requests_.emplace_back(buffer, buffer + n);
                if (!answers_.empty()) {
                    answer = answers_.front();
                    answers_.erase(answers_.begin());
                }
            }
            Socket &out = other_.valid() ? other_ : socket_;
            for (const Bytes &datagram : answer) out.send_datagram(from, port, datagram.data(), datagram.size());
        }
    }

    Socket socket_;
    Socket other_;
    WakePipe wake_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::vector<Bytes>> answers_;
    std::vector<Bytes> requests_;
    std::thread thread_;
};

TEST(UdpControl, ResultsOfTheRequests) {
    const Ipv4 address{127, 0, 18, 1};
    ControlPeer peer(address);
    UdpControl control;
    ASSERT_TRUE(control.running());
    control.set_address(address);
    Bytes ready = reply('q', 3, 0, 0x20, 0, {0});
    Bytes split = bytes("\x01junkK") + ready;
    peer.script({
        {ready},
        {reply('q', 3, 0, 0x20, 0, {2})},                       // not ready
        {reply('q', 3, 0, 0x20, 1, {0})},                       // a failure result
        {Bytes(split.begin(), split.begin() + 9), Bytes(split.begin() + 9, split.end())},
        {reply('c', 3, 0, 0x15, 0, {1})},                       // off, echoed
        {reply('c', 3, 0, 0x15, 0, {0})},                       // off, refused
        {reply('c', 3, 0, 0x15, 0, {0})},                       // on, echoed
        {reply('c', 3, 0, 0x12, 0, {0})},                       // reset done
        {reply('c', 3, 0, 0x12, 0, {0, 0})},                    // reset, two data bytes
    });
    EXPECT_EQ(control.status_query(), 1);
    EXPECT_EQ(control.status_query(), 0);
    EXPECT_EQ(control.status_query(), 0);
    EXPECT_EQ(control.status_query(), 1);
    EXPECT_EQ(control.handshake(1), 1);
    EXPECT_EQ(control.handshake(1), 0);
    EXPECT_EQ(control.handshake(0), 1);
    EXPECT_EQ(control.reset(), 1);
    EXPECT_EQ(control.reset(), 0);
    std::vector<Bytes> sent = peer.requests();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[0], control_packet(ControlRequest::StatusQuery));
    EXPECT_EQ(sent[4], control_packet(ControlRequest::HandshakeOff));
    EXPECT_EQ(sent[6], control_packet(ControlRequest::HandshakeOn));
    EXPECT_EQ(sent[7], control_packet(ControlRequest::Reset));
}

TEST(UdpControl, AnswersFromAnotherAddressCount) {
    const Ipv4 address{127, 0, 18, 4}, elsewhere{127, 0, 18, 5};
    ControlPeer peer(address, &elsewhere);
    UdpControl control;
    control.set_address(address);
    peer.script({{reply('q', 3, 0, 0x20, 0, {0})}});
    EXPECT_EQ(control.status_query(), 1);
}

// A printer on a loopback address: the control side answers ready, the
// print port takes one connection.
struct PrinterPeer {
    explicit PrinterPeer(const Ipv4 &a) : address(a), control(a), listener(Socket::tcp()) {
        EXPECT_TRUE(listener.bind_to(address, PRINT_PORT));
        EXPECT_TRUE(listener.listen_for(4));
    }
    Socket accept() {
        for (int i = 0; i < 10000; ++i) {
            Socket s = listener.accept_one();
            if (s.valid()) return s;
            sleep_ms(1);
        }
        return Socket();
    }
    Ipv4 address;
    ControlPeer control;
    Socket listener;
};

std::string read_exactly(Socket &s, size_t n) {
    std::string got;
    for (int i = 0; i < 10000 && got.size() < n; ++i) {
        char buffer[256];
        long r = s.receive_some(buffer, std::min(sizeof buffer, n - got.size()));
        if (r > 0) got.append(buffer, static_cast<size_t>(r));
        else sleep_ms(1);
    }
    return got;
}

std::unique_ptr<EthernetDriver> configured_driver(const Ipv4 &address) {
    auto driver = std::make_unique<EthernetDriver>(0, PortKind::Ethernet);
    PortSettings settings;
    settings.kind = static_cast<int32_t>(PortKind::Ethernet);
    for (int i = 0; i < 4; ++i) settings.address[i] = address[static_cast<size_t>(i)];
    EXPECT_EQ(driver->configure(settings), 1);
    return driver;
}

std::atomic<int> busy_reports{0};
std::atomic<int> outages{0};

TEST(EthernetDriver, PrintsReadsAndReconnectsAfterTheClose) {
    PrinterPeer printer({127, 0, 18, 2});
    printer.control.script({{reply('q', 3, 0, 0x20, 0, {1})}});  // not ready still opens
    auto driver = configured_driver(printer.address);
    DriverCallbacks callbacks;
    callbacks.write_done = [](int32_t, int32_t, int32_t, int32_t ok) { busy_reports += ok ? 0 : 1; };
    callbacks.device_waiting = [](int32_t, const char *, const char *) { ++outages; };
    driver->set_callbacks(callbacks);
    ASSERT_EQ(driver->open(), 1);
    Socket link = printer.accept();
    ASSERT_TRUE(link.valid());
    EXPECT_EQ(printer.control.requests().size(), 1u);  // the query came before the connection

    int32_t written = 0;
    std::string job(100000, 'x');
    for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<char>('a' + i % 26);
    size_t at = 0;
    while (at < job.size()) {
        int32_t n = static_cast<int32_t>(std::min<size_t>(4096, job.size() - at));
        driver->write(0, reinterpret_cast<const uint8_t *>(job.data() + at), n, &written);
        at += static_cast<size_t>(written);
        if (written < n) driver->wait_output_space(10);
    }
    EXPECT_EQ(read_exactly(link, job.size()), job);

    link.send_some("\x12\x34", 2);
    for (int i = 0; i < 10000 && driver->pending_input() < 2; ++i) driver->wait_input(1);
    uint8_t got[2] = {};
    int32_t count = 0;
    EXPECT_EQ(driver->read(got, 2, &count), 1);
    EXPECT_EQ(got[0], 0x12);
    EXPECT_EQ(got[1], 0x34);

    // The printer closes: one held-off attempt and one outage notice, then
    // the status query and a new connection that gets what was queued since.
    busy_reports = outages = 0;
    printer.control.script({{reply('q', 3, 0, 0x20, 0, {0})}});
    link.close();
    for (int i = 0; i < 10000 && !driver->waiting_for_device(); ++i) sleep_ms(1);
    EXPECT_EQ(driver->waiting_for_device(), 1);
    EXPECT_EQ(driver->write(0, reinterpret_cast<const uint8_t *>("rest"), 4, &written), 1);
    Socket again = printer.accept();
    ASSERT_TRUE(again.valid());
    EXPECT_EQ(read_exactly(again, 4), "rest");
    EXPECT_EQ(printer.control.requests().size(), 2u);
    EXPECT_EQ(driver->waiting_for_device(), 0);
    EXPECT_EQ(busy_reports.load(), 1);
    EXPECT_EQ(outages.load(), 1);
    EXPECT_EQ(driver->close(), 1);
}

TEST(EthernetDriver, OpenFailsWithoutTheControlReplyOrTheConnection) {
    const Ipv4 address{127, 0, 18, 3};
    ControlPeer control(address);  // answers, but nothing listens on the print port
    control.script({{reply('q', 3, 0, 0x20, 0, {0})}});
    auto driver = configured_driver(address);
    EXPECT_EQ(driver->open(), 0);
    EXPECT_EQ(control.requests().size(), 1u);
}

}  // namespace
