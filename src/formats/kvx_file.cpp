#include "formats/kvx_file.h"

#include <cstring>

#include "formats/legacy_text.h"

namespace kvx {

namespace {

void PutText(uint8_t* base, Field field, std::string_view text, size_t maxBytes)
{
    if (maxBytes > field.size - 1)
        maxBytes = field.size - 1;
    const std::string_view cut = CutUtf8(text, maxBytes);
    std::memset(base + field.offset, 0, field.size);
    if (!cut.empty())
        std::memcpy(base + field.offset, cut.data(), cut.size());
}

void PutText(uint8_t* base, Field field, std::string_view text)
{
    PutText(base, field, text, field.size - 1);
}

std::string GetText(const uint8_t* base, Field field)
{
    const char* p = reinterpret_cast<const char*>(base + field.offset);
    // A field without its terminator is read to its last-but-one byte,
    // never into the next field.
    const size_t n = strnlen(p, field.size - 1);
    return std::string(p, n);
}

bool AllValidUtf8(const Header& h, const std::vector<Record>& records)
{
    for (const std::string* s : {&h.info, &h.user, &h.password})
        if (!IsValidUtf8(*s))
            return false;
    for (const Record& r : records)
        for (const std::string* s : {&r.title, &r.address, &r.time, &r.size, &r.info})
            if (!IsValidUtf8(*s))
                return false;
    return true;
}

}  // namespace

void EncodeHeader(const Header& header, uint8_t (&out)[kHeaderSize])
{
    std::memset(out, 0, sizeof out);
    PutText(out, kVersion, kVersionText);
    PutText(out, kTag, kTagText);
    PutText(out, kListInfo, header.info, kListInfoMax);
    PutText(out, kUser, header.user);
    PutText(out, kPassword, header.password);
}

void EncodeRecord(const Record& record, uint8_t (&out)[kRecordSize])
{
    std::memset(out, 0, sizeof out);
    PutText(out, kProgramTag1, kProgramTagText);
    PutText(out, kProgramTag2, kProgramTagText);
    PutText(out, kTitle, record.title);
    PutText(out, kAddress, record.address);
    PutText(out, kTime, record.time);
    PutText(out, kSize, IsNegativeSizeText(record.size) ? std::string_view() : record.size);
    PutText(out, kInfo, record.info, kInfoMax);
}

Header DecodeHeader(const uint8_t* bytes)
{
    Header h;
    h.version = GetText(bytes, kVersion);
    h.tag = GetText(bytes, kTag);
    h.info = GetText(bytes, kListInfo);
    h.user = GetText(bytes, kUser);
    h.password = GetText(bytes, kPassword);
    return h;
}

Record DecodeRecord(const uint8_t* bytes)
{
    Record r;
    r.title = GetText(bytes, kTitle);
    r.address = GetText(bytes, kAddress);
    r.time = GetText(bytes, kTime);
    r.size = GetText(bytes, kSize);
    r.info = GetText(bytes, kInfo);
    return r;
}

bool IsNegativeSizeText(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i >= text.size() || text[i] != '-')
        return false;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (text[i] != '0')
            return true;
    return false;
}

File Parse(std::string_view bytes)
{
    File file;
    if (bytes.size() < kHeaderSize) {
        file.status = ParseStatus::TooShort;
        return file;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    file.header = DecodeHeader(data);
    if (file.header.version != kVersionText) {
        file.status = ParseStatus::BadVersion;
        return file;
    }
    if (file.header.tag != kTagText) {
        file.status = ParseStatus::BadTag;
        return file;
    }
    file.status = ParseStatus::Ok;
    const size_t body = bytes.size() - kHeaderSize;
    const size_t count = body / kRecordSize;
    file.trailingBytes = body % kRecordSize;
    file.records.reserve(count);
    for (size_t i = 0; i < count; ++i)
        file.records.push_back(DecodeRecord(data + kHeaderSize + i * kRecordSize));
    if (!AllValidUtf8(file.header, file.records)) {
        file.legacyEncoding = true;
        Cp949Decoder decoder;
        const auto Convert = [&decoder](std::string& s) { s = decoder.Convert(s); };
        Convert(file.header.info);
        Convert(file.header.user);
        Convert(file.header.password);
        for (Record& r : file.records) {
            Convert(r.title);
            Convert(r.address);
            Convert(r.time);
            Convert(r.size);
            Convert(r.info);
        }
    }
    return file;
}

}  // namespace kvx
