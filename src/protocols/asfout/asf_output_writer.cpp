#include "protocols/asfout/asf_output_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <unistd.h>

#include "formats/asf_guids.h"
#include "formats/le.h"
#include "protocols/asfout/asf_packet.h"
#include "protocols/client_hooks.h"

namespace {

using namespace asfout;

// Data packets are gathered into writes of this size.
constexpr size_t kBatchSize = 256 * 1024;

// A header larger than this is still written, but the File Properties
// object must be found within it.
constexpr size_t kMaxHeaderSearch = 1 << 20;

// The index object every finished file ends with: one entry for packet 0,
// enough for players to treat the file as indexed.
constexpr std::array<uint8_t, 62> kIndexObject = {
    0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11, 0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB,
    62, 0, 0, 0, 0, 0, 0, 0,
    0x43, 0xFC, 0xE6, 0x05, 0xEF, 0xAC, 0x18, 0x4E, 0x8A, 0xCA, 0xBC, 0x82, 0x81, 0x5A, 0x60, 0x4D,
    0x80, 0x96, 0x98, 0x00, 0, 0, 0, 0,  // entry time interval: 1 s in 100 ns units
    0, 0, 0, 0,                          // maximum packet count
    1, 0, 0, 0,                          // one entry
    0, 0, 0, 0, 0, 0,                    // packet 0, count 0
};

ClientHooks& NoHooks()
{
    static ClientHooks none;
    return none;
}

}  // namespace

AsfOutputWriter::AsfOutputWriter(const AppSettings& settings, ClientHooks* hooks,
                                 const std::atomic<bool>& stop)
    : settings_(settings), hooks_(hooks ? hooks : &NoHooks()), stop_(stop)
{
}

void AsfOutputWriter::Begin(FILE* out, const std::string& url, uint32_t resumePacket)
{
    out_ = out;
    url_ = url;
    resumePacket_ = resumePacket;
    // Packets left by a recording that was never finalised belong to a file
    // that may be gone.
    batch_.clear();
    batch_.shrink_to_fit();
    headerSearch_.clear();
    headerSearch_.shrink_to_fit();
    searchFrom_ = 0;
    headerTail_.fill(0);
    headerLength_ = 0;
    dataStarted_ = false;
    filePropsPos_ = -1;
    playDuration_ = 0;
    preroll_ = 0;
    packetSize_ = 0;
    durationMs_ = 0;
    live_ = false;
    bytesWritten_ = 0;
    firstSendTime_ = 0;
    highestSendTime_ = 0;
    packetsWritten_ = 0;
    limitReached_ = false;
}

uint32_t AsfOutputWriter::BytesWritten() const
{
    return static_cast<uint32_t>(
        std::min<uint64_t>(bytesWritten_, std::numeric_limits<uint32_t>::max()));
}

bool AsfOutputWriter::TakeFileProperties(const uint8_t* fp)
{
    const AsfFileProperties props = ReadFileProperties(fp);
    packetSize_ = props.minDataPacketSize;
    if (props.minDataPacketSize >= 0xFFFF || props.minDataPacketSize != props.maxDataPacketSize) {
        hooks_->ReportError("not supported");
        return false;
    }
    playDuration_ = props.playDuration;
    preroll_ = static_cast<uint32_t>(props.preroll);
    live_ = playDuration_ == 0;
    if (live_) {
        durationMs_ = 0;
    } else {
        // A stream no longer than its preroll still is not live.
        uint64_t playMs = playDuration_ / 10000;
        uint64_t ms = playMs > preroll_ ? playMs - preroll_ : 1;
        durationMs_ = static_cast<uint32_t>(std::min<uint64_t>(ms, 0xFFFFFFFFu));
    }
    return true;
}

