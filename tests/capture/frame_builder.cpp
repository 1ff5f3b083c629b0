#include "frame_builder.h"

#include <pcap/pcap.h>

#include <cstring>

#include "formats/asf_guids.h"
#include "formats/le.h"

namespace capturetest {

namespace {

void PutBe16(uint8_t* p, unsigned v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

void Append(std::string& out, const void* data, size_t size)
{
    out.append(static_cast<const char*>(data), size);
}

void Append16(std::string& out, uint16_t v)
{
    uint8_t b[2];
    le::Store16(b, v);
    Append(out, b, 2);
}

void Append32(std::string& out, uint32_t v)
{
    uint8_t b[4];
    le::Store32(b, v);
    Append(out, b, 4);
}

void Append64(std::string& out, uint64_t v)
{
    uint8_t b[8];
    le::Store64(b, v);
    Append(out, b, 8);
}

}  // namespace

Bytes Ipv4(const TcpPacket& packet)
{
    const size_t ipHeader = 20 + packet.ipOptionBytes;
    const size_t tcpHeader = 20 + packet.tcpOptionBytes;
    const size_t total = ipHeader + tcpHeader + packet.payload.size();
    Bytes ip(total, 0);
    ip[0] = static_cast<uint8_t>(0x40 | (ipHeader / 4));
    PutBe16(&ip[2], static_cast<unsigned>(total));
    PutBe16(&ip[4], 0x1234);
    PutBe16(&ip[6], packet.fragmentField);
    ip[8] = 64;
    ip[9] = packet.protocol;
    std::memcpy(&ip[12], packet.source.data(), 4);
    std::memcpy(&ip[16], packet.dest.data(), 4);
    for (size_t i = 20; i < ipHeader; ++i)
        ip[i] = 1;  // no-operation options
    uint8_t* tcp = &ip[ipHeader];
    PutBe16(tcp, packet.sourcePort);
    PutBe16(tcp + 2, packet.destPort);
    PutBe16(tcp + 4, 0x0102);
    tcp[12] = static_cast<uint8_t>((tcpHeader / 4) << 4);
    tcp[13] = 0x18;  // PSH, ACK
    PutBe16(tcp + 14, 65535);
    for (size_t i = 20; i < tcpHeader; ++i)
        tcp[i] = 1;
    std::memcpy(tcp + tcpHeader, packet.payload.data(), packet.payload.size());
    return ip;
}

Bytes Ethernet(const Bytes& payload, uint16_t etherType)
{
    Bytes frame(14, 0);
    const uint8_t dest[6] = {0x02, 0, 0, 0, 0, 0x05};
    const uint8_t source[6] = {0x02, 0, 0, 0, 0, 0x02};
    std::memcpy(&frame[0], dest, 6);
    std::memcpy(&frame[6], source, 6);
    PutBe16(&frame[12], etherType);
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

Bytes Pppoe(const Bytes& ip, bool oneByteProtocol, uint16_t etherType, uint8_t code)
{
    Bytes pppoe = {0x11, code, 0x00, 0x2A, 0, 0};
    if (oneByteProtocol) {
        pppoe.push_back(0x21);
    } else {
        pppoe.push_back(0x00);
        pppoe.push_back(0x21);
    }
    PutBe16(&pppoe[4], static_cast<unsigned>(ip.size() + pppoe.size() - 6));
    pppoe.insert(pppoe.end(), ip.begin(), ip.end());
    return Ethernet(pppoe, etherType);
}

Bytes LinuxCooked(const Bytes& ip, uint16_t protocol)
{
    Bytes frame(16, 0);
    PutBe16(&frame[0], 4);    // sent by us
    PutBe16(&frame[2], 772);  // loopback hardware type
    PutBe16(&frame[4], 6);
    PutBe16(&frame[14], protocol);
    frame.insert(frame.end(), ip.begin(), ip.end());
    return frame;
}

Bytes LinuxCooked2(const Bytes& ip, uint16_t protocol)
{
    Bytes frame(20, 0);
    PutBe16(&frame[0], protocol);
    frame[4] = 0;
    frame[5] = 0;
    frame[6] = 0;
    frame[7] = 1;  // interface index
    PutBe16(&frame[8], 1);
    frame[10] = 4;
    frame[11] = 6;
    frame.insert(frame.end(), ip.begin(), ip.end());
    return frame;
}

std::string HttpGet(const std::string& target)
{
    return "GET " + target +
           " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: NSPlayer/9.0.0.2980\r\n"
           "Host: 10.0.0.5\r\nPragma: no-cache,rate=1.000000\r\n\r\n";
}

std::string RtspDescribe(const std::string& address)
{
    return "DESCRIBE " + address +
           " RTSP/1.0\r\nAccept: application/sdp\r\nCSeq: 1\r\n"
           "User-Agent: WMPlayer/11.0.5721.5145\r\n\r\n";
}

std::string Utf16(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
        Append16(out, static_cast<uint16_t>(c));
    return out;
}

std::string MmsCommand(uint32_t messageId, const std::string& body)
{
    // The message is padded to whole 8-byte units, as players send it.
    size_t total = 40 + body.size();
    total = (total + 7) / 8 * 8;
    std::string m;
    const uint8_t start[4] = {1, 0, 0, 0};
    Append(m, start, 4);
    Append32(m, 0xB00BFACE);
    Append32(m, static_cast<uint32_t>(total - 16));
    m += "MMS ";
    Append32(m, static_cast<uint32_t>((total - 16) / 8));
    Append16(m, 3);  // sequence
    Append16(m, 0);
    Append64(m, 0);  // time sent
    Append32(m, static_cast<uint32_t>((total - 32) / 8));
    Append32(m, messageId);
    m += body;
    m.resize(total, '\0');
    return m;
}

std::string MmsConnect(const std::u16string& playerId)
{
    std::string body;
    Append32(body, 0xF0F0F0EF);  // play incarnation
    Append32(body, 0x0004000B);
    Append32(body, 0x0003001C);
    body += Utf16(playerId);
    Append16(body, 0);
    return MmsCommand(0x00030001, body);
}

std::string MmsOpenFile(const std::u16string& fileName)
{
    std::string body;
    Append32(body, 0x00000001);  // play incarnation
    Append32(body, 0);           // spare
    Append32(body, 0);           // token
    Append32(body, 0);           // token length
    body += Utf16(fileName);
    Append16(body, 0);
    return MmsCommand(0x00030005, body);
}

std::string AsfHeaderWithTitle(const std::u16string& title, bool mmsPrefix)
{
    std::string description;
    const std::string titleBytes = Utf16(title) + std::string(2, '\0');
    const std::string author = Utf16(u"Archive") + std::string(2, '\0');
    Append(description, asf::kContentDescription.data(), 16);
    Append64(description, 24 + 10 + titleBytes.size() + author.size());
    Append16(description, static_cast<uint16_t>(titleBytes.size()));
    Append16(description, static_cast<uint16_t>(author.size()));
    Append16(description, 0);
    Append16(description, 0);
    Append16(description, 0);
    description += titleBytes + author;

    // Another object before it, as real headers start with file properties.
    std::string other;
    Append(other, asf::kFileProperties.data(), 16);
    Append64(other, 24 + 80);
    other.append(80, '\x07');

    std::string header;
    Append(header, asf::kHeader.data(), 16);
    Append64(header, 30 + other.size() + description.size());
    Append32(header, 2);
    header += '\x01';
    header += '\x02';
    header += other + description;
    if (!mmsPrefix)
        return header;
    std::string packet;
    Append32(packet, 0);  // location
    packet += '\0';       // incarnation
    packet += '\x0C';     // flags
    Append16(packet, static_cast<uint16_t>(header.size() + 8));
    return packet + header;
}

std::unique_ptr<uint8_t[]> ExactCopy(const Bytes& frame)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[frame.empty() ? 1 : frame.size()]);
    if (!frame.empty())
        std::memcpy(copy.get(), frame.data(), frame.size());
    return copy;
}

SavefileWriter::SavefileWriter(const std::string& path, int linkType)
{
    dead_ = pcap_open_dead(linkType, 262144);
    if (dead_)
        dumper_ = pcap_dump_open(dead_, path.c_str());
}

SavefileWriter::~SavefileWriter()
{
    if (dumper_)
        pcap_dump_close(dumper_);
    if (dead_)
        pcap_close(dead_);
}

void SavefileWriter::Write(const Bytes& frame, size_t capturedLength)
{
    pcap_pkthdr header{};
    header.ts.tv_sec = seconds_++;
    header.ts.tv_usec = 0;
    header.len = static_cast<bpf_u_int32>(frame.size());
    header.caplen = static_cast<bpf_u_int32>(std::min(capturedLength, frame.size()));
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, frame.data());
}

