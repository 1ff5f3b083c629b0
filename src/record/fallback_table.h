#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/stream_info.h"
#include "protocols/protocol_client.h"

// Address type bits: one of the scheme group, one of the extension group.
enum AddressType : uint32_t {
    kTypeHttpOrLocal = 0x1,  // http:, mmsu: and everything else
    kTypeMms = 0x2,          // mms: or mmst:
    kTypeRtsp = 0x80,
    kTypeAsfFamily = 0x10,   // .asx .asf .wax .wma .wmv
    kTypeOtherMedia = 0x20,  // .mov .mpg .mpeg .rm .ram .rpm .mp3
    kTypeOther = 0x40,
};

// The type bits of an address (substring tests on the lower-cased text).
uint32_t AddressTypeBits(const std::string& address);

// One row of a fallback table: the clients tried, in order, for a scheme
// bit with or without the ASF family bit.
struct FallbackRow {
    uint32_t scheme;
    bool asfFamily;
    int count;
    ClientKind clients[4];
};

// The order of a recording and the order of the URL check's probe.
const std::vector<FallbackRow>& RecordFallbackTable();
const std::vector<FallbackRow>& ProbeFallbackTable();
// The row of a table for the given type bits (every combination has one).
const FallbackRow& FallbackRowFor(const std::vector<FallbackRow>& table, uint32_t typeBits);

// The transport a client speaks.
StreamTransport TransportOf(ClientKind kind);

// Every "rtsp://" becomes "mms://".
std::string RewriteRtspToMms(const std::string& address);

// Whether credentials given for the job's address may go to url unasked:
// the same scheme, host and port (net::SameCredentialOrigin), the job's
// rtsp:// address also as the mms:// one its first attempts record.
bool MayGetJobCredentials(const std::string& url, const std::string& jobUrl);
// Whether the member credentials (given for memberAddress, see
// AppSettings::m_memberAddress) go unasked to a job or probe of address:
// both share scheme, host and port, an rtsp:// address also as its mms://
// form. An empty memberAddress belongs to no server.
bool MemberCredentialsGoTo(const std::string& address, const std::string& memberAddress);
