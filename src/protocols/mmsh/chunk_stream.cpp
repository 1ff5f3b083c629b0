#include "protocols/mmsh/chunk_stream.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "formats/asf_guids.h"
#include "formats/le.h"
#include "protocols/asfout/asf_packet.h"
#include "protocols/client_hooks.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/output_file.h"
#include "protocols/mmsh/stream_reader.h"

namespace mmsh {

namespace {

using namespace asfout;

class ChunkLoop {
public:
    explicit ChunkLoop(const ChunkLoopContext& c)
        : c_(c), buf_(c.buffer), status_(*c.status), reader_(*c.reader), log_(*c.log)
    {
        if (c_.out && !c_.probe)
            out_.emplace(c_.out);
    }

    void Run();

private:
    bool Live() const { return status_.durationMs == 0; }
    bool ReadField(uint8_t* dst, size_t n);
    // Each returns false when the loop must end.
    bool HandleData(uint32_t sequence, uint32_t needed, uint32_t got, bool complete);
    bool HandleHeader(uint8_t partFlags, uint32_t needed, uint32_t got, bool complete);
    bool SaveHeader(uint32_t length);
    bool SaveData(uint32_t slot);
    void RebaseLive();
    void Progress();
    void PatchAsfHeader();
    bool Write(uint64_t position, const void* data, size_t n);
    bool PatchField(uint64_t position, uint64_t value, size_t size);

    const ChunkLoopContext& c_;
    uint8_t* buf_;
    TransferStatus& status_;
    StreamReader& reader_;
    MessageLog& log_;
    std::optional<OutputFile> out_;

