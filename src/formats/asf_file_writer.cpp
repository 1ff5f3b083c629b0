#include "formats/asf_file_writer.h"

#include <algorithm>
#include <cstring>

#include "formats/asf_file_info.h"
#include "formats/asf_guids.h"
#include "formats/asf_packet.h"
#include "formats/byte_sink.h"
#include "formats/le.h"

namespace {

constexpr uint64_t kMegabyte = 1048576;
// Packets announced by a duration alone count as whole within this much.
constexpr uint64_t kDurationSlackMs = 1000;

uint32_t Rebased(uint32_t value, uint32_t base) { return value > base ? value - base : 0; }

}  // namespace

const std::vector<uint8_t>& AsfFileWriter::DefaultIndexObject()
{
    static const std::vector<uint8_t> index = {
        0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11, 0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB,
        62, 0, 0, 0, 0, 0, 0, 0,
        0x43, 0xFC, 0xE6, 0x05, 0xEF, 0xAC, 0x18, 0x4E, 0x8A, 0xCA, 0xBC, 0x82, 0x81, 0x5A, 0x60, 0x4D,
        0x80, 0x96, 0x98, 0x00, 0, 0, 0, 0,  // entry time interval: 1 s in 100 ns units
        0, 0, 0, 0,                          // maximum packet count
        1, 0, 0, 0,                          // one entry
        0, 0, 0, 0, 0, 0,                    // packet 0, count 0
    };
    return index;
}

void AsfFileWriter::Begin(ByteSink* sink, const Options& options)
{
    sink_ = sink;
    options_ = options;
    startPosition_ = sink ? sink->Position() : 0;
    header_ = AsfStreamHeader{};
    headerTaken_ = false;
    keptPackets_ = options.keptPackets;
    base_ = 0;
    packetsEnd_ = 0;
    scratch_.clear();
    bytesWritten_ = 0;
    packetsWritten_ = 0;
    firstSendTime_.reset();
    numberBase_ = 0;
    timeBase_ = 0;
    headerChanged_ = false;
    repeatPending_ = false;
    otherStream_ = false;
    highestTime_ = 0;
    highestEndMs_ = 0;
    limitReached_ = false;
    writeFailed_ = false;
}

bool AsfFileWriter::Write(uint64_t position, const void* data, size_t n)
{
    if (sink_->WriteAt(position, data, n))
        return true;
    writeFailed_ = true;
    return false;
}

AsfFileWriter::HeaderResult AsfFileWriter::WriteHeader(const uint8_t* data, size_t length)
{
    if (headerTaken_)
        return HeaderResult::AlreadyTaken;
    AsfStreamHeader header;
    switch (ParseStreamHeader(data, length, &header)) {
    case AsfHeaderCheck::Ok: break;
    case AsfHeaderCheck::Malformed: return HeaderResult::Malformed;
    case AsfHeaderCheck::UnsupportedPacketSize: return HeaderResult::UnsupportedPacketSize;
    }
    const bool resuming = keptPackets_ > 0 || options_.keptBytes >= header.length;
    if (resuming && !options_.keptHeader.empty() &&
        !SameAsfStream(options_.keptHeader.data(), options_.keptHeader.size(), data, length))
        return HeaderResult::OtherStream;
    if (options_.continuation)
        return Continue(data, length, header);
    header_ = header;
    const uint64_t size = header_.packetSize;
    scratch_.assign(header_.packetSize, 0);
    base_ = header_.length;
    bool kept = false;
    if (keptPackets_ > 0) {
        // Packets in order go on where the file was handed over.
        kept = true;
        if (startPosition_ >= keptPackets_ * size)
            base_ = startPosition_ - keptPackets_ * size;
    } else if (options_.keptBytes >= header_.length) {
        kept = true;
        keptPackets_ = (options_.keptBytes - header_.length) / size;
    }
    packetsEnd_ = keptPackets_;
    headerTaken_ = true;
    if (kept) {
        repeatPending_ = !options_.repeatedPacket.empty();
        return HeaderResult::Kept;
    }
    if (sink_ && !Write(0, data, length))
        return HeaderResult::WriteFailed;
    bytesWritten_ += length;
    return HeaderResult::Written;
}

