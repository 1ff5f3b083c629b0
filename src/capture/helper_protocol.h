#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the capture helper writes to its standard output: a run of records,
// each a type byte, a 32-bit little-endian payload length and the payload.
//
//   'H' head     protocol version (u32 LE), libpcap link type (u32 LE); the
//                first record of a capture, once the adapter is open
//   'F' frame    the captured bytes of one frame
//   'R' rights   one byte: 1 when the helper holds the capture capability
//                (or runs as root); the first record of a listing
//   'A' adapter  name, NUL, description, then each address as NUL + text
//   'E' error    a CaptureHelperError byte, then the text
//
// The helper's output is read as hostile input: every length is checked
// against the ceiling of its record type before anything is buffered.
namespace capturehelper {

constexpr uint32_t kProtocolVersion = 1;
constexpr size_t kRecordHeaderBytes = 5;
constexpr uint32_t kHeadBytes = 8;
constexpr uint32_t kMaxFrameBytes = 262144;  // libpcap's largest snapshot
constexpr uint32_t kMaxAdapterBytes = 4096;
constexpr uint32_t kMaxErrorBytes = 1024;
constexpr size_t kMaxAdapters = 512;
constexpr size_t kMaxAddresses = 64;
constexpr size_t kMaxDescription = 1023;

enum class RecordType : uint8_t {
    kHead = 'H',
    kFrame = 'F',
    kRights = 'R',
    kAdapter = 'A',
    kError = 'E',
};

// Why the helper could not capture; sent in an error record.
enum class ErrorKind : uint8_t { kNotPermitted = 1, kNoSuchAdapter = 2, kOther = 3 };

// The ports whose TCP traffic the helper lets through; nothing else can be
// asked for.
constexpr uint16_t kWatchablePorts[] = {80, 554, 1755, 8080};

// The largest payload a record of this type may have; 0 for an unknown type.
uint32_t MaxPayload(uint8_t type);

// One whole record, ready to write.
std::string EncodeRecord(RecordType type, std::string_view payload);

// Splits the helper's output into records, whatever way the reads cut it.
// It buffers at most one record and one read; a record of an unknown type,
// or longer than its type allows, makes the whole output malformed.
class RecordReader {
public:
    static constexpr size_t kMaxRead = 65536;

    // Adds bytes that were read (at most kMaxRead at a time).
    void Feed(const char* bytes, size_t size);
    enum class Status { kRecord, kNeedMore, kMalformed };
    // The next whole record; its payload stays valid until the next call.
    Status Next(RecordType* type, std::string_view* payload);
    const std::string& problem() const { return problem_; }

private:
    Status Fail(std::string problem);

    std::string buffer_;
    size_t used_ = 0;  // bytes of buffer_ already returned
    std::string problem_;
};

// An adapter as the helper lists it.
struct AdapterRecord {
    std::string name;
    std::string description;
    std::vector<std::string> addresses;
};
std::string EncodeAdapter(const AdapterRecord& adapter);
// False for a payload that breaks the record's rules (a bad name, too many
// or too long addresses). Control bytes of the description become blanks.
bool DecodeAdapter(std::string_view payload, AdapterRecord* adapter);

// A name the helper accepts for an adapter: 1 to 15 bytes of printable
// ASCII without blanks, '/', ':' or '\', not "." or "..", not starting with
// '-'.
bool ValidInterfaceName(std::string_view name);

// "80,554": each a watchable port, each once. False for anything else.
bool ParsePorts(std::string_view text, std::vector<uint16_t>* ports);
std::string PortsText(const std::vector<uint16_t>& ports);

// The filter expression for the ports: requests to the web and RTSP ports,
// both directions of the MMS port (the server's header carries the title),
// plain and inside PPPoE sessions.
std::string FilterFor(const std::vector<uint16_t>& ports);

// Text that came from another process, fit to show: cut to limit bytes,
// control bytes replaced by blanks.
std::string ShownText(std::string_view text, size_t limit);

}  // namespace capturehelper
