#include "formats/asx_reader.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "formats/ascii.h"

namespace {

using Mode = AsxReader::Mode;

// The pseudo-character after the last byte. It counts as blank.
constexpr int kEndOfText = -1;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == kEndOfText; }
bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A C string stops at its first NUL; references are handed on as such.
std::string_view UpToNul(std::string_view s)
{
    size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// The working state of one reading (see the header for the limits).
class Reading {
public:
    Reading(Mode mode, const uint8_t* text, size_t length, const std::vector<std::string>& leading)
        : mode_(mode), text_(text), length_(length)
    {
        if (mode_ == Mode::StreamingClient) {
            for (const std::string& word : leading) {
                if (result_.output.size() >= AsxReader::kMaxReferences)
                    break;
                result_.output.push_back(word);
            }
        }
    }

    AsxReader::Result Run();

private:
    enum Form { kUndecided = 0, kIni = 2, kPlainList = 3 };

    // One character through the state machine; true when it completed a tag.
    bool Step(int c);
    void StartTag();
    void CompleteTag();
    void Error(int number);

    // Attribute text store: append-only; once full, every further byte is
    // dropped, and the last byte of the array stays NUL so that any string
    // starting inside it is terminated.
    bool Put(char c);
    void OpenAttribute();
    void TerminateValue();
    std::string_view AttributeString(size_t start) const
    {
        return std::string_view(attributeText_.data() + start);
    }

    // Output; false when a limit is reached (the reading then ends).
    bool AddReference(std::string_view reference);
    bool AddMarker();

    void ReadIniForm();
    void ReadPlainList();
    template <typename F>
    void ForEachLine(F onLine);

    Mode mode_;
    const uint8_t* text_;
    size_t length_;
    AsxReader::Result result_;

    int state_ = 0;
    int form_ = kUndecided;
    bool skipBlanks_ = true;
    bool errorPending_ = false;
    bool full_ = false;

    std::array<char, AsxReader::kMaxTagName + 1> tagName_{};
    size_t tagLength_ = 0;
    bool closingTag_ = false;

    std::array<char, AsxReader::kMaxAttributeText + 1> attributeText_{};
    size_t attributePos_ = 0;
    std::array<uint16_t, AsxReader::kMaxAttributes> attributeNames_{};
    std::array<int16_t, AsxReader::kMaxAttributes> attributeValues_{};  // -1: no "=" yet
    size_t attributeCount_ = 0;
    int lastAttribute_ = -1;  // -1 when the current attribute was not recorded
    bool firstValueWhole_ = false;

    size_t referenceBytes_ = 0;
};

bool Reading::Put(char c)
{
    if (attributePos_ >= AsxReader::kMaxAttributeText)
        return false;
    attributeText_[attributePos_++] = c;
    return true;
}

void Reading::Error(int number)
{
    if (result_.messages.size() < AsxReader::kMaxMessages) {
        char text[32];
        std::snprintf(text, sizeof(text), "ASF syntax error %d!\n", number);
        result_.messages.push_back(text);
    }
    errorPending_ = true;
}

void Reading::StartTag()
{
    closingTag_ = false;
    tagLength_ = 0;
    tagName_[0] = '\0';
    attributePos_ = 0;
    attributeText_.fill('\0');
    attributeCount_ = 0;
    lastAttribute_ = -1;
    firstValueWhole_ = false;
    state_ = 2;
    skipBlanks_ = true;
}

void Reading::OpenAttribute()
{
    if (attributeCount_ >= AsxReader::kMaxAttributes) {
        lastAttribute_ = -1;
        return;
    }
    lastAttribute_ = static_cast<int>(attributeCount_);
    attributeNames_[attributeCount_] = static_cast<uint16_t>(attributePos_);
    attributeValues_[attributeCount_] = -1;
    ++attributeCount_;
}

void Reading::TerminateValue()
{
    bool whole = Put('\0');
    if (lastAttribute_ == 0)
        firstValueWhole_ = whole;
}

bool Reading::AddReference(std::string_view reference)
{
    reference = UpToNul(reference);
    if (result_.output.size() >= AsxReader::kMaxReferences ||
        referenceBytes_ + reference.size() + 1 > AsxReader::kMaxReferenceText) {
        full_ = true;
        return false;
    }
    referenceBytes_ += reference.size() + 1;
    result_.output.emplace_back(reference);
    ++result_.referenceCount;
    return true;
}

bool Reading::AddMarker()
{
    if (mode_ != Mode::StreamingClient)
        return true;  // only the streaming client marks entries
    if (result_.output.size() >= AsxReader::kMaxReferences) {
        full_ = true;
        return false;
    }
    result_.output.emplace_back(AsxReader::kEntryMarker);
    return true;
}

bool Reading::Step(int c)
{
    for (;;) {
        switch (state_) {
        case 0:
            if (c == '<') {
                StartTag();
            } else if (c == '[') {
                form_ = kIni;
            } else if (IsLetter(c)) {
                if (tagLength_ < AsxReader::kMaxTagName)
                    tagName_[tagLength_++] = static_cast<char>(c);
                skipBlanks_ = false;
            } else {
                tagName_[tagLength_] = '\0';
                std::string_view word(tagName_.data(), tagLength_);
                if (ascii::EqualsNoCase(word, "ASF") || ascii::EqualsNoCase(word, "http") ||
                    ascii::EqualsNoCase(word, "mms") || ascii::EqualsNoCase(word, "mmst") ||
                    ascii::EqualsNoCase(word, "mmsu"))
                    form_ = kPlainList;
                else
                    Error(1);
            }
            return false;
        case 1:
            if (c == '<')
                StartTag();
            return false;
        case 2:
            if (c == '/') {
                closingTag_ = true;
            } else if (IsLetter(c)) {
                state_ = 3;
                skipBlanks_ = false;
                continue;
            } else {
                Error(2);
            }
            return false;
        case 3:
            if (IsBlank(c)) {
                tagName_[tagLength_] = '\0';
                state_ = 4;
                skipBlanks_ = true;
            } else if (IsLetter(c)) {
                if (tagLength_ < AsxReader::kMaxTagName)
                    tagName_[tagLength_++] = static_cast<char>(c);
            } else if (c == '/') {
                tagName_[tagLength_] = '\0';
                closingTag_ = true;
                state_ = 10;
                skipBlanks_ = true;
            } else if (c == '>') {
                tagName_[tagLength_] = '\0';
                return true;
            } else {
                Error(3);
            }
            return false;
        case 4:
            if (IsLetter(c)) {
                OpenAttribute();
                state_ = 5;
                skipBlanks_ = false;
                continue;
            }
            if (c == '/') {
                closingTag_ = true;
                state_ = 10;
                skipBlanks_ = true;
            } else if (c == '>') {
                return true;
            } else {
                Error(4);
            }
            return false;
        case 5:
            if (IsLetter(c)) {
                Put(static_cast<char>(c));
                return false;
            }
            Put('\0');
            state_ = 6;
            skipBlanks_ = true;
            if (IsBlank(c))
                return false;
            continue;
        case 6:
            if (c == '/') {
                closingTag_ = true;
                state_ = 10;
                skipBlanks_ = true;
            } else if (c == '>') {
                return true;
            } else if (c == '=') {
                if (lastAttribute_ >= 0)
                    attributeValues_[lastAttribute_] = static_cast<int16_t>(attributePos_);
                state_ = 7;
                skipBlanks_ = true;
            } else {
                Error(5);
            }
            return false;
        case 7:
            if (c == '"') {
                state_ = 9;
                skipBlanks_ = false;
            } else if (c == '/') {
                Error(6);
            } else {
                state_ = 8;
                continue;
            }
            return false;
        case 8:
            if (c == '"' || c == '=') {
                Error(7);
            } else if (IsBlank(c)) {
                TerminateValue();
                state_ = 4;
                skipBlanks_ = true;
            } else if (c == '/') {
                TerminateValue();
                closingTag_ = true;
                state_ = 10;
                skipBlanks_ = true;
            } else if (c == '>') {
                TerminateValue();
                return true;
            } else {
                Put(static_cast<char>(c));
                skipBlanks_ = false;
            }
            return false;
        case 9:
            if (c == '"') {
                TerminateValue();
                state_ = 4;
                skipBlanks_ = true;
            } else if (c != kEndOfText) {
                Put(static_cast<char>(c));
            }
            return false;
        case 10:
            if (c == '>')
                return true;
            Error(8);
            return false;
        default:
            state_ = 1;
            return false;
        }
    }
}

void Reading::CompleteTag()
{
    state_ = 1;
    skipBlanks_ = true;
    std::string_view name(tagName_.data(), tagLength_);
    // Only the first attribute is looked at, and only a whole "href" value.
    bool hasHref = attributeCount_ >= 1 && attributeValues_[0] >= 0 && firstValueWhole_ &&
                   ascii::EqualsNoCase(AttributeString(attributeNames_[0]), "href");
    std::string_view href = hasHref ? AttributeString(static_cast<size_t>(attributeValues_[0]))
                                    : std::string_view();
    if (ascii::EqualsNoCase(name, "ASX")) {
        result_.asxSeen = true;
    } else if (ascii::EqualsNoCase(name, "Ref") || ascii::EqualsNoCase(name, "EntryRef")) {
        if (hasHref)
            AddReference(href);
    } else if (ascii::EqualsNoCase(name, "moreinfo")) {
        if (mode_ == Mode::RecordingJob && hasHref) {
            result_.moreInfoSeen = true;
            result_.moreInfoUrl = std::string(href);
        }
    } else if (ascii::EqualsNoCase(name, "Entry")) {
        if (mode_ == Mode::StreamingClient && !closingTag_)
            AddMarker();
    }
}

// Calls onLine with the text of each line: a line ends at a line feed or at
// the end of the text, and a carriage return ends its text. Stops early
// when onLine returns false.
template <typename F>
void Reading::ForEachLine(F onLine)
{
    std::string_view all(reinterpret_cast<const char*>(text_), length_);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos)
            end = all.size();
        std::string_view line = all.substr(start, end - start);
        size_t cr = line.find('\r');
        if (cr != std::string_view::npos)
            line = line.substr(0, cr);
        if (!onLine(line))
            return;
        start = end + 1;
    }
}

