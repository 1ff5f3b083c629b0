#include "capture/helper_protocol.h"

#include <algorithm>

namespace capturehelper {

namespace {

std::string Le32(uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

uint32_t ReadLe32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 |
           static_cast<uint32_t>(u[2]) << 16 | static_cast<uint32_t>(u[3]) << 24;
}

// Splits at NUL bytes: "a\0b" gives {"a", "b"}.
std::vector<std::string_view> SplitAtNul(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t end = text.find('\0');
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return parts;
        text.remove_prefix(end + 1);
    }
}

}  // namespace

uint32_t MaxPayload(uint8_t type)
{
    switch (static_cast<RecordType>(type)) {
    case RecordType::kHead:
        return kHeadBytes;
    case RecordType::kFrame:
        return kMaxFrameBytes;
    case RecordType::kRights:
        return 1;
    case RecordType::kAdapter:
        return kMaxAdapterBytes;
    case RecordType::kError:
        return kMaxErrorBytes;
    }
    return 0;
}

std::string EncodeRecord(RecordType type, std::string_view payload)
{
    std::string record(1, static_cast<char>(type));
    record += Le32(static_cast<uint32_t>(payload.size()));
    record += payload;
    return record;
}

void RecordReader::Feed(const char* bytes, size_t size)
{
    if (used_ > 0) {
        buffer_.erase(0, used_);
        used_ = 0;
    }
    // A reader that drains every record before it feeds more never comes
    // near this; anything else is not to be buffered.
    if (buffer_.size() + size > kRecordHeaderBytes + kMaxFrameBytes + kMaxRead) {
        Fail("more output than one record and one read");
        return;
    }
    buffer_.append(bytes, size);
}

RecordReader::Status RecordReader::Fail(std::string problem)
{
    problem_ = std::move(problem);
    buffer_.clear();
    used_ = 0;
    return Status::kMalformed;
}

RecordReader::Status RecordReader::Next(RecordType* type, std::string_view* payload)
{
    if (!problem_.empty())
        return Status::kMalformed;
    const size_t available = buffer_.size() - used_;
    if (available < kRecordHeaderBytes)
        return Status::kNeedMore;
    const char* head = buffer_.data() + used_;
    const auto kind = static_cast<uint8_t>(head[0]);
    const uint32_t limit = MaxPayload(kind);
    if (limit == 0)
        return Fail("a record of unknown type " + std::to_string(kind));
    const uint32_t length = ReadLe32(head + 1);
    if (length > limit)
        return Fail("a record of " + std::to_string(length) + " bytes, more than its type allows");
    if (available - kRecordHeaderBytes < length)
        return Status::kNeedMore;
    *type = static_cast<RecordType>(kind);
    *payload = std::string_view(head + kRecordHeaderBytes, length);
    used_ += kRecordHeaderBytes + length;
    return Status::kRecord;
}

std::string EncodeAdapter(const AdapterRecord& adapter)
{
    std::string payload = adapter.name;
    payload += '\0';
    payload += ShownText(adapter.description, kMaxDescription);
    for (size_t i = 0; i < adapter.addresses.size() && i < kMaxAddresses; ++i) {
        if (payload.size() + 1 + adapter.addresses[i].size() > kMaxAdapterBytes)
            break;
        payload += '\0';
        payload += adapter.addresses[i];
    }
    return payload;
}

bool DecodeAdapter(std::string_view payload, AdapterRecord* adapter)
{
    const std::vector<std::string_view> parts = SplitAtNul(payload);
    if (parts.size() < 2 || parts.size() - 2 > kMaxAddresses || !ValidInterfaceName(parts[0]))
        return false;
    adapter->name = std::string(parts[0]);
    adapter->description = ShownText(parts[1], kMaxDescription);
    adapter->addresses.clear();
    for (size_t i = 2; i < parts.size(); ++i) {
        // IPv4 and IPv6 addresses as text: hex digits, dots, colons.
        const std::string_view a = parts[i];
        if (a.empty() || a.size() > 45 || a.find_first_not_of("0123456789abcdefABCDEF.:") != a.npos)
            return false;
        adapter->addresses.emplace_back(a);
    }
    return true;
}

bool ValidInterfaceName(std::string_view name)
{
    if (name.empty() || name.size() > 15 || name == "." || name == ".." || name[0] == '-')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c > ' ' && c < 0x7F && c != '/' && c != ':' && c != '\\';
    });
}

bool ParsePorts(std::string_view text, std::vector<uint16_t>* ports)
{
    ports->clear();
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const auto known = std::find_if(std::begin(kWatchablePorts), std::end(kWatchablePorts),
                                        [item](uint16_t p) { return item == std::to_string(p); });
        if (known == std::end(kWatchablePorts) ||
            std::find(ports->begin(), ports->end(), *known) != ports->end())
            return false;
        ports->push_back(*known);
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

std::string PortsText(const std::vector<uint16_t>& ports)
{
    std::string text;
    for (uint16_t p : ports)
        text += (text.empty() ? "" : ",") + std::to_string(p);
    return text;
}

std::string FilterFor(const std::vector<uint16_t>& ports)
{
    std::string any;
    for (uint16_t p : ports) {
        any += any.empty() ? "(" : " or ";
        any += (p == 1755 ? "tcp port " : "tcp dst port ") + std::to_string(p);
    }
    any += ")";
    return any + " or (pppoes and " + any + ")";
}

std::string ShownText(std::string_view text, size_t limit)
{
    std::string shown(text.substr(0, limit));
    for (char& c : shown) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = ' ';
    }
    return shown;
}

}  // namespace capturehelper
