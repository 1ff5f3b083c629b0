#pragma once

// Builds captured frames and savefiles for the capture tests and the
// benchmark: IPv4/TCP packets in Ethernet, PPPoE and Linux cooked frames,
// HTTP, RTSP and MMS requests, and an ASF header with a title.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/capture_sink.h"

struct pcap;
struct pcap_dumper;

namespace capturetest {

using Bytes = std::vector<uint8_t>;

struct TcpPacket {
    std::array<uint8_t, 4> source{10, 0, 0, 2};
    std::array<uint8_t, 4> dest{10, 0, 0, 5};
    uint16_t sourcePort = 40000;
    uint16_t destPort = 80;
    std::string payload;
    uint16_t fragmentField = 0x4000;  // don't-fragment, offset 0
    size_t ipOptionBytes = 0;         // multiple of 4
    size_t tcpOptionBytes = 0;        // multiple of 4
    uint8_t protocol = 6;
};

// The IPv4 packet (header, TCP header, payload) with a correct total length.
Bytes Ipv4(const TcpPacket& packet);
// An Ethernet frame around an IPv4 packet (or any payload) of that type.
Bytes Ethernet(const Bytes& payload, uint16_t etherType = 0x0800);
// A PPPoE frame with the PPP protocol 0x21 in one byte or in two.
Bytes Pppoe(const Bytes& ip, bool oneByteProtocol, uint16_t etherType = 0x8864, uint8_t code = 0);
Bytes LinuxCooked(const Bytes& ip, uint16_t protocol = 0x0800);
Bytes LinuxCooked2(const Bytes& ip, uint16_t protocol = 0x0800);

// A plain Ethernet frame carrying a TCP segment.
inline Bytes TcpFrame(const TcpPacket& packet) { return Ethernet(Ipv4(packet)); }

// Request texts with the headers a player sends (well over 96 bytes).
std::string HttpGet(const std::string& target);
std::string RtspDescribe(const std::string& address);

// UTF-16LE bytes of an ASCII or UTF-8 text, without terminator.
std::string Utf16(const std::u16string& text);
// MMS command messages as a player sends them.
std::string MmsCommand(uint32_t messageId, const std::string& body);
std::string MmsConnect(const std::u16string& playerId);
std::string MmsOpenFile(const std::u16string& fileName);
// An ASF header object holding a Content Description object with a title;
// with mmsPrefix it is framed as an MMS data packet (8-byte prefix).
std::string AsfHeaderWithTitle(const std::u16string& title, bool mmsPrefix);

// A copy in a heap block of exactly the frame's size, so that the address
// sanitizer catches any read past its end.
std::unique_ptr<uint8_t[]> ExactCopy(const Bytes& frame);

// Writes frames into a savefile with libpcap's own dump functions.
class SavefileWriter {
public:
    SavefileWriter(const std::string& path, int linkType);
    ~SavefileWriter();
    bool ok() const { return dumper_ != nullptr; }
    // capturedLength < frame size records a frame cut short by the snapshot
    // length (its wire length stays the full size).
    void Write(const Bytes& frame, size_t capturedLength = SIZE_MAX);

private:
    ::pcap* dead_ = nullptr;
    ::pcap_dumper* dumper_ = nullptr;
    uint32_t seconds_ = 1700000000;
};

// A sink that records what the parser adds, with the media list's
// duplicate rule. Safe to read while a capture thread writes.
class RecordingSink final : public CaptureSink {
public:
    struct Row {
        std::string address;
        std::string title;
        std::string identity;
    };
    int AddCapturedRow(const std::string& address, const std::string& title,
                       const std::string& identity) override;
    void SetCapturedTitle(const std::string& address, const std::string& title) override;

    std::vector<Row> Rows() const;
    std::vector<std::string> Addresses() const;
    int titleCalls() const;

private:
    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    int titleCalls_ = 0;
};

}  // namespace capturetest

namespace capturetest {

// One line per row the mixed savefile must yield, in order, as the CLI
// prints it.
struct MixedCapture {
    std::vector<std::string> expectedLines;
    size_t frames = 0;
};
// A savefile of everyday traffic around the requests worth capturing:
// acknowledgements, other ports, unlisted types, a duplicate, a frame cut
// short by the snapshot length, PPPoE, an MMS session with its title.
MixedCapture WriteMixedSavefile(const std::string& path);

}  // namespace capturetest
