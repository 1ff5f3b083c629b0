#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Cutting a time range out of a local ASF file into a new ASF file: the
// header with its size, count and duration fields patched, the data packets
// that cover the range re-timed to start at 0, and an index object. The
// range is taken by packet number at the file's average rate (packets per
// second of play), not by the packets' own times.

// The packets of [startSeconds, endSeconds] (the end second included).
struct CutPlan {
    uint64_t firstPacket = 0;
    uint64_t endPacket = 0;  // exclusive
    uint64_t Count() const { return endPacket - firstPacket; }
};

// firstPacket = start * packets / seconds and endPacket = (end + 1) *
// packets / seconds, truncated, where packets and seconds are what the file
// properties announce (the play duration without the preroll); endPacket is
// then bounded by the packets the file holds. False, with the reason in
// *error, for a file that announces no duration or no packets, a negative or
// reversed range, or a range that starts after the last packet.
bool PlanCut(uint64_t declaredPackets, uint64_t playDuration, uint64_t prerollMs, uint64_t packetsInFile,
             int64_t startSeconds, int64_t endSeconds, CutPlan* plan, std::string* error);

// The index object of the cut file made from the source's Simple Index
// object: the entries from the cut's start (baseMs, the first packet's send
// time in the source) to its end (highestMs, the last re-timed time, plus
// the preroll), their packet numbers made relative to the cut's first packet
// and kept inside its packetCount packets. Empty when the source's object
// is damaged.
std::vector<uint8_t> CutIndexObject(const std::vector<uint8_t>& sourceIndex, uint64_t firstPacket,
                                    uint64_t packetCount, uint32_t baseMs, uint32_t highestMs,
                                    uint64_t prerollMs);

// "a.asf" -> "a_cut.asf" and "dir/b.wmv" -> "dir/b_cut.wmv"; a name without
// extension gets "_cut" at its end.
std::string DefaultCutPath(const std::string& source);

struct CutRequest {
    std::string source;
    std::string output;
    int64_t startSeconds = 0;
    int64_t endSeconds = 0;
    bool overwrite = false;  // replace an existing output file (only ever a regular one)
};

struct CutResult {
    enum class Status {
        Done,
        Refused,  // nothing written: the source, the range or the output was not acceptable
        Stopped,  // the stop flag was raised; nothing left behind
        Failed,   // reading or writing failed; nothing left behind
    };
    Status status = Status::Failed;
    std::string message;  // why, when not Done
    CutPlan plan;
    uint64_t packets = 0;     // packets written
    uint64_t fileSize = 0;    // of the new file
    uint32_t durationMs = 0;  // its play time without the preroll
    bool sourceIndexUsed = false;
};

// Copies the range. The new file is written under a temporary name in the
// output's folder and gets its name only when it is complete, so a refused,
// failed or stopped cut never leaves a partial file under that name (nor the
// temporary one). The new file takes the source's permission bits (less the
// umask). A folder, link, device, pipe or socket at the output name is
// refused whatever overwrite says. stop is read between packets;
// progress(done, total), when given, is called from the calling thread as
// packets are copied.
CutResult CutAsfFile(const CutRequest& request, const std::atomic<bool>& stop,
                     const std::function<void(uint64_t done, uint64_t total)>& progress = {});