    uint32_t accumulated_ = 0;
    uint32_t expected_ = 0;
    std::optional<uint32_t> firstSequence_;
    std::optional<uint32_t> firstSendTime_;
    uint32_t largestTime_ = 0;
    uint32_t time_ = 0;
    uint32_t progress_ = 0;
    std::optional<uint32_t> highestSlot_;
    uint32_t packetSize_ = 0;
    uint64_t headerPacketCount_ = 0;  // as the server's header gives it
    bool headerParsed_ = false;
    bool headerSaved_ = false;
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
        if (!goOn || writeFailed_)
            break;
        if (c_.stop->load(std::memory_order_relaxed))
            break;
    }
    if (!c_.probe) {
        if (out_ && headerParsed_ && (headerSaved_ || c_.existingSize > 0))
            PatchAsfHeader();
        if (out_ && !writeFailed_ && !out_->Finish())
            log_.Error("Unable to write the output file: %s", std::strerror(out_->lastErrno()));
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
    if (needed > packetSize_) {
        // Written whole it would run into the next packet's slot.
        log_.Error("Chunk %u holds %u bytes, more than the packet size of %u!", sequence, needed,
                   packetSize_);
        return false;
    }
    if (!complete) {
        if (c_.out)
            log_.Note("Received incomplete chunk... (Chunk is NOT saved)");
        return true;  // the stream has ended: the next read says so
    }
    // The packet is written whole, padding included, from the buffer.
    std::memset(buf_ + got, 0, packetSize_ - got);

    if (!firstSequence_)
        firstSequence_ = sequence;
    uint32_t slot = Live() ? sequence - *firstSequence_ : sequence;

    const int timeOffset = SendTimeOffset(buf_, packetSize_);
    if (timeOffset < 0) {
        log_.Note("unknown format type: $%02x\n", buf_[3]);
        time_ = 0;
    } else {
        uint32_t t = le::Load32(buf_ + timeOffset);
        if (!firstSendTime_)
            firstSendTime_ = t;
        if (Live()) {
            // A packet sent before the first one counts as time 0, as its
            // rewritten send time does.
            t = t > *firstSendTime_ ? t - *firstSendTime_ : 0;
            RebaseLive();
        }
        largestTime_ = std::max(largestTime_, t);
        time_ = t;
    }
    progress_ = 0;
    if (!Live())
        progress_ = static_cast<uint32_t>(
            std::min(10000.0, static_cast<double>(time_) * 10000.0 / status_.durationMs));

    bool plausible = Live() ? slot <= (highestSlot_ ? *highestSlot_ : 0) + kMaxLiveSequenceJump
                            : headerPacketCount_ == 0 || slot < headerPacketCount_;
    if (!plausible) {
        log_.Note("Chunk %u lies outside the stream (Chunk is NOT saved)", sequence);
        return true;
    }
    return SaveData(slot);
}

void ChunkLoop::RebaseLive()
{
    RebaseReach reach;
    RebasePacketTimes(buf_, packetSize_, *firstSendTime_, packetSize_, &reach);
    if (reach.reached > packetSize_)
        log_.Note("WARNING! buffer pointer %zu bytes after packet!", reach.reached - packetSize_);
    else if (reach.reached > reach.payloadsEnd)
        log_.Note("WARNING! buffer pointer %zu bytes after packet-padlen!",
                  reach.reached - reach.payloadsEnd);
    else if (reach.reached < reach.payloadsEnd)
        log_.Note("NOTE: %zu bytes not covered by payload", reach.payloadsEnd - reach.reached);
}

bool ChunkLoop::SaveData(uint32_t slot)
{
    if (!out_)
        return true;
    uint64_t position = static_cast<uint64_t>(status_.dataObjectOffset) + asf::kDataObjectPrefix +
                        static_cast<uint64_t>(slot) * packetSize_;
    if (!Write(position, buf_, packetSize_))
        return false;
    if (!highestSlot_ || slot > *highestSlot_)
        highestSlot_ = slot;
    Progress();
    return true;
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
        return false;
    }
    const int fp = FindFilePropertiesObject(buf_, got);
    if (fp < 0 || static_cast<size_t>(fp) + kFpObjectSize > got ||
        !asf::kData.Matches(buf_ + needed - asf::kDataObjectPrefix)) {
        log_.Error("Unable to parse this ASF header!");
        return false;
    }
    const AsfFileProperties props = ReadFileProperties(buf_ + fp);
    status_.filePropertiesOffset = static_cast<uint32_t>(fp);
    status_.fileSizeLow = static_cast<uint32_t>(props.fileSize);
    status_.fileSizeHigh = static_cast<uint32_t>(props.fileSize >> 32);
    status_.playDurationLow = static_cast<uint32_t>(props.playDuration);
    status_.playDurationHigh = static_cast<uint32_t>(props.playDuration >> 32);
    status_.preroll = static_cast<uint32_t>(props.preroll);
    status_.fileFlags = props.flags;
    status_.minPacketSize = props.minDataPacketSize;
    status_.maxPacketSize = props.maxDataPacketSize;
    if (status_.maxPacketSize >= 65536 || status_.minPacketSize != status_.maxPacketSize ||
        status_.maxPacketSize == 0) {
        log_.Error("not supported");
        status_.kind = TransferKind::Unusable;
        return false;
    }
    packetSize_ = status_.maxPacketSize;
    status_.durationMs = DurationFromHeader(status_);
    status_.dataObjectOffset = needed - static_cast<uint32_t>(asf::kDataObjectPrefix);
    headerPacketCount_ = le::Load64(buf_ + status_.dataObjectOffset + kDataPacketCount);
    headerParsed_ = true;
    if (c_.probe)
        return false;
    log_.Info("receiving stream...");
    return SaveHeader(needed);
}

bool ChunkLoop::SaveHeader(uint32_t length)
{
    if (c_.existingSize >= length) {
        log_.Note("Not saving header since this is a RESUME.");
        return true;
    }
    if (!out_)
        return true;
    // Always at the start of the file, where the packet slots and the
    // final rewrite expect it, wherever the file was handed over (a live
    // stream written over a partial file, or a resumed file too short to
    // hold the whole header).
    if (!out_->WriteAt(0, buf_, length)) {
        writeFailed_ = true;
        log_.Error("Unable to write the output file: %s", std::strerror(out_->lastErrno()));
        return false;
    }
    *c_.bytesWritten += length;
    headerSaved_ = true;
    progress_ = 0;
    Progress();
    return true;
}

bool ChunkLoop::Write(uint64_t position, const void* data, size_t n)
{
    if (!out_->WriteAt(position, data, n)) {
        writeFailed_ = true;
        log_.Error("Unable to write the output file: %s", std::strerror(out_->lastErrno()));
        return false;
    }
    *c_.bytesWritten += static_cast<uint32_t>(n);
    return true;
}

void ChunkLoop::Progress()
{
    if (c_.hooks)
        c_.hooks->OnProgress(*c_.bytesWritten, progress_, time_);
}

bool ChunkLoop::PatchField(uint64_t position, uint64_t value, size_t size)
{
    uint8_t bytes[8];
    le::Store64(bytes, value);
    return Write(position, bytes, size);
}

void ChunkLoop::PatchAsfHeader()
{
    const uint64_t fp = status_.filePropertiesOffset;
    const uint64_t packets = highestSlot_ ? uint64_t{*highestSlot_} + 1 : 0;
    const uint64_t dataBytes = packets * packetSize_;
    const uint64_t dataEnd = status_.dataObjectOffset + asf::kDataObjectPrefix + dataBytes;
    uint64_t length = 0;
    if (!out_->Length(&length)) {
        log_.Error("Unable to write the output file: %s", std::strerror(out_->lastErrno()));
        return;
    }
    if (Live() && headerSaved_ && length > dataEnd) {
        // Whatever lay beyond the recording (an older, longer file written
        // over) is not part of it.
        if (out_->Truncate(dataEnd))
            length = dataEnd;
    }
    if (!PatchField(fp + kFpFileSize, length, 8) || !Live())
        return;
    // Finished and seekable: the packets saved, play duration with the
    // preroll, send duration without it.
    const uint64_t play = (uint64_t{largestTime_} + status_.preroll) * 10000;
    const uint64_t send = uint64_t{largestTime_} * 10000;
    PatchField(fp + kFpPacketCount, packets, 8) && PatchField(fp + kFpPlayDuration, play, 8) &&
        PatchField(fp + kFpSendDuration, send, 8) && PatchField(fp + kFpFlags, kSeekableFlags, 4) &&
        PatchField(status_.dataObjectOffset + kDataObjectSize, dataBytes + asf::kDataObjectPrefix, 8) &&
        PatchField(status_.dataObjectOffset + kDataPacketCount, packets, 4);
}

}  // namespace

uint32_t DurationFromHeader(const TransferStatus& s)
{
    if (s.playDurationHigh == 0 && s.playDurationLow == 0)
        return 0;
    uint64_t playMs = static_cast<uint64_t>(s.playDurationHigh * 429496.7296) + s.playDurationLow / 10000;
    // A stream no longer than its preroll still is not live; the unsigned
    // difference would wrap to some 49 days.
    if (playMs <= s.preroll)
        return 1;
    return static_cast<uint32_t>(std::min<uint64_t>(playMs - s.preroll, UINT32_MAX));
}

void RunChunkLoop(const ChunkLoopContext& context)
{
    ChunkLoop loop(context);
    loop.Run();
}

}  // namespace mmsh
