// libFuzzer target: one reply of a media server speaking MMS over HTTP, as
// the streaming client reads it over TCP: the reply head, then the body of
// a playlist reply or the framed chunk stream ("$H" header parts, "$D" data
// packets, "$E"), recorded into a file in memory.
//
// Byte 0 chooses the pieces in which TCP hands out the reply (see
// harness.h; the reply is read once whole and once in those pieces, and the
// results must agree). Byte 1: 0x01 a probe (nothing written), 0x02 a
// resume (the file holds 1000 bytes), 0x04 a size limit of 1 MB, 0x08 a
// time limit of 2 s. The rest is what the server sends.

#include <cstring>
#include <memory>
#include <string>

#include "formats/playlist_text.h"
#include "formats/printf.h"
#include "harness.h"
#include "protocols/mmsh/chunk_stream.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/reply_head.h"
#include "protocols/mmsh/stream_reader.h"
#include "protocols/mmsh/transfer_status.h"

namespace {

using namespace mmsh;

fuzzharness::ScriptedServer& Server()
{
    static auto* server = new fuzzharness::ScriptedServer();
    return *server;
}

// What the client learns from one reply, as text: the head, the kind, the
// messages, the hooks' reports, the transfer status and the file.
std::string ReadOnce(const std::string& reply, uint8_t options)
{
    fuzzharness::ScriptedServer& server = Server();
    server.Serve(reply);
    std::atomic<bool> stop{false};
    net::TcpConnection connection(stop);
    if (!fuzzharness::Connect(connection, server)) {
        server.Finish();
        return "no connection";
    }
    std::string out;
    MessageLog log;
    StreamReader reader(connection, log);

    // As the client takes a reply apart (MmshClient::CollectStream).
    const ReplyHead head = ReadReplyHead(reader, log);
    out += Printf("head %d [%s] [%s] [%s] %d %lld\n", head.statusCode, head.reason.c_str(),
                  head.contentType.c_str(), head.features.c_str(), head.illegalFirstLine ? 1 : 0,
                  head.contentLength);
    static std::unique_ptr<uint8_t[]> buffer(new uint8_t[kExchangeBufferSize]);
    std::memset(buffer.get(), 0, kExchangeBufferSize);
    TransferStatus status;
    bool readBody = false, textReply = false;
    TransferKind kind = KindFromContentType(head, &readBody, &textReply, log);
    if (readBody && !reader.Exhausted()) {
        size_t want = kExchangeBufferSize;
        if (head.contentLength >= 0 && static_cast<unsigned long long>(head.contentLength) < want)
            want = static_cast<size_t>(head.contentLength);
        status.bodyLength = static_cast<uint32_t>(reader.Read(buffer.get(), want));
    }
    if (textReply)
        kind = LooksLikePlaylist(buffer.get(), status.bodyLength) ? TransferKind::Playlist : TransferKind::Unusable;
    out += Printf("kind %u body %u text %d\n", static_cast<unsigned>(kind), status.bodyLength,
                  IsPlaylistText(buffer.get(), status.bodyLength) ? 1 : 0);
    if (head.statusCode != 200)
        kind = head.statusCode == 401 ? TransferKind::Unauthorised : TransferKind::HttpError;

    fuzzharness::MemorySink sink;
    fuzzharness::LoggingHooks hooks;
    uint64_t bytesWritten = 0;
    if (!reader.Exhausted() && (kind == TransferKind::Live || kind == TransferKind::OnDemand)) {
        AppSettings settings;
        settings.m_sizePolicy = (options & 0x04) ? 1 : 0;
        settings.m_maxSize = 1;
        settings.m_timePolicy = (options & 0x08) ? 1 : 0;
        settings.m_maxTime = 2;
        ChunkLoopContext context;
        context.probe = (options & 0x01) != 0;
        context.out = context.probe ? nullptr : &sink;
        if (options & 0x02) {
            context.existingSize = 1000;
            sink.WriteAt(0, std::string(1000, 'k').data(), 1000);
        }
        context.buffer = buffer.get();
        context.status = &status;
        context.reader = &reader;
        context.bytesWritten = &bytesWritten;
        context.settings = &settings;
        context.stop = &stop;
        context.hooks = &hooks;
        context.log = &log;
        RunChunkLoop(context);
    }
    connection.Close();
    server.Finish();

    out += hooks.log;
    out += Printf("status %u %u %llu %llu %u %u %u %u %u %u\n", static_cast<unsigned>(status.kind),
                  status.filePropertiesOffset, static_cast<unsigned long long>(status.fileSize),
                  static_cast<unsigned long long>(status.playDuration), status.preroll, status.minPacketSize,
                  status.maxPacketSize, status.fileFlags, status.dataObjectOffset, status.durationMs);
    out += Printf("written %llu file %zu\n", static_cast<unsigned long long>(bytesWritten), sink.bytes().size());
    out += sink.bytes();
    out += "last message: " + log.last() + "\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t pieces = data[0], options = data[1];
    const std::string reply(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string whole = ReadOnce(reply, options);
    fuzzharness::UsePieces(pieces);
    const std::string split = ReadOnce(reply, options);
    fuzzharness::ClearPieces();
    fuzzharness::ExpectSame("the MMS-over-HTTP reply", whole, split, pieces);
    return 0;
}