int RecordingSink::AddCapturedRow(const std::string& address, const std::string& title,
                                  const std::string& identity)
{
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].address == address)
            return static_cast<int>(i);
    }
    rows_.push_back({address, title, identity});
    return static_cast<int>(rows_.size() - 1);
}

void RecordingSink::SetCapturedTitle(const std::string& address, const std::string& title)
{
    std::lock_guard lock(mutex_);
    ++titleCalls_;
    for (Row& row : rows_) {
        if (row.address == address) {
            row.title = title;
            return;
        }
    }
}

std::vector<RecordingSink::Row> RecordingSink::Rows() const
{
    std::lock_guard lock(mutex_);
    return rows_;
}

std::vector<std::string> RecordingSink::Addresses() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const Row& r : rows_)
        out.push_back(r.address);
    return out;
}

int RecordingSink::titleCalls() const
{
    std::lock_guard lock(mutex_);
    return titleCalls_;
}

}  // namespace capturetest

namespace capturetest {

MixedCapture WriteMixedSavefile(const std::string& path)
{
    MixedCapture result;
    SavefileWriter writer(path, 1 /* DLT_EN10MB */);
    auto write = [&](const Bytes& frame, size_t captured = SIZE_MAX) {
        writer.Write(frame, captured);
        ++result.frames;
    };
    auto to = [](uint16_t port, std::string payload) {
        TcpPacket p;
        p.destPort = port;
        p.payload = std::move(payload);
        return p;
    };
    TcpPacket ack = to(80, "");
    write(TcpFrame(ack));
    write(TcpFrame(to(80, HttpGet("/v/a.asf"))));
    write(TcpFrame(to(80, HttpGet("/index.html"))));
    write(TcpFrame(to(443, HttpGet("/tls.asf"))));
    write(TcpFrame(to(8080, HttpGet("/Cam/B.WMV?x=1"))));
    write(TcpFrame(to(80, HttpGet("/v/a.asf"))));  // the player asks again
    // Cut by the snapshot length: its IP total length lies beyond the capture.
    const Bytes cut = TcpFrame(to(80, HttpGet("/cut/short.asf")));
    write(cut, cut.size() - 8);
    write(TcpFrame(to(554, RtspDescribe("rtsp://10.0.0.5/live"))));
    // The first fragment of a request: no TCP header is skipped in a fragment.
    TcpPacket fragment = to(80, HttpGet("/frag.asf"));
    fragment.fragmentField = 0x2000;
    write(TcpFrame(fragment));
    // Lengths that claim more than the frame holds.
    Bytes lying = TcpFrame(to(80, HttpGet("/lie.asf")));
    lying[14 + 2] = 0x05;  // IP total length 1400
    lying[14 + 3] = 0x78;
    write(lying);
    TcpPacket shortSegment = to(80, "GET /x.asf");
    shortSegment.ipOptionBytes = 40;
    Bytes tcpLie = TcpFrame(shortSegment);
    tcpLie[14 + 60 + 12] = 0xF0;  // TCP header of 60 bytes in a 30-byte segment
    write(tcpLie);
    write(Pppoe(Ipv4(to(80, HttpGet("/ppp/c.wma"))), true));
    write(TcpFrame(to(1755, MmsConnect(u"NSPlayer/9.0.0.4503; {01234567-89AB-CDEF-0123-"
                                        u"456789ABCDEF}; Host: 10.0.0.5"))));
    write(TcpFrame(to(1755, MmsOpenFile(u"live/x.asf"))));
    write(TcpFrame(to(1755, MmsOpenFile(u"live/x.asf"))));
    TcpPacket reply;
    reply.source = {10, 0, 0, 5};
    reply.dest = {10, 0, 0, 2};
    reply.sourcePort = 1755;
    reply.destPort = 40000;
    reply.payload = AsfHeaderWithTitle(u"Evening news", true);
    write(TcpFrame(reply));
    for (int i = 0; i < 5; ++i)
        write(TcpFrame(ack));

    result.expectedLines = {
        "added\thttp://10.0.0.5/v/a.asf",
        "added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1",
        "added\trtsp://10.0.0.5/live",
        "added\thttp://10.0.0.5/ppp/c.wma",
        "added\tmms://10.0.0.5/live/x.asf\tplayer\tNSPlayer/9.0.0.4503; "
        "{01234567-89AB-CDEF-0123-456789ABCDEF}",
        "title\tmms://10.0.0.5/live/x.asf\tEvening news",
    };
    return result;
}

}  // namespace capturetest
