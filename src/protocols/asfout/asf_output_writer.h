#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/app_settings.h"

class ClientHooks;

// Turns the ASF header and data packets of one streamed recording into a
// playable, seekable file: the header once, every data packet padded to the
// stream's packet size, live streams re-timed to start at 0, progress and
// the size and time limits, and at the end an index object and the header
// fields that only the finished file can know. Shared by the MMS-over-TCP
// and RTSP clients; one writer serves one client, one recording at a time.
class AsfOutputWriter {
public:
    // Which recordings get their packet count and durations patched at the end.
    enum class PatchRule {
        LiveWhenEnabled,  // live streams, when m_liveContentSaveTimeInfo is set
        Always,           // every recording (the RTSP client's rule)
    };

    // Settings and hooks are read, the stop flag is only read; all three
    // must outlive the writer. hooks may be null.
    AsfOutputWriter(const AppSettings& settings, ClientHooks* hooks, const std::atomic<bool>& stop);

    // Starts one recording: forgets everything about the previous one.
    // out may be null (a probe: the header is counted, the first data packet
    // ends the session). A non-zero resumePacket means the file already holds
    // the header and that many packets, and out stands where the next goes.
    void Begin(FILE* out, const std::string& url, uint32_t resumePacket);

    // One piece of the header (the whole header may come in one). False ends
    // the session: a packet size the writer cannot handle ("not supported")
    // or a failed write.
    bool WriteHeaderPacket(const uint8_t* payload, size_t length);

    // One data packet; it may be rewritten in place (live re-timing). False
    // ends the session: no header yet, no output file, a failed write, a
    // limit reached or a stop requested.
    bool WriteDataPacket(uint8_t* packet, size_t length);

    // Ends the recording: writes out the packets still gathered in memory,
    // then, when a header was taken and something was written to a file,
    // appends the index object and patches the header. Every recording must
    // end with it (whatever the session's outcome) before the file is closed.
    void Finalise(PatchRule rule = PatchRule::LiveWhenEnabled);

    // Header and padded packet bytes of this recording; Record's result
    // (saturated at the 32-bit limit, never 0 once something was written).
    uint32_t BytesWritten() const;
    uint64_t TotalBytes() const { return bytesWritten_; }

    bool HeaderTaken() const { return filePropsPos_ >= 0; }
    bool IsLive() const { return live_; }
    uint32_t DurationMs() const { return durationMs_; }
    uint32_t PacketSize() const { return packetSize_; }
    uint32_t Preroll() const { return preroll_; }
    uint32_t PacketsWritten() const { return packetsWritten_; }
    uint32_t HighestSendTime() const { return highestSendTime_; }
    // True when the last refused data packet hit the size or time limit.
    bool LimitReached() const { return limitReached_; }

private:
    bool TakeFileProperties(const uint8_t* fp);
    void RememberHeaderBytes(const uint8_t* payload, size_t length);
    bool WriteAll(const void* data, size_t n);
    // Adds n bytes of data and zeros up to padded to the file, through the
    // batch; false when a write failed.
    bool Queue(const uint8_t* data, size_t n, size_t padded);
    bool FlushBatch();
    bool PatchAt(int64_t pos, const uint8_t* bytes, size_t n);
    uint32_t Progress(uint32_t t) const;

    const AppSettings& settings_;
    ClientHooks* hooks_;
    const std::atomic<bool>& stop_;

    FILE* out_ = nullptr;
    // Data packets not yet handed to the file: few large writes instead of
    // one per packet.
    std::vector<uint8_t> batch_;
    std::string url_;
    uint32_t resumePacket_ = 0;

    // Header bytes kept until the File Properties object has been read
    // (it may straddle two header packets), and the last 50 header bytes
    // (the Data object's fixed part).
    std::vector<uint8_t> headerSearch_;
    size_t searchFrom_ = 0;
    std::array<uint8_t, 50> headerTail_{};
    uint64_t headerLength_ = 0;
    bool dataStarted_ = false;

    // Positions in the file, the header starting at 0; -1 = not known.
    int64_t filePropsPos_ = -1;
    uint64_t playDuration_ = 0;
    uint32_t preroll_ = 0;
    uint32_t packetSize_ = 0;
    uint32_t durationMs_ = 0;
    bool live_ = false;

    uint64_t bytesWritten_ = 0;
    uint32_t firstSendTime_ = 0;
    uint32_t highestSendTime_ = 0;
    uint32_t packetsWritten_ = 0;
    bool limitReached_ = false;
};
