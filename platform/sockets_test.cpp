#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/descriptors.h"
#include "platform/sockets.h"

namespace {

// Each test listens on an address of its own, so runs in parallel never meet.
struct Loopback {
    Socket listener = Socket::tcp();
    Ipv4 address;

    explicit Loopback(uint8_t last) : address{127, 0, 25, last} {
        EXPECT_TRUE(listener.bind_to(address, 9100));
        EXPECT_TRUE(listener.listen_for(4));
    }

    // A connected pair: ours (the host's side) and the accepted one.
    std::pair<Socket, Socket> connect() {
        Socket host = Socket::tcp();
        EXPECT_EQ(host.connect_to(address, 9100, 10000), 1);
        WaitItem item{listener.fd(), true};
        EXPECT_EQ(wait_descriptors({&item, 1}, 10000), 1);
        return {std::move(host), listener.accept_one()};
    }
};

// A datagram port of its own: Wine binds a datagram socket for every
// address at once, so a fixed port may be taken by a parallel run.
uint16_t bind_free_port(Socket &s, const Ipv4 &address) {
    for (uint16_t port = 47000; port < 47200; ++port)
        if (s.bind_to(address, port)) return port;
    ADD_FAILURE() << "no free datagram port";
    return 0;
}

// Reads until size bytes came or the peer closed.
std::string receive(Socket &s, size_t size) {
    std::string got;
    char buffer[256];
    while (got.size() < size) {
        WaitItem item{s.fd(), true};
        if (wait_descriptors({&item, 1}, 10000) <= 0) break;
        long n = s.receive_some(buffer, sizeof buffer);
        if (n == 0 || n == -2) break;
        if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

TEST(Ipv4Text, StrictDottedForm) {
    const struct {
        const char *text;
        bool ok;
    } cases[] = {{"127.0.0.1", true}, {"255.255.255.255", true}, {"0.0.0.0", true},
                 {"256.0.0.1", false}, {"1.2.3", false},          {"1.2.3.4.", false},
                 {"1..2.3", false},    {" 1.2.3.4", false},       {"1.2.3.0004", false}};
    for (const auto &c : cases) {
        Ipv4 out{};
        EXPECT_EQ(ipv4_from_text(c.text, &out), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(ipv4_text(out), c.text);
        }
    }
}

TEST(Sockets, BytesBothWaysAndTheEndOfTheConnection) {
    Loopback net(1);
    auto [host, printer] = net.connect();
    ASSERT_TRUE(printer.valid());
    char byte;
    EXPECT_EQ(host.receive_some(&byte, 1), -1);  // nothing there yet
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    EXPECT_EQ(host.send_some(all.data(), all.size()), 256);
    EXPECT_EQ(receive(printer, 256), all);
    EXPECT_EQ(printer.send_some("\x12", 1), 1);
    EXPECT_EQ(receive(host, 1), "\x12");
    printer.shutdown_send();
    WaitItem item{host.fd(), true};
    ASSERT_EQ(wait_descriptors({&item, 1}, 10000), 1);
    EXPECT_EQ(host.receive_some(&byte, 1), 0);
}

TEST(Sockets, ReplacedConnectionKeepsItsNumber) {
    Loopback net(2);
    auto [host, first] = net.connect();
    auto [fresh, second] = net.connect();
    int number = host.fd();
    ASSERT_TRUE(host.replace_with(std::move(fresh)));
    EXPECT_EQ(host.fd(), number);
    EXPECT_FALSE(fresh.valid());
    EXPECT_EQ(host.send_some("new", 3), 3);
    EXPECT_EQ(receive(second, 3), "new");
    EXPECT_EQ(receive(first, 1), "");  // the old connection was closed
}

TEST(Sockets, RefusedAndCancelledConnects) {
    Socket nobody = Socket::tcp();
    EXPECT_EQ(nobody.connect_to({127, 0, 25, 3}, 9, 10000), 0);

    // A wake from another thread ends a wait that would otherwise run out.
    WakePipe wake;
    ASSERT_TRUE(wake.open());
    Socket quiet = Socket::udp();
    bind_free_port(quiet, {127, 0, 25, 4});
    std::thread waker([&] { wake.notify(); });
    WaitItem items[2] = {{quiet.fd(), true}, {wake.read_fd(), true}};
    EXPECT_EQ(wait_descriptors(items, 60000), 1);
    EXPECT_TRUE(items[1].readable);
    EXPECT_FALSE(items[0].readable);
    waker.join();
    wake.drain();
    EXPECT_EQ(wait_descriptors(items, 0), 0);
}

TEST(Sockets, LongDatagramKeepsItsFirstBytes) {
    Socket printer = Socket::udp();
    uint16_t port = bind_free_port(printer, {127, 0, 25, 5});
    Socket host = Socket::udp();
    EXPECT_EQ(host.send_datagram({127, 0, 25, 5}, port, "KAVROq-and-more", 15), 15);
    WaitItem item{printer.fd(), true};
    ASSERT_EQ(wait_descriptors({&item, 1}, 10000), 1);
    char buffer[6] = {};
    Ipv4 from{};
    EXPECT_EQ(printer.receive_datagram(buffer, 6, &from, nullptr), 6);
    EXPECT_EQ(std::string(buffer, 6), "KAVROq");
    EXPECT_EQ(ipv4_text(from), "127.0.0.1");
    EXPECT_EQ(printer.receive_datagram(buffer, 6, nullptr, nullptr), -1);  // the rest is gone
}

}  // namespace
