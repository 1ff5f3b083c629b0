// The chunk loop on its own, fed over a loopback socket: damaged streams
// of every kind end the loop without a read or write outside the buffers
// (the sanitizer builds watch that) and never place data far out in the file.

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "formats/le.h"
#include "mmsh_test_util.h"
#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/stream_reader.h"
#include "protocols/net/tcp_connection.h"
#include "test_support.h"

using namespace mmsh;

namespace {

std::string Chunk(char type, const std::string& body, uint32_t sequence, uint8_t flags)
{
    std::string c = {'$', type};
    uint8_t head[10];
    le::Store16(head, static_cast<uint16_t>(body.size() + 8));
    le::Store32(head + 2, sequence);
    head[6] = 0;
    head[7] = flags;
    le::Store16(head + 8, static_cast<uint16_t>(body.size() + 8));
    c.append(reinterpret_cast<const char*>(head), sizeof(head));
    return c + body;
}

// The sample as a server sends it; live: a broadcast header (no play
// duration) and packet numbers that start at 5000.
std::string Stream(const mmshtest::AsfParts& parts, bool live)
{
    std::string header = parts.header;
    if (live)
        header.replace(parts.filePropertiesOffset + 64, 8, std::string(8, '\0'));
    std::string s = Chunk('H', header, 0, 0x0C);
    for (size_t i = 0; i < parts.packets.size(); ++i)
        s += Chunk('D', parts.packets[i], static_cast<uint32_t>(i + (live ? 5000 : 0)), 0);
    return s + "$E" + std::string(10, '\0');
}

struct LoopResult {
    uint64_t fileSize = 0;
    std::string lastMessage;
};

// Serves bytes on a loopback connection and runs the media chunk loop on it.
LoopResult RunLoop(const std::string& bytes, bool live, const testsupport::TempDir& dir)
{
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener, 1);
    socklen_t len = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &len);
    std::thread server([&] {
        int c = accept(listener, nullptr, nullptr);
        size_t off = 0;
        while (off < bytes.size()) {
            ssize_t n = send(c, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            off += static_cast<size_t>(n);
        }
        close(c);
    });

    LoopResult result;
    {
        std::atomic<bool> stop{false};
        net::TcpConnection connection(stop);
        connection.SetIdleTimeout(5000);
        EXPECT_EQ(connection.Connect(address, 2000), net::TcpConnection::Status::Ok);
        MessageLog log;
        StreamReader reader(connection, log);
        std::vector<uint8_t> buffer(kExchangeBufferSize);
        const std::string path = dir.File("loop.asf");
        FILE* out = std::fopen(path.c_str(), "wb+");
        TransferStatus status;
        status.kind = live ? TransferKind::Live : TransferKind::OnDemand;
        uint32_t written = 0;
        ChunkLoopContext context;
        context.out = out;
        context.buffer = buffer.data();
        context.status = &status;
        context.reader = &reader;
        context.bytesWritten = &written;
        context.stop = &stop;
        context.log = &log;
        RunChunkLoop(context);
        std::fclose(out);
        result.fileSize = testsupport::FileSize(path);
        result.lastMessage = log.last();
    }
    server.join();
    close(listener);
    return result;
}

TEST(ChunkLoop, DamagedStreamsEndSafely)
{
    const mmshtest::AsfParts parts = mmshtest::SplitAsf(testsupport::ReadFile(mmshtest::ShortSample()));
    ASSERT_FALSE(parts.packets.empty());
    testsupport::TempDir dir;
    std::mt19937 random(20240601);
    for (bool live : {false, true}) {
        const std::string clean = Stream(parts, live);
        LoopResult whole = RunLoop(clean, live, dir);
        EXPECT_EQ(whole.fileSize, parts.header.size() + parts.packets.size() * parts.packetSize);
        for (int round = 0; round < 150; ++round) {
            std::string damaged = clean;
            const int flips = 1 + static_cast<int>(random() % 24);
            for (int i = 0; i < flips; ++i) {
                // Mostly where it hurts: the chunk framing and packet headers.
                size_t at = random() % 2 ? random() % damaged.size() : random() % std::min<size_t>(damaged.size(), 2048);
                damaged[at] = static_cast<char>(random());
            }
            if (random() % 3 == 0)
                damaged.resize(random() % damaged.size());
            LoopResult r = RunLoop(damaged, live, dir);
            // No hostile number may place a packet far out in the file.
            const uint64_t limit = kExchangeBufferSize +
                                   (uint64_t{parts.packets.size()} + kMaxLiveSequenceJump + 1) * 65535;
            EXPECT_LE(r.fileSize, limit) << "round " << round << ": " << r.lastMessage;
        }
    }
}

}  // namespace