void Reading::ReadIniForm()
{
    bool inReference = false;
    ForEachLine([&](std::string_view line) {
        if (!line.empty() && line[0] == '[') {
            inReference = line.size() <= AsxReader::kMaxSectionName && ascii::EqualsNoCase(line, "[Reference]");
            return !inReference || AddMarker();
        }
        if (!inReference || line.size() > AsxReader::kMaxLine || !ascii::StartsWithNoCase(line, "REF"))
            return true;
        size_t i = 3;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9')
            ++i;
        if (i >= line.size() || line[i] != '=')
            return true;
        return AddReference(line.substr(i + 1));
    });
}

void Reading::ReadPlainList()
{
    if (!AddMarker())
        return;
    ForEachLine([&](std::string_view line) {
        if (line.size() > AsxReader::kMaxLine)
            return true;
        size_t i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::string_view rest = line.substr(i);
        if (rest.size() >= 4 && ascii::StartsWithNoCase(rest, "ASF") && (rest[3] == ' ' || rest[3] == '\t')) {
            size_t j = 4;
            while (j < rest.size() && (rest[j] == ' ' || rest[j] == '\t'))
                ++j;
            return AddReference(rest.substr(j));
        }
        if (ascii::StartsWithNoCase(rest, "http://") || ascii::StartsWithNoCase(rest, "mms://") ||
            ascii::StartsWithNoCase(rest, "mmsu://") || ascii::StartsWithNoCase(rest, "mmst://"))
            return AddReference(rest);
        return true;
    });
}

