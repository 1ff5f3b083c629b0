#pragma once

// Streamed ASF recordings as the tests know them, independently of the code
// under test: samples split as a server streams them, packet times, the
// check of a recording against its stream, and the fake stream servers.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace asfstream {

// A file as a server streams it: the header with the Data object's 50-byte start, the packets.
struct Parts {
    std::string header;
    std::vector<std::string> packets;
    uint32_t packetSize = 0;
    size_t fileProps = 0;  // offset of the File Properties object
};
const Parts& Split(const std::string& path);

// The default sample; a short audio-only one (1 s, 1000-byte packets); the
// default one as a broadcast sends it (no durations or counts, the broadcast
// flag, every time kLiveShift later), and any file made a broadcast so.
const std::string& Sample();
const std::string& SmallSample();
const std::string& LiveSample();
std::string LiveOf(const std::string& path);
constexpr uint32_t kLiveShift = 250000000;  // ms: about three days into the broadcast

uint32_t Get32(const std::string& s, size_t at);
uint64_t Get64(const std::string& s, size_t at);
void Put32(std::string& s, size_t at, uint32_t v);
void Put64(std::string& s, size_t at, uint64_t v);
// Offsets of the send time and of every payload's presentation time in a
// data packet (throws when it does not parse).
std::vector<size_t> TimeOffsets(const std::string& packet, uint32_t packetSize);
uint32_t SendTime(const std::string& packet, uint32_t packetSize);
std::string ShiftTimes(std::string packet, uint32_t packetSize, uint32_t delta);
// Data packet i of a recording whose header is as long as src's.
std::string PacketOf(const std::string& file, const Parts& src, size_t i);

// src played over and over as the fake servers' --repeat serves it: pass k's
// times are k spans (duration + 0.1 s) later; the header announces the whole.
struct Repeated {
    const Parts* src = nullptr;
    uint64_t passes = 1;
    uint32_t span = 0;  // ms
    std::string header;
    uint64_t Count() const { return passes * src->packets.size(); }
    std::string Packet(uint64_t i) const;
    Parts First(size_t count) const;
};
Repeated Repeat(const Parts& src, uint64_t passes);

// path is a finished recording of src's first count packets: src's header
// with the file's size and the seekable flag (patched: and the counts and
// durations of these packets), the packets as sent, a Simple Index object.
testing::AssertionResult IsRecordingOf(const std::string& path, const Parts& src, size_t count, bool patched);

// The independent decoder reads the file (from seekTo s on) without a complaint.
testing::AssertionResult Decodes(const std::string& path, double seekTo = 0);
// Starts tests/servers/<script> streaming file, with further options.
bool StartServer(testsupport::FakeServer& server, const std::string& script, const std::string& file,
                 std::vector<std::string> options = {});
// The client port of the server's next connection as it printed it, or -1.
int NextClientPort(testsupport::FakeServer& server);

}  // namespace asfstream