void AsfOutputWriter::RememberHeaderBytes(const uint8_t* payload, size_t length)
{
    headerLength_ += length;
    if (length >= headerTail_.size()) {
        std::memcpy(headerTail_.data(), payload + length - headerTail_.size(), headerTail_.size());
    } else {
        std::memmove(headerTail_.data(), headerTail_.data() + length, headerTail_.size() - length);
        std::memcpy(headerTail_.data() + headerTail_.size() - length, payload, length);
    }
}

bool AsfOutputWriter::WriteAll(const void* data, size_t n)
{
    return n == 0 || std::fwrite(data, 1, n, out_) == n;
}

bool AsfOutputWriter::Queue(const uint8_t* data, size_t n, size_t padded)
{
    if (batch_.size() + padded > kBatchSize && !FlushBatch())
        return false;
    if (batch_.capacity() < kBatchSize)
        batch_.reserve(kBatchSize);
    if (padded > kBatchSize) {
        static constexpr uint8_t kZeros[4096] = {};
        if (!WriteAll(data, n))
            return false;
        for (size_t done = n; done < padded;) {
            size_t chunk = std::min(sizeof(kZeros), padded - done);
            if (!WriteAll(kZeros, chunk))
                return false;
            done += chunk;
        }
        return true;
    }
    batch_.insert(batch_.end(), data, data + n);
    batch_.resize(batch_.size() + (padded - n), 0);
    return true;
}

bool AsfOutputWriter::FlushBatch()
{
    if (batch_.empty())
        return true;
    const size_t written = std::fwrite(batch_.data(), 1, batch_.size(), out_);
    const bool ok = written == batch_.size();
    // What did not reach the file does not count.
    bytesWritten_ -= batch_.size() - written;
    batch_.clear();
    return ok;
}

bool AsfOutputWriter::WriteHeaderPacket(const uint8_t* payload, size_t length)
{
    // A header that comes again once packets flow (a server-side change of
    // stream) must not land in the middle of the data.
    if (dataStarted_)
        return true;
    if (filePropsPos_ < 0 && headerLength_ == headerSearch_.size()) {
        size_t keep = std::min(length, kMaxHeaderSearch - headerSearch_.size());
        headerSearch_.insert(headerSearch_.end(), payload, payload + keep);
        int found = asfout::FindFilePropertiesObject(headerSearch_.data() + searchFrom_,
                                                     headerSearch_.size() - searchFrom_);
        if (found >= 0) {
            // Found, but it may still be cut off: look here again next time.
            searchFrom_ += static_cast<size_t>(found);
            if (searchFrom_ + kFpObjectSize <= headerSearch_.size()) {
                if (!TakeFileProperties(headerSearch_.data() + searchFrom_))
                    return false;
                filePropsPos_ = static_cast<int64_t>(searchFrom_);
                headerSearch_.clear();
                headerSearch_.shrink_to_fit();
            }
        } else if (headerSearch_.size() > 15) {
            searchFrom_ = headerSearch_.size() - 15;  // an identifier cut in two
        }
    }
    if (resumePacket_ == 0) {
        if (out_ && !WriteAll(payload, length))
            return false;
        bytesWritten_ += length;
    }
    RememberHeaderBytes(payload, length);
    hooks_->OnHeaderReceived(url_, durationMs_);
    return true;
}

uint32_t AsfOutputWriter::Progress(uint32_t t) const
{
    if (live_ || durationMs_ == 0)
        return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{t} * 10000 / durationMs_, 10000));
}

