#include "protocols/mmsh/chunk_stream.h"

#include <cstring>
#include <optional>

#include "formats/asf_file_writer.h"
#include "formats/asf_guids.h"
#include "formats/asf_packet.h"
#include "formats/asf_stream_header.h"
#include "formats/byte_sink.h"
#include "formats/le.h"
#include "protocols/asf_recording.h"
#include "protocols/client_hooks.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/stream_reader.h"

namespace mmsh {

namespace {

class ChunkLoop {
public:
    explicit ChunkLoop(const ChunkLoopContext& c)
        : c_(c), buf_(c.buffer), status_(*c.status), reader_(*c.reader), log_(*c.log)
    {
    }

    void Run();

private:
    bool Recording() const { return !c_.probe && c_.out; }
    bool ReadField(uint8_t* dst, size_t n);
    // Each returns false when the loop must end.
    bool HandleData(uint32_t sequence, uint32_t needed, uint32_t got, bool complete);
    bool HandleHeader(uint8_t partFlags, uint32_t needed, uint32_t got, bool complete);
    bool SaveHeader(uint32_t length);
    void Progress(uint32_t progress, uint32_t time);
    void WriteFailed();
    void Finish();

    const ChunkLoopContext& c_;
    uint8_t* buf_;
    TransferStatus& status_;
    StreamReader& reader_;
    MessageLog& log_;
    AsfFileWriter writer_;

