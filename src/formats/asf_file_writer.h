#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "formats/asf_stream_header.h"

class ByteSink;

// Writes an ASF file from a header and data packets: the header at the
// start of the file, every data packet padded to the stream's packet size
// (in order, or at the place its number gives), live streams re-timed to
// start at 0, the size and time limits, and at the end a Simple Index
// object and the header fields that only the finished file can know.
// Sizes, positions and counts are 64-bit. One writer serves one recording
// at a time; Begin starts the next.
class AsfFileWriter {
public:
    // Which packets get their times moved back so that the first is at 0.
    enum class Retime {
        None,
        Live,  // a broadcast's packets (play duration 0)
        All,   // every packet (a file cut out of another)
    };
    // When Finalise fills in the packet count, both durations and the Data
    // object's size and count from what was written. Otherwise the header's
    // own values stand (a file cut short stays resumable).
    enum class Patch {
        Live,         // a re-timed broadcast
        LiveOrWhole,  // that, and a recording that holds the whole stream
        Always,
    };
    // A broadcast goes on in the file after a reconnect: the file holds
    // `header` (its header as streamed, read back from the file) and
    // `packets` packets, the latest at lastTimeMs. The new session's header
    // must describe the same streams (SameStreams); it is not written. Its
    // packets follow the kept ones (a packet numbered n in the new session
    // lies at packets + n), their times moved so that its first media time
    // is stepMs after lastTimeMs (the latest send or media time written):
    // the outage shrinks to one step.
    struct Continuation {
        std::vector<uint8_t> header;
        uint64_t packets = 0;
        uint32_t lastTimeMs = 0;
        uint32_t stepMs = 0;
    };
    struct Options {
        Retime retime = Retime::Live;
        Patch patch = Patch::Live;
        // A packet whose time (live: from the first packet) reaches this
        // many seconds, or that brings the bytes written to this many
        // megabytes, is the last one.
        std::optional<uint32_t> maxSeconds;
        std::optional<uint64_t> maxMegabytes;
        // Resuming, packets in order: the file holds its header and this
        // many packets, and the next packet goes to the sink's position.
        uint64_t keptPackets = 0;
        // Resuming, packets by number: the file holds this many bytes; when
        // that covers the header, the header is not written again.
        uint64_t keptBytes = 0;
        // Resuming (either way): the header of the file, which the stream's
        // must describe the same stream as (SameAsfStream); empty: not
        // compared.
        std::vector<uint8_t> keptHeader;
        // Resuming (either way): the file's copy of the packet the stream
        // starts again with, the last one the file holds (number
        // keptPackets, or the one keptBytes ends before). The stream must
        // send it again with the same payloads (asf::SamePayloads) before
        // anything is written: headers alike prove little, as many encoders
        // leave the file id 0. Empty: not required.
        std::vector<uint8_t> repeatedPacket;
        // Continuing a broadcast after a reconnect (see Continuation).
        std::optional<Continuation> continuation;
    };

    enum class HeaderResult {
        Written,                // also when there is no sink (a probe): then counted only
        Kept,                   // a resumed file already holds it
        Malformed,              // not a whole streamed header
        UnsupportedPacketSize,  // packets of varying size, 0 bytes or 0xFFFF and more
        WriteFailed,
        AlreadyTaken,  // a header was taken before: this one is not written
        OtherStream,   // resuming a file of another stream: nothing is taken or written
        Changed,       // continuing, a header of other streams: not taken, nothing written
    };

    struct PacketResult {
        enum Status {
            Written,
            LimitReached,  // written, and it reached a limit: the recording ends with it
            NoHeader,      // no header taken yet: not written
            NoSink,        // a probe: not written
            OutOfRange,    // a packet number outside the stream: not written
            Repeated,      // resuming, a packet the file holds already: not written
            OtherStream,   // resuming, the stream did not repeat the file's last
                           // packet: nothing is written from here on
            WriteFailed,
        };
        Status status = NoHeader;
        bool timed = false;      // the packet carries a send time
        uint32_t timeMs = 0;     // its time (live: from the first packet)
        uint32_t progress = 0;   // 0..10000 of the duration; 0 for live
        bool Wrote() const { return status == Written || status == LimitReached; }
    };

    // A packet by number may lie at most this far past the highest one so
    // far, and the gaps left in the file may hold at most this many slots
    // more than the packets written: a damaged or hostile number can neither
    // place data far out in the file nor creep it on a little with every
    // packet. An on-demand stream's announced count bounds its numbers too,
    // but sizes nothing: a header may announce any count.
    static constexpr uint64_t kMaxNumberJump = 4096;
    // The Simple Index object every finished file ends with, unless
    // Finalise is given another: one entry, for packet 0.
    static const std::vector<uint8_t>& DefaultIndexObject();

