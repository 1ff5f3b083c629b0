#pragma once

// Captured frames for the capture tests and the benchmark, composed from
// wrappers (Ethernet(Ipv4(Tcp(...)))) and payload makers; savefiles written
// with libpcap's dump functions; a sink that records rows as the CLI prints them.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "capture/capture_settings.h"
#include "capture/capture_sink.h"
#include "formats/asf_guids.h"

struct pcap;
struct pcap_dumper;

namespace capturetest {

using Strings = std::vector<std::string>;

inline std::string Le(uint64_t v, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(v >> 8 * i);
    return out;
}
inline std::string Be16(size_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
inline std::string Zeros(size_t n) { return std::string(n, '\0'); }

// Every switch on, with the file types the tests request.
inline CaptureSettings Watched(std::vector<std::string> fileTypes = {".wmv", ".asf", ".wma"})
{
    CaptureSettings s;
    s.fileTypes = std::move(fileTypes);
    return s;
}

// `options`: bytes of no-op options in the header.
inline std::string Tcp(uint16_t toPort, const std::string& payload, uint16_t fromPort = 40000, size_t options = 0)
{
    return Be16(fromPort) + Be16(toPort) + Zeros(8) + static_cast<char>((20 + options) / 4 << 4) + "\x18" +
           Zeros(6) + std::string(options, '\1') + payload;
}
// 10.0.0.2 -> 10.0.0.5; the fragment field holds the flags and the offset.
inline std::string Ipv4(const std::string& body, uint16_t fragment = 0x4000, size_t options = 0)
{
    const size_t header = 20 + options;
    return static_cast<char>(0x40 | header / 4) + Zeros(1) + Be16(header + body.size()) + Zeros(2) +
           Be16(fragment) + "\x40\x06" + Zeros(2) + std::string("\x0A\0\0\x02\x0A\0\0\x05", 8) +
           std::string(options, '\1') + body;
}
inline std::string Ethernet(const std::string& packet, uint16_t etherType = 0x0800)
{
    return std::string("\2\0\0\0\0\5\2\0\0\0\0\2", 12) + Be16(etherType) + packet;
}
// A PPPoE session header; the PPP protocol 0x21 in one byte or in two.
inline std::string Pppoe(const std::string& packet, bool oneByteProtocol)
{
    const std::string protocol = oneByteProtocol ? "\x21" : std::string("\0\x21", 2);
    return std::string("\x11\0", 2) + Be16(42) + Be16(protocol.size() + packet.size()) + protocol + packet;
}
// Linux cooked (DLT_LINUX_SLL), as captured on the "any" device.
inline std::string Cooked(const std::string& packet) { return std::string("\0\4\3\4\0\6", 6) + Zeros(8) + "\x08" + Zeros(1) + packet; }
// A player's request to `port`; a server's reply from port 1755.
inline std::string Frame(uint16_t port, const std::string& p) { return Ethernet(Ipv4(Tcp(port, p))); }
inline std::string FromServer(const std::string& p) { return Ethernet(Ipv4(Tcp(40000, p, 1755))); }

// Requests with the headers players send (well over 96 bytes in a frame).
inline std::string HttpGet(const std::string& target)
{
    return "GET " + target + " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: NSPlayer/9.0.0.2980\r\n" +
           "Host: 10.0.0.5\r\nPragma: no-cache,rate=1.000000\r\n\r\n";
}
inline std::string RtspDescribe(const std::string& address)
{
    return "DESCRIBE " + address + " RTSP/1.0\r\nAccept: application/sdp\r\nCSeq: 1\r\n" +
           "User-Agent: WMPlayer/11.0.5721.5145\r\n\r\n";
}
inline std::string Utf16z(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
        out += Le(c, 2);
    return out + Zeros(2);
}
// Padded to whole 8-byte units, as players send it.
inline std::string MmsCommand(uint32_t messageId, const std::string& body)
{
    const size_t total = (40 + body.size() + 7) / 8 * 8;
    const std::string m = Le(1, 4) + Le(0xB00BFACE, 4) + Le(total - 16, 4) + "MMS " + Le((total - 16) / 8, 4) +
                          Le(3, 4) + Zeros(8) + Le((total - 32) / 8, 4) + Le(messageId, 4) + body;
    return m + Zeros(total - m.size());
}
inline std::string MmsConnect(const std::string& asciiId)
{
    return MmsCommand(0x00030001, Le(0xF0F0F0EF, 4) + Le(0x0004000B, 4) + Le(0x0003001C, 4) +
                                      Utf16z(std::u16string(asciiId.begin(), asciiId.end())));
}
inline std::string MmsOpenFile(const std::u16string& name) { return MmsCommand(0x00030005, Le(1, 4) + Zeros(12) + Utf16z(name)); }
// An ASF header (file properties, then a Content Description naming the
// title); with mmsPrefix framed as an MMS data packet.
inline std::string AsfTitleHeader(const std::u16string& title, bool mmsPrefix)
{
    auto guid = [](const Guid& g) { return std::string(reinterpret_cast<const char*>(g.data()), 16); };
    const std::string texts = Utf16z(title) + Utf16z(u"Archive");
    const std::string objects = guid(asf::kFileProperties) + Le(104, 8) + std::string(80, '\7') +
                                guid(asf::kContentDescription) + Le(34 + texts.size(), 8) +
                                Le(texts.size() - 16, 2) + Le(16, 2) + Zeros(6) + texts;
    const std::string header = guid(asf::kHeader) + Le(30 + objects.size(), 8) + Le(2, 4) + "\1\2" + objects;
    return mmsPrefix ? Zeros(5) + "\x0C" + Le(header.size() + 8, 2) + header : header;
}

class SavefileWriter {
public:
    SavefileWriter(const std::string& path, int linkType);
    ~SavefileWriter();
    void Write(const std::string& frame, size_t cut = 0);  // `cut` bytes dropped by the snapshot length

private:
    ::pcap* dead_;
    ::pcap_dumper* dumper_;
};

// Everyday traffic around the requests worth capturing, in an Ethernet
// savefile; returns the lines it yields with the default settings.
Strings WriteMixedSavefile(const std::string& path);

// Records rows and titles as "added\tADDRESS[\tplayer\tID]" and
// "title\tADDRESS\tTITLE", with the media list's duplicate rule. Read it
// only after the capture thread has ended.
class LineSink final : public CaptureSink {
public:
    void AddCapturedRow(const std::string& address, const std::string&, const std::string& id) override
    {
        if (addresses_.insert(address).second)
            lines_.push_back("added\t" + address + (id.empty() ? "" : "\tplayer\t" + id));
        if (onRow)
            onRow();
    }
    void SetCapturedTitle(const std::string& address, const std::string& title) override
    {
        if (addresses_.count(address))
            lines_.push_back("title\t" + address + "\t" + title);
    }
    std::function<void()> onRow;  // on the capture thread after each row
    Strings Take()                // the lines so far; starts afresh
    {
        addresses_.clear();
        return std::exchange(lines_, {});
    }

private:
    std::set<std::string> addresses_;
    Strings lines_;
};

}  // namespace capturetest