    uint32_t accumulated_ = 0;
    uint32_t expected_ = 0;
    std::optional<uint32_t> firstSequence_;
    uint32_t lastTime_ = 0;
    bool headerParsed_ = false;
    bool serverEnded_ = false;
    bool writeFailed_ = false;
};

bool ChunkLoop::ReadField(uint8_t* dst, size_t n)
{
    if (reader_.Exhausted() || reader_.Read(dst, n) != n) {
        log_.Info("Connection reset");
        return false;
    }
    return true;
}

void ChunkLoop::Run()
{
    if (Recording()) {
        // Live streams are always re-timed here; the file is resumable when
        // it holds the header already.
        AsfFileWriter::Options options =
            asfrecording::WriterOptions(*c_.settings, AsfFileWriter::Patch::Live, /*alwaysRetimeLive=*/true);
        options.keptBytes = c_.existingSize;
        if (c_.keptHeader)
            options.keptHeader = *c_.keptHeader;
        if (c_.repeatedPacket)
            options.repeatedPacket = *c_.repeatedPacket;
        if (c_.continuation)
            options.continuation = *c_.continuation;
        writer_.Begin(c_.out, options);
    }
    for (;;) {
        if (reader_.Exhausted()) {
            log_.Info("Connection reset");
            break;
        }
        uint8_t head[12];
        if (!ReadField(head, 2))
            break;
        const uint16_t type = le::Load16(head);
        if (type == kChunkEnd) {
            log_.Info("Transfer complete.");
            serverEnded_ = true;
            break;
        }
        const bool known = type == kChunkHeader || type == kChunkData;
        if (!known)
            log_.Note("Unknown header type: $%04x", type);
        if (!ReadField(head + 2, 2) || !ReadField(head + 4, 4) || !ReadField(head + 8, 2) ||
            !ReadField(head + 10, 2))
            break;
        const uint16_t length = le::Load16(head + 2);
        const uint32_t sequence = le::Load32(head + 4);
        const uint8_t partFlags = head[9];
        if (le::Load16(head + 10) != length) {
            log_.Note("Length confirmation doesn't match!");
            break;
        }
        const int bodyLength = static_cast<int>(length) - 8;
        if (bodyLength > static_cast<int>(kExchangeBufferSize)) {
            log_.Note("Buffer too small. Chunk is %d bytes!", length);
            break;
        }
        if (bodyLength < 1) {
            log_.Note("Chunk has no body!");
            break;
        }
        // Header parts follow one another in the buffer; a first part starts
        // the header afresh, every other chunk starts at the beginning.
        if (type != kChunkHeader || (partFlags & kFirstHeaderPart))
            accumulated_ = 0;
        if (accumulated_ + static_cast<uint32_t>(bodyLength) > kExchangeBufferSize) {
            log_.Error("ASF header larger than %u bytes is not supported!",
                       static_cast<unsigned>(kExchangeBufferSize));
            break;
        }
        const uint32_t got =
            accumulated_ + static_cast<uint32_t>(reader_.Read(buf_ + accumulated_, bodyLength));
        const uint32_t needed = accumulated_ + static_cast<uint32_t>(bodyLength);
        const bool complete = got == needed;

        bool goOn = true;
        if (type == kChunkData) {
            if (c_.probe)
                break;
            goOn = HandleData(sequence, needed, got, complete);
        } else if (type == kChunkHeader) {
            goOn = HandleHeader(partFlags, needed, got, complete);
        }
        // Chunks of unknown type are not saved: written into the file they
        // would sit between data packets and spoil it.
        if (!goOn)
            break;
        if (c_.stop->load(std::memory_order_relaxed))
            break;
    }
    if (!c_.probe) {
        if (Recording())
            Finish();
        if (c_.stop->load(std::memory_order_relaxed))
            log_.Error("Transfer aborted!");
    }
}

bool ChunkLoop::HandleData(uint32_t sequence, uint32_t needed, uint32_t got, bool complete)
{
    if (!headerParsed_) {
        log_.Note("Data chunk before the ASF header (Chunk is NOT saved)");
        return true;
    }
    const uint32_t packetSize = status_.maxPacketSize;
    if (needed > packetSize) {
        // Written whole it would run into the next packet's slot.
        log_.Error("Chunk %u holds %u bytes, more than the packet size of %u!", sequence, needed, packetSize);
        return false;
    }
    if (!complete) {
        if (c_.out)
            log_.Note("Received incomplete chunk... (Chunk is NOT saved)");
        return true;  // the stream has ended: the next read says so
    }
    if (!firstSequence_)
        firstSequence_ = sequence;
    // A broadcast's packets are numbered from its first one.
    const uint32_t number = status_.durationMs == 0 ? sequence - *firstSequence_ : sequence;
    if (asf::SendTimeOffset(buf_, got) < 0)
        log_.Note("unknown format type: $%02x\n", buf_[3]);
    if (!Recording())
        return true;

    using P = AsfFileWriter::PacketResult;
    const P result = writer_.WritePacketAt(number, buf_, got);
    switch (result.status) {
    case P::Written:
    case P::LimitReached:
        *c_.bytesWritten += packetSize;
        if (result.timed)
            lastTime_ = result.timeMs;
        if (c_.hooks)
            c_.hooks->OnDataPacket(lastTime_);
        Progress(result.progress, lastTime_);
        return result.status == P::Written;
    case P::Repeated:
        return true;
    case P::OtherStream:
        log_.Error("The file holds another stream: it cannot be resumed");
        if (c_.hooks)
            c_.hooks->OnResumeRefused();
        return false;
    case P::OutOfRange:
        log_.Note("Chunk %u lies outside the stream (Chunk is NOT saved)", sequence);
        return true;
    case P::WriteFailed:
        WriteFailed();
        return false;
    case P::NoHeader:
    case P::NoSink:
        return false;
    }
    return false;
}

bool ChunkLoop::HandleHeader(uint8_t partFlags, uint32_t needed, uint32_t got, bool complete)
{
    if (partFlags & kFirstHeaderPart) {
        if (got < 24) {
            log_.Error("Unable to parse this ASF header!");
            return false;
        }
        expected_ = le::Load32(buf_ + 16) + static_cast<uint32_t>(asf::kDataObjectPrefix);
    }
    if (needed < expected_)
        log_.Info("receiving ASF header (%u/%u)!", needed, expected_);
    if (!(partFlags & kLastHeaderPart)) {
        accumulated_ = got;  // an incomplete part: the stream has ended anyway
        return true;
    }
    if (!complete)
        return true;  // cut short: nothing to parse or save; the next read ends the loop
    log_.Info("received ASF header!");
    if (headerParsed_) {
        // A second header in one stream (the server switched streams): its
        // packets would not fit the file recorded so far.
        log_.Note("The stream's ASF header changed; recording ends here.");
        serverEnded_ = true;
        return false;
    }
    AsfStreamHeader header;
    const AsfHeaderCheck check = ParseStreamHeader(buf_, needed, &header);
    if (check == AsfHeaderCheck::Malformed) {
        log_.Error("Unable to parse this ASF header!");
        return false;
    }
    const AsfFileProperties& props = header.properties;
    status_.filePropertiesOffset = static_cast<uint32_t>(header.filePropertiesAt);
    status_.fileSize = props.fileSize;
    status_.playDuration = props.playDuration;
    status_.preroll = static_cast<uint32_t>(props.preroll);
    status_.fileFlags = props.flags;
    status_.minPacketSize = props.minDataPacketSize;
    status_.maxPacketSize = props.maxDataPacketSize;
    if (check == AsfHeaderCheck::UnsupportedPacketSize) {
        log_.Error("not supported");
        status_.kind = TransferKind::Unusable;
        return false;
    }
    status_.durationMs = header.durationMs;
    status_.dataObjectOffset = static_cast<uint32_t>(header.dataObjectAt);
    headerParsed_ = true;
    if (c_.probe)
        return false;
    log_.Info("receiving stream...");
    return SaveHeader(needed);
}

bool ChunkLoop::SaveHeader(uint32_t length)
{
    if (!Recording())
        return true;
    using H = AsfFileWriter::HeaderResult;
    switch (writer_.WriteHeader(buf_, length)) {
    case H::Written:
        *c_.bytesWritten += length;
        Progress(0, 0);
        return true;
    case H::Kept:
        log_.Note("Not saving header since this is a RESUME.");
        return true;
    case H::Changed:
        log_.Note("The stream's ASF header changed; recording ends here.");
        return false;
    case H::WriteFailed:
        WriteFailed();
        return false;
    case H::OtherStream:
        log_.Error("The file holds another stream: it cannot be resumed");
        if (c_.hooks)
            c_.hooks->OnResumeRefused();
        return false;
    case H::Malformed:
    case H::UnsupportedPacketSize:
    case H::AlreadyTaken:
        break;  // checked above
    }
    return false;
}

void ChunkLoop::Progress(uint32_t progress, uint32_t time)
{
    if (c_.hooks)
        c_.hooks->OnProgress(*c_.bytesWritten - c_.progressFrom, progress, time);
}

void ChunkLoop::WriteFailed()
{
    if (writeFailed_)
        return;
    writeFailed_ = true;
    log_.Error("Unable to write the output file: %s", std::strerror(c_.out->Error()));
}

void ChunkLoop::Finish()
{
    if (!writer_.Finalise())
        WriteFailed();
    if (writer_.HeaderChanged() && c_.hooks)
        c_.hooks->OnStreamEnd(StreamEnd::HeaderChanged, 0);
    else if (writer_.HeaderTaken() && !writeFailed_ && c_.hooks)
        c_.hooks->OnStreamEnd(
            asfrecording::HowItEnded(writer_, c_.stop->load(std::memory_order_relaxed), serverEnded_),
            writer_.PacketsWritten());
}

}  // namespace

void RunChunkLoop(const ChunkLoopContext& context)
{
    ChunkLoop loop(context);
    loop.Run();
}

}  // namespace mmsh