    // Starts a recording into sink (null: a probe that writes nothing);
    // forgets everything about the previous one. The sink must outlive the
    // recording.
    void Begin(ByteSink* sink, const Options& options);

    // The whole streamed header (see ParseStreamHeader): written at the
    // start of the file unless the file already holds it.
    HeaderResult WriteHeader(const uint8_t* data, size_t length);

    // The next data packet, after the previous one. A packet shorter than
    // the packet size is padded, a longer one cut.
    PacketResult WritePacket(const uint8_t* packet, size_t length);
    // Whole packets (each exactly the packet size) after the previous one,
    // re-timed in the caller's buffer and written in one piece: for copying
    // a file, where each packet would otherwise be copied twice more. The
    // packet that reaches a limit is the last written; *written tells how
    // many were. The result is that of the last packet written.
    PacketResult WritePackets(uint8_t* packets, size_t count, size_t* written);
    // A data packet at its number: the number's place after the header.
    PacketResult WritePacketAt(uint64_t number, const uint8_t* packet, size_t length);

    // Ends the recording when a header was taken and something was written:
    // appends the index object (indexObject, or the default one) after the
    // last packet, cuts off whatever the file held beyond it, and patches the
    // file size, the seekable flag and (see Patch) the counts and durations.
    // False when a write failed (then or before). Safe to call when nothing
    // was written: it does nothing.
    bool Finalise(const std::vector<uint8_t>* indexObject = nullptr);

    bool HeaderTaken() const { return headerTaken_; }
    const AsfStreamHeader& Header() const { return header_; }
    bool Live() const { return header_.Live(); }
    uint32_t DurationMs() const { return header_.durationMs; }
    uint32_t PacketSize() const { return header_.packetSize; }
    // Header and padded packet bytes this recording wrote (or counted, in a
    // probe); the index and the patched fields do not count.
    uint64_t BytesWritten() const { return bytesWritten_; }
    uint64_t PacketsWritten() const { return packetsWritten_; }
    // Data packets the file holds: those kept from before and those written.
    uint64_t PacketsInFile() const;
    // The largest packet time written (live: from the first packet).
    uint32_t HighestTime() const { return highestTime_; }
    bool LimitReached() const { return limitReached_; }
    // Continuing, the session's header described other streams.
    bool HeaderChanged() const { return headerChanged_; }
    bool WriteFailed() const { return writeFailed_; }
    // The recording holds the stream to its announced end: for a broadcast
    // never; otherwise every announced packet, or, when none are announced,
    // packets up to the duration (within a second).
    bool HoldsWholeStream() const;

private:
    HeaderResult Continue(const uint8_t* data, size_t length, const AsfStreamHeader& header);
    // Continuing, the time the session's first packet (its send time) takes.
    uint32_t ContinuationBase(const uint8_t* packet, size_t length) const;
    PacketResult Place(uint64_t position, uint64_t number, const uint8_t* packet, size_t length);
    // Resuming, until the stream has repeated the file's last packet: what
    // the padded packet numbered `number` (in scratch_) is.
    PacketResult::Status CheckRepeat(uint64_t number);
    // Re-times one whole packet where it lies; fills in the result's time.
    void Stamp(uint8_t* packet, PacketResult* result);
    // Counts packets written up to lastNumber; the last one's time and the
    // bytes written tell whether it reached a limit.
    PacketResult::Status Count(uint64_t lastNumber, uint64_t packets, uint32_t highestTime, uint32_t lastTime);
    bool ReachesLimit(uint32_t timeMs, uint64_t bytes) const;
    bool Write(uint64_t position, const void* data, size_t n);
    bool Patch64(uint64_t position, uint64_t value);
    bool Patch32(uint64_t position, uint32_t value);
    bool PatchCounts() const;

    ByteSink* sink_ = nullptr;
    Options options_;
    uint64_t startPosition_ = 0;

    AsfStreamHeader header_;
    bool headerTaken_ = false;
    uint64_t keptPackets_ = 0;
    // Packet n lies at base_ + n * packet size; packets up to packetsEnd_
    // (exclusive) are in the file.
    uint64_t base_ = 0;
    uint64_t packetsEnd_ = 0;
    std::vector<uint8_t> scratch_;  // one padded packet

    uint64_t bytesWritten_ = 0;
    uint64_t packetsWritten_ = 0;
    std::optional<uint32_t> firstSendTime_;
    // Continuing: packet numbers of the session start after the kept ones,
    // and its times at timeBase_.
    uint64_t numberBase_ = 0;
    uint32_t timeBase_ = 0;
    bool headerChanged_ = false;
    // Resuming: the file's last packet has not come again yet.
    bool repeatPending_ = false;
    bool otherStream_ = false;
    uint32_t highestTime_ = 0;
    uint64_t highestEndMs_ = 0;  // send time plus packet duration, for HoldsWholeStream
    bool limitReached_ = false;
    bool writeFailed_ = false;
};