AsfFileWriter::HeaderResult AsfFileWriter::Continue(const uint8_t* data, size_t length,
                                                   const AsfStreamHeader& header)
{
    const Continuation& c = *options_.continuation;
    AsfStreamHeader kept;
    if (!header.Live() || !SameStreams(c.header.data(), c.header.size(), data, length) ||
        ParseStreamHeader(c.header.data(), c.header.size(), &kept) != AsfHeaderCheck::Ok) {
        headerChanged_ = true;
        return HeaderResult::Changed;
    }
    // The session's header says what the stream is; the file's own says
    // where its fields lie, for Finalise.
    header_ = header;
    header_.length = kept.length;
    header_.filePropertiesAt = kept.filePropertiesAt;
    header_.dataObjectAt = kept.dataObjectAt;
    scratch_.assign(header_.packetSize, 0);
    base_ = header_.length;
    keptPackets_ = c.packets;
    packetsEnd_ = keptPackets_;
    numberBase_ = keptPackets_;
    highestTime_ = c.lastTimeMs;
    headerTaken_ = true;
    return HeaderResult::Kept;
}

uint32_t AsfFileWriter::ContinuationBase(const uint8_t* packet, size_t length) const
{
    const Continuation& c = *options_.continuation;
    // The session's first media time may lie before its first send time (a
    // frame sent late): it is what must follow the file's latest time.
    asf::PacketLayout layout;
    asf::WalkDataPacket(packet, length, header_.packetSize, &layout);
    const int64_t preroll = static_cast<int64_t>(std::min<uint64_t>(header_.properties.preroll, 60000));
    int64_t lead = 0;
    for (size_t i = 0; i < layout.payloadCount; ++i) {
        const asf::PacketLayout::Payload& p = layout.payloads[i];
        if (!p.hasPresentationTime)
            continue;
        lead = std::min<int64_t>(lead, int64_t{p.presentationTime} - preroll - int64_t{layout.sendTime});
    }
    lead = std::max<int64_t>(lead, -60000);
    return c.lastTimeMs + c.stepMs + static_cast<uint32_t>(-lead);
}

uint64_t AsfFileWriter::PacketsInFile() const { return packetsEnd_; }

AsfFileWriter::PacketResult AsfFileWriter::WritePacket(const uint8_t* packet, size_t length)
{
    const uint64_t number = keptPackets_ + packetsWritten_;
    return Place(base_ + number * header_.packetSize, number, packet, length);
}

AsfFileWriter::PacketResult AsfFileWriter::WritePacketAt(uint64_t number, const uint8_t* packet,
                                                         size_t length)
{
    PacketResult result;
    if (!headerTaken_)
        return result;
    number += numberBase_;
    const uint64_t reach = std::max<uint64_t>(packetsEnd_, 1) - 1 + kMaxNumberJump;
    // Slots in the file once this packet is in, against the packets there.
    const uint64_t slots = std::max(packetsEnd_, number + 1);
    const uint64_t held = keptPackets_ + packetsWritten_ + 1;
    const bool announced = !Live() && header_.declaredPackets != 0;
    const bool inRange = number <= reach && slots - std::min(slots, held) <= held + kMaxNumberJump &&
                         (!announced || number < header_.declaredPackets);
    if (!inRange) {
        result.status = PacketResult::OutOfRange;
        return result;
    }
    return Place(header_.length + number * header_.packetSize, number, packet, length);
}

