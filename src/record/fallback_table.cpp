#include "record/fallback_table.h"

#include <string_view>

#include "formats/ascii.h"
#include "protocols/net/url_parts.h"

namespace {

bool Contains(const std::string& text, std::string_view what)
{
    return text.find(what) != std::string::npos;
}

}  // namespace

uint32_t AddressTypeBits(const std::string& address)
{
    const std::string a = ascii::LowerCopy(address);
    uint32_t bits;
    if (Contains(a, "mms:") || Contains(a, "mmst:"))
        bits = kTypeMms;
    else if (Contains(a, "rtsp:"))
        bits = kTypeRtsp;
    else
        bits = kTypeHttpOrLocal;

    static const char* const kOtherMedia[] = {".mov", ".mpg", ".mpeg", ".rm", ".ram", ".rpm", ".mp3"};
    static const char* const kAsfFamily[] = {".asx", ".asf", ".wax", ".wma", ".wmv"};
    for (const char* e : kOtherMedia) {
        if (Contains(a, e))
            return bits | kTypeOtherMedia;
    }
    for (const char* e : kAsfFamily) {
        if (Contains(a, e))
            return bits | kTypeAsfFamily;
    }
    return bits | kTypeOther;
}

const std::vector<FallbackRow>& RecordFallbackTable()
{
    using K = ClientKind;
    static const std::vector<FallbackRow> table = {
        {kTypeHttpOrLocal, true, 3, {K::Mmsh, K::HttpDownload, K::MmsTcp}},
        {kTypeHttpOrLocal, false, 3, {K::HttpDownload, K::Mmsh, K::MmsTcp}},
        {kTypeMms, true, 3, {K::MmsTcp, K::Mmsh, K::HttpDownload}},
        {kTypeMms, false, 3, {K::MmsTcp, K::HttpDownload, K::Mmsh}},
        {kTypeRtsp, true, 3, {K::Rtsp, K::Mmsh, K::HttpDownload}},
        {kTypeRtsp, false, 3, {K::Rtsp, K::HttpDownload, K::Mmsh}},
    };
    return table;
}

const std::vector<FallbackRow>& ProbeFallbackTable()
{
    using K = ClientKind;
    static const std::vector<FallbackRow> table = {
        {kTypeHttpOrLocal, true, 4, {K::Mmsh, K::HttpDownload, K::MmsTcp, K::Rtsp}},
        {kTypeHttpOrLocal, false, 4, {K::HttpDownload, K::Mmsh, K::MmsTcp, K::Rtsp}},
        {kTypeMms, true, 3, {K::MmsTcp, K::Mmsh, K::HttpDownload}},
        {kTypeMms, false, 3, {K::MmsTcp, K::HttpDownload, K::Mmsh}},
        {kTypeRtsp, true, 3, {K::Rtsp, K::Mmsh, K::HttpDownload}},
        {kTypeRtsp, false, 3, {K::Rtsp, K::HttpDownload, K::Mmsh}},
    };
    return table;
}

const FallbackRow& FallbackRowFor(const std::vector<FallbackRow>& table, uint32_t typeBits)
{
    const uint32_t scheme = typeBits & (kTypeHttpOrLocal | kTypeMms | kTypeRtsp);
    const bool asf = (typeBits & kTypeAsfFamily) != 0;
    for (const FallbackRow& row : table) {
        if (row.scheme == scheme && row.asfFamily == asf)
            return row;
    }
    return table.front();  // unreachable for bits made by AddressTypeBits
}

StreamTransport TransportOf(ClientKind kind)
{
    switch (kind) {
    case ClientKind::MmsTcp: return StreamTransport::MmsTcp;
    case ClientKind::Rtsp: return StreamTransport::Rtsp;
    case ClientKind::Mmsh: return StreamTransport::MmsHttp;
    case ClientKind::HttpDownload: return StreamTransport::Http;
    }
    return StreamTransport::None;
}

std::string RewriteRtspToMms(const std::string& address)
{
    std::string out;
    out.reserve(address.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = address.find("rtsp://", pos);
        if (hit == std::string::npos) {
            out.append(address, pos, std::string::npos);
            return out;
        }
        out.append(address, pos, hit - pos);
        out += "mms://";
        pos = hit + 7;
    }
}

bool MayGetJobCredentials(const std::string& url, const std::string& jobUrl)
{
    return net::SameCredentialOrigin(url, jobUrl) || net::SameCredentialOrigin(url, RewriteRtspToMms(jobUrl));
}

bool MemberCredentialsGoTo(const std::string& address, const std::string& memberAddress)
{
    if (memberAddress.empty())
        return false;
    const std::string forms[] = {address, RewriteRtspToMms(address)};
    const std::string memberForms[] = {memberAddress, RewriteRtspToMms(memberAddress)};
    for (const std::string& a : forms) {
        for (const std::string& m : memberForms) {
            if (net::SameCredentialOrigin(a, m))
                return true;
        }
    }
    return false;
}
