#include "frame_builder.h"

#include <pcap/pcap.h>

#include <stdexcept>

namespace capturetest {

SavefileWriter::SavefileWriter(const std::string& path, int linkType)
    : dead_(pcap_open_dead(linkType, 262144)), dumper_(pcap_dump_open(dead_, path.c_str()))
{
    if (!dumper_)
        throw std::runtime_error("cannot write " + path);
}

SavefileWriter::~SavefileWriter()
{
    pcap_dump_close(dumper_);
    pcap_close(dead_);
}

void SavefileWriter::Write(const std::string& frame, size_t cut)
{
    pcap_pkthdr header{};
    header.ts.tv_sec = 1700000000;
    header.len = static_cast<bpf_u_int32>(frame.size());
    header.caplen = static_cast<bpf_u_int32>(frame.size() - cut);
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, reinterpret_cast<const u_char*>(frame.data()));
}

Strings WriteMixedSavefile(const std::string& path)
{
    // A request padded to an exact frame size: frames of 96 bytes are skipped unread.
    auto sized = [](const std::string& target, size_t size) {
        const std::string request = "GET " + target + " HTTP/1.0\r\n";
        return Frame(80, request + std::string(size - 56 - request.size(), 'x') + "\r\n");
    };
    SavefileWriter writer(path, DLT_EN10MB);
    for (const std::string& frame : {
             Frame(80, ""), Frame(80, HttpGet("/v/a.asf")), Frame(80, HttpGet("/index.html")),
             Frame(80, HttpGet(".asf")), Frame(443, HttpGet("/tls.asf")),
             Frame(8080, HttpGet("/Cam/B.WMV?x=1")),
             Frame(8080, HttpGet("http://media.example.net:81/live/a.asf")),  // sent to a proxy
             Frame(80, HttpGet("v/b.asf")), Frame(80, HttpGet("/v/a.asf")),   // the player asks again
             sized("/s96.asf", 96), sized("/s97.asf", 97),
             // IP and TCP options, an Ethernet trailer
             Ethernet(Ipv4(Tcp(80, HttpGet("/opt.asf"), 40000, 12), 0x4000, 8)) + std::string(20, '\xEE'),
             Frame(554, RtspDescribe("rtsp://10.0.0.5/live")),
             Frame(555, RtspDescribe("rtsp://10.0.0.5/555")),
             Frame(554, "OPTIONS rtsp://10.0.0.5/opt RTSP/1.0\r\nCSeq: 1\r\n\r\n"),
             Ethernet(Ipv4(Tcp(80, HttpGet("/frag.asf")), 0x2000)),  // a fragment has no TCP header
             Ethernet(Pppoe(Ipv4(Tcp(80, HttpGet("/ppp/c.wma"))), true), 0x8864),
             Frame(1755, MmsConnect("NSPlayer/9.0.0.4503; {01234567-89AB-CDEF-0123-456789ABCDEF}; Host: h")),
             Frame(1755, MmsOpenFile(u"live/x.asf")), Frame(1755, MmsOpenFile(u"live/x.asf")),
             FromServer(AsfTitleHeader(u"Evening news", true))})
        writer.Write(frame);
    writer.Write(Frame(80, HttpGet("/cut/short.asf")), 8);  // IP total length beyond the capture
    return {"added\thttp://10.0.0.5/v/a.asf",
            "added\thttp://10.0.0.5:8080/Cam/B.WMV?x=1",
            "added\thttp://media.example.net:81/live/a.asf",
            "added\thttp://10.0.0.5/v/b.asf",
            "added\thttp://10.0.0.5/s97.asf",
            "added\thttp://10.0.0.5/opt.asf",
            "added\trtsp://10.0.0.5/live",
            "added\thttp://10.0.0.5/ppp/c.wma",
            "added\tmms://10.0.0.5/live/x.asf\tplayer\t"
            "NSPlayer/9.0.0.4503; {01234567-89AB-CDEF-0123-456789ABCDEF}",
            "title\tmms://10.0.0.5/live/x.asf\tEvening news"};
}

}  // namespace capturetest
