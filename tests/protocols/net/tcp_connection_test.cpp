#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "protocols/net/socket_error.h"
#include "protocols/net/tcp_connection.h"

namespace {

using net::TcpConnection;
using Status = TcpConnection::Status;
using Clock = std::chrono::steady_clock;

// Every wait of a connection ends: at a stop, after the idle time, or at
// once when the peer refuses; the stream clients rely on nothing else.
TEST(TcpConnection, StopIdleTimeAndRefusalEndEveryWait)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::atomic<bool> stop{false};
    char buffer[16];
    size_t got = 0;

    TcpConnection idle(stop);  // a silent peer, an idle limit
    idle.SetIdleTimeout(200);
    ASSERT_EQ(idle.Connect(address, 2000), Status::Ok);
    EXPECT_EQ(idle.ReceiveSome(buffer, sizeof(buffer), &got), Status::TimedOut);
    EXPECT_EQ(idle.LastError(), ETIMEDOUT);

    TcpConnection waiting(stop);  // a silent peer, no idle limit: only a stop ends it
    waiting.SetIdleTimeout(0);
    ASSERT_EQ(waiting.Connect(address, 2000), Status::Ok);
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stop = true;
    });
    const auto start = Clock::now();
    EXPECT_EQ(waiting.ReceiveExact(buffer, sizeof(buffer), &got), Status::Stopped);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    stopper.join();
    EXPECT_EQ(TcpConnection(stop).Connect(address, 2000), Status::Stopped);  // nothing starts after a stop

    close(listener);
    stop = false;
    TcpConnection refused(stop);
    EXPECT_EQ(refused.Connect(address, 2000), Status::Failed);
    EXPECT_EQ(net::SocketErrorName(refused.LastError()), "CONNREFUSED");
    EXPECT_FALSE(refused.IsOpen());
}

}  // namespace