bool AsfOutputWriter::WriteDataPacket(uint8_t* packet, size_t length)
{
    limitReached_ = false;
    if (!HeaderTaken())
        return false;
    dataStarted_ = true;
    uint32_t t = 0;
    bool timed = false;
    int offset = asfout::SendTimeOffset(packet, length);
    if (offset >= 0) {
        timed = true;
        t = le::Load32(packet + offset);
        if (firstSendTime_ == 0)
            firstSendTime_ = t;
        if (live_) {
            t = t > firstSendTime_ ? t - firstSendTime_ : 0;
            if (settings_.m_liveContentSaveTimeInfo)
                asfout::RebasePacketTimes(packet, length, firstSendTime_, packetSize_);
        }
    }
    const uint32_t progress = Progress(t);
    if (!out_)
        return false;

    // Every packet in the file has the stream's packet size: a longer one
    // is cut (its tail can only be padding or garbage), a shorter one padded.
    const size_t n = packetSize_ != 0 ? std::min<size_t>(length, packetSize_) : length;
    const size_t padded = std::max<size_t>(n, packetSize_);
    if (!Queue(packet, n, padded))
        return false;
    bytesWritten_ += padded;

    if (timed)
        hooks_->OnProgress(BytesWritten(), progress, t);
    highestSendTime_ = std::max(highestSendTime_, t);
    ++packetsWritten_;

    if ((settings_.m_timePolicy && int64_t{t / 1000} >= settings_.m_maxTime) ||
        (settings_.m_sizePolicy && int64_t(bytesWritten_ / 1048576) >= settings_.m_maxSize)) {
        limitReached_ = true;
        return false;
    }
    return !stop_.load(std::memory_order_relaxed);
}

bool AsfOutputWriter::PatchAt(int64_t pos, const uint8_t* bytes, size_t n)
{
    return fseeko(out_, static_cast<off_t>(pos), SEEK_SET) == 0 && WriteAll(bytes, n);
}

void AsfOutputWriter::Finalise(PatchRule rule)
{
    if (!out_)
        return;
    FlushBatch();
    if (!HeaderTaken() || bytesWritten_ == 0)
        return;
    const off_t indexPos = ftello(out_);
    if (indexPos < 0 || !WriteAll(kIndexObject.data(), kIndexObject.size()))
        return;
    const int64_t end = static_cast<int64_t>(indexPos) + static_cast<int64_t>(kIndexObject.size());
    // A resumed file may have held more than this recording rewrote; what
    // lies beyond the index is the old tail and is dropped.
    std::fflush(out_);
    if (ftruncate(fileno(out_), static_cast<off_t>(end)) != 0) {
        // Not a regular file (or not ours to shorten): the size stands as is.
    }

    uint8_t u64[8], u32[4];
    le::Store64(u64, static_cast<uint64_t>(end));
    PatchAt(filePropsPos_ + kFpFileSize, u64, 8);
    le::Store32(u32, kSeekableFlags);
    PatchAt(filePropsPos_ + kFpFlags, u32, 4);

    const bool patchCounts =
        rule == PatchRule::Always || (live_ && settings_.m_liveContentSaveTimeInfo);
    if (patchCounts) {
        // The file holds the packets kept from before a resume and this
        // recording's.
        const uint64_t packets = uint64_t{resumePacket_} + packetsWritten_;
        le::Store64(u64, packets);
        PatchAt(filePropsPos_ + kFpPacketCount, u64, 8);
        // Play duration includes the preroll, as every player expects.
        le::Store64(u64, (uint64_t{highestSendTime_} + preroll_) * 10000);
        PatchAt(filePropsPos_ + kFpPlayDuration, u64, 8);
        le::Store64(u64, uint64_t{highestSendTime_} * 10000);
        PatchAt(filePropsPos_ + kFpSendDuration, u64, 8);
        // The Data object ends the header; patch it only when it is there.
        if (headerLength_ >= headerTail_.size() && asf::kData.Matches(headerTail_.data())) {
            const int64_t dataPos = static_cast<int64_t>(headerLength_ - headerTail_.size());
            le::Store64(u64, 50 + packets * packetSize_);
            PatchAt(dataPos + kDataObjectSize, u64, 8);
            le::Store64(u64, packets);
            PatchAt(dataPos + kDataPacketCount, u64, 8);
        }
    }
    std::fflush(out_);
    fseeko(out_, static_cast<off_t>(end), SEEK_SET);
}