AsxReader::Result Reading::Run()
{
    size_t next = 0;
    for (;;) {
        int c = next < length_ ? text_[next] : kEndOfText;
        ++next;
        if (skipBlanks_ && IsBlank(c)) {
            if (c == kEndOfText)
                break;
            continue;
        }
        if (Step(c))
            CompleteTag();
        if (errorPending_) {
            errorPending_ = false;
            state_ = 1;
            skipBlanks_ = true;
        }
        if (c == kEndOfText || form_ != kUndecided || full_)
            break;
    }

    if (form_ == kIni || form_ == kPlainList) {
        result_.asxSeen = true;
        if (form_ == kIni)
            ReadIniForm();
        else
            ReadPlainList();
    }
    // A text without references gives nothing: not the text itself as an
    // address, nor the streaming client's leading words alone.
    if (result_.referenceCount == 0)
        result_.output.clear();
    return std::move(result_);
}

}  // namespace

AsxReader::Result AsxReader::Read(Mode mode, const uint8_t* text, size_t length,
                                  const std::vector<std::string>& leadingWords)
{
    if (!text || length == 0)
        return Result();
    if (length >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
        text += 3;  // a UTF-8 byte order mark would hide the INI and plain-list forms
        length -= 3;
    }
    Reading reading(mode, text, length, leadingWords);
    return reading.Run();
}