AsfFileWriter::PacketResult AsfFileWriter::Place(uint64_t position, uint64_t number,
                                                 const uint8_t* packet, size_t length)
{
    PacketResult result;
    if (!headerTaken_)
        return result;
    // Every packet in the file has the stream's packet size: a longer one
    // is cut (its tail can only be padding or garbage), a shorter one padded.
    const size_t size = header_.packetSize;
    const size_t n = std::min(length, size);
    std::memcpy(scratch_.data(), packet, n);
    std::memset(scratch_.data() + n, 0, size - n);
    if (repeatPending_ || otherStream_) {
        result.status = CheckRepeat(number);
        if (result.status != PacketResult::Written)
            return result;
    }
    uint8_t* p = scratch_.data();
    Stamp(p, &result);
    if (!sink_) {
        result.status = PacketResult::NoSink;
        return result;
    }
    if (!Write(position, p, size)) {
        result.status = PacketResult::WriteFailed;
        return result;
    }
    result.status = Count(number, 1, result.timeMs, result.timeMs);
    return result;
}

AsfFileWriter::PacketResult::Status AsfFileWriter::CheckRepeat(uint64_t number)
{
    if (otherStream_)
        return PacketResult::OtherStream;
    // A stream that starts earlier (by number) sends packets the file holds;
    // one that starts later has skipped the proof.
    if (number < keptPackets_)
        return PacketResult::Repeated;
    const std::vector<uint8_t>& mine = options_.repeatedPacket;
    if (number > keptPackets_ || mine.size() != scratch_.size() ||
        !asf::SamePayloads(mine.data(), scratch_.data(), header_.packetSize)) {
        otherStream_ = true;
        return PacketResult::OtherStream;
    }
    // The file's copy stays; the stream goes on after it.
    repeatPending_ = false;
    keptPackets_ = number + 1;
    packetsEnd_ = std::max(packetsEnd_, keptPackets_);
    return PacketResult::Repeated;
}

AsfFileWriter::PacketResult AsfFileWriter::WritePackets(uint8_t* packets, size_t count, size_t* written)
{
    PacketResult result;
    *written = 0;
    if (!headerTaken_ || count == 0)
        return result;
    if (!sink_) {
        result.status = PacketResult::NoSink;
        return result;
    }
    const size_t size = header_.packetSize;
    const uint64_t number = keptPackets_ + packetsWritten_;
    // Each packet is re-timed where it lies; the packet that reaches a
    // limit is the last one of the batch.
    size_t n = 0;
    uint32_t highest = 0, last = 0;
    bool limit = false;
    while (n < count && !limit) {
        PacketResult one;
        Stamp(packets + n * size, &one);
        if (one.timed) {
            result.timed = true;
            result.progress = one.progress;
        }
        last = one.timeMs;
        highest = std::max(highest, last);
        ++n;
        limit = ReachesLimit(last, bytesWritten_ + n * size);
    }
    if (!Write(base_ + number * size, packets, n * size)) {
        result.status = PacketResult::WriteFailed;
        return result;
    }
    result.timeMs = last;
    result.status = Count(number + n - 1, n, highest, last);
    *written = n;
    return result;
}

void AsfFileWriter::Stamp(uint8_t* p, PacketResult* result)
{
    const size_t size = header_.packetSize;
    const bool continuing = options_.continuation.has_value();
    const bool fromFirst = options_.retime == Retime::All || Live();
    const bool rebase =
        continuing || options_.retime == Retime::All || (options_.retime == Retime::Live && Live());
    const int at = asf::SendTimeOffset(p, size);
    uint32_t t = 0;
    if (at >= 0) {
        result->timed = true;
        const uint32_t raw = le::Load32(p + at);
        if (!firstSendTime_) {
            firstSendTime_ = raw;
            if (continuing)
                timeBase_ = ContinuationBase(p, size);
        }
        t = fromFirst ? Rebased(raw, *firstSendTime_) + timeBase_ : raw;
        const uint64_t duration = static_cast<size_t>(at) + 6 <= size ? le::Load16(p + at + 4) : 0;
        highestEndMs_ = std::max(highestEndMs_, uint64_t{raw} + duration);
        if (rebase)
            asf::RebasePacketTimes(p, size, *firstSendTime_, header_.packetSize, nullptr, timeBase_);
    }
    result->timeMs = t;
    if (!Live() && header_.durationMs != 0)
        result->progress = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{t} * 10000 / header_.durationMs, 10000));
}

