#include "formats/kvx_file.h"

#include <algorithm>
#include <cstring>

#include "formats/legacy_text.h"

namespace kvx {

namespace {

// Each text field of a header or record: where it lies, the member that
// holds it, and the most the writer stores there.
template <typename T>
struct TextField {
    Field field;
    std::string T::*member;
    size_t maxBytes;
};

constexpr TextField<Header> kHeaderTexts[] = {
    {kVersion, &Header::version, kVersion.size - 1}, {kTag, &Header::tag, kTag.size - 1},
    {kListInfo, &Header::info, kListInfoMax},        {kUser, &Header::user, kUser.size - 1},
    {kPassword, &Header::password, kPassword.size - 1},
};
constexpr TextField<Record> kRecordTexts[] = {
    {kTitle, &Record::title, kTitle.size - 1}, {kAddress, &Record::address, kAddress.size - 1},
    {kTime, &Record::time, kTime.size - 1},    {kSize, &Record::size, kSize.size - 1},
    {kInfo, &Record::info, kInfoMax},
};

void PutText(uint8_t* base, Field field, std::string_view text, size_t maxBytes)
{
    const std::string_view cut = CutUtf8(text, std::min(maxBytes, field.size - 1));
    std::memset(base + field.offset, 0, field.size);
    if (!cut.empty())
        std::memcpy(base + field.offset, cut.data(), cut.size());
}

std::string GetText(const uint8_t* base, Field field)
{
    const char* p = reinterpret_cast<const char*>(base + field.offset);
    // A field without its terminator is read to its last-but-one byte,
    // never into the next field.
    return std::string(p, strnlen(p, field.size - 1));
}

template <typename T, size_t N>
void Encode(const T& value, const TextField<T> (&texts)[N], uint8_t* out)
{
    for (const TextField<T>& t : texts)
        PutText(out, t.field, value.*t.member, t.maxBytes);
}

template <typename T, size_t N>
T Decode(const uint8_t* bytes, const TextField<T> (&texts)[N])
{
    T value;
    for (const TextField<T>& t : texts)
        value.*t.member = GetText(bytes, t.field);
    return value;
}

template <typename T, size_t N, typename F>
void ForEachText(T& value, const TextField<T> (&texts)[N], F f)
{
    for (const TextField<T>& t : texts)
        f(value.*t.member);
}

}  // namespace

// Texts that are not UTF-8 (raw bytes from the network) are taken as CP949,
// so that a written file reads back as UTF-8 as a whole. Credentials are
// stored as given: converting could push them past their field.
void EncodeHeader(const Header& header, uint8_t (&out)[kHeaderSize])
{
    Header h = header;
    h.version = kVersionText;
    h.tag = kTagText;
    h.info = LegacyTextToUtf8(h.info);
    std::memset(out, 0, sizeof out);
    Encode(h, kHeaderTexts, out);
}

void EncodeRecord(const Record& record, uint8_t (&out)[kRecordSize])
{
    Record r = record;
    ForEachText(r, kRecordTexts, [](std::string& text) { text = LegacyTextToUtf8(text); });
    if (IsNegativeSizeText(r.size))
        r.size.clear();
    std::memset(out, 0, sizeof out);
    PutText(out, kProgramTag1, kProgramTagText, kProgramTag1.size);
    PutText(out, kProgramTag2, kProgramTagText, kProgramTag2.size);
    Encode(r, kRecordTexts, out);
}

Header DecodeHeader(const uint8_t* bytes) { return Decode(bytes, kHeaderTexts); }

Record DecodeRecord(const uint8_t* bytes) { return Decode(bytes, kRecordTexts); }

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

    // Each field alone: UTF-8 when it is valid UTF-8, else code page 949.
    Cp949Decoder decoder;
    const auto Convert = [&decoder](std::string& s) {
        if (!IsValidUtf8(s))
            s = decoder.Convert(s);
    };
    ForEachText(file.header, kHeaderTexts, Convert);
    for (Record& r : file.records)
        ForEachText(r, kRecordTexts, Convert);
    return file;
}

}  // namespace kvx