bool AsfFileWriter::ReachesLimit(uint32_t timeMs, uint64_t bytes) const
{
    return (options_.maxSeconds && timeMs / 1000 >= *options_.maxSeconds) ||
           (options_.maxMegabytes && bytes / kMegabyte >= *options_.maxMegabytes);
}

AsfFileWriter::PacketResult::Status AsfFileWriter::Count(uint64_t lastNumber, uint64_t packets,
                                                         uint32_t highestTime, uint32_t lastTime)
{
    bytesWritten_ += packets * header_.packetSize;
    packetsWritten_ += packets;
    packetsEnd_ = std::max(packetsEnd_, lastNumber + 1);
    highestTime_ = std::max(highestTime_, highestTime);
    if (!ReachesLimit(lastTime, bytesWritten_))
        return PacketResult::Written;
    limitReached_ = true;
    return PacketResult::LimitReached;
}

bool AsfFileWriter::HoldsWholeStream() const
{
    if (!headerTaken_ || Live())
        return false;
    if (header_.declaredPackets != 0)
        return packetsEnd_ >= header_.declaredPackets;
    return highestEndMs_ + kDurationSlackMs >= header_.durationMs;
}

bool AsfFileWriter::PatchCounts() const
{
    const bool liveRetimed = Live() && options_.retime != Retime::None;
    switch (options_.patch) {
    case Patch::Live: return liveRetimed;
    case Patch::LiveOrWhole: return liveRetimed || HoldsWholeStream();
    case Patch::Always: return true;
    }
    return false;
}

bool AsfFileWriter::Patch64(uint64_t position, uint64_t value)
{
    uint8_t bytes[8];
    le::Store64(bytes, value);
    return Write(position, bytes, sizeof(bytes));
}

bool AsfFileWriter::Patch32(uint64_t position, uint32_t value)
{
    uint8_t bytes[4];
    le::Store32(bytes, value);
    return Write(position, bytes, sizeof(bytes));
}

bool AsfFileWriter::Finalise(const std::vector<uint8_t>* indexObject)
{
    if (!sink_ || !headerTaken_ || bytesWritten_ == 0)
        return !writeFailed_;
    const std::vector<uint8_t>& index = indexObject ? *indexObject : DefaultIndexObject();
    const uint64_t indexAt = base_ + packetsEnd_ * header_.packetSize;
    const uint64_t end = indexAt + index.size();
    bool ok = !writeFailed_;
    ok = Write(indexAt, index.data(), index.size()) && ok;
    // A file written over (or resumed) may have held more than this
    // recording: what lies beyond the index is not part of it.
    uint64_t size = 0;
    if (sink_->Size(&size) && size > end && !sink_->Truncate(end))
        ok = false;

    using FP = AsfFileProperties;
    const uint64_t fp = header_.filePropertiesAt;
    ok = Patch64(fp + FP::ObjectField(FP::kFileSizeAt), end) && ok;
    ok = Patch32(fp + FP::ObjectField(FP::kFlagsAt), FP::kSeekableFlag) && ok;
    if (PatchCounts()) {
        const uint64_t packets = packetsEnd_;
        const uint64_t preroll = header_.properties.preroll;
        // The play duration includes the preroll, as every player expects.
        ok = Patch64(fp + FP::ObjectField(FP::kPacketCountAt), packets) && ok;
        ok = Patch64(fp + FP::ObjectField(FP::kPlayDurationAt), (uint64_t{highestTime_} + preroll) * 10000) && ok;
        ok = Patch64(fp + FP::ObjectField(FP::kSendDurationAt), uint64_t{highestTime_} * 10000) && ok;
        const uint64_t data = header_.dataObjectAt;
        ok = Patch64(data + AsfDataObjectInfo::kObjectSizeAt,
                     asf::kDataObjectPrefix + packets * header_.packetSize) && ok;
        ok = Patch64(data + AsfDataObjectInfo::kPacketCountAt, packets) && ok;
    }
    if (!sink_->Flush())
        ok = false;
    sink_->Seek(end);
    if (!ok)
        writeFailed_ = true;
    return ok;
}
