#include "schedule/slot_result.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace schedule {

namespace {

constexpr std::streamoff kTailBytes = 1 << 20;

void AppendUtf8(std::string* out, uint32_t cp)
{
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class FlatJsonReader {
public:
    explicit FlatJsonReader(const std::string& text) : t_(text) {}

    bool Read(std::map<std::string, std::string>* members)
    {
        Blank();
        if (!Take('{'))
            return false;
        Blank();
        if (Take('}'))
            return End();
        for (;;) {
            std::string key, value;
            Blank();
            if (!String(&key))
                return false;
            Blank();
            if (!Take(':'))
                return false;
            Blank();
            const bool read = Peek() == '"' ? String(&value)
                            : Peek() == '[' || Peek() == '{' ? Nested(&value)
                                                             : Scalar(&value);
            if (!read)
                return false;
            (*members)[key] = value;
            Blank();
            if (Take('}'))
                return End();
            if (!Take(','))
                return false;
        }
    }

private:
    char Peek() const { return i_ < t_.size() ? t_[i_] : '\0'; }
    bool Take(char c)
    {
        if (Peek() != c || i_ >= t_.size())
            return false;
        ++i_;
        return true;
    }
    void Blank()
    {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\r'))
            ++i_;
    }
    bool End()
    {
        Blank();
        return i_ == t_.size();
    }
    bool Hex4(uint32_t* value)
    {
        if (t_.size() - i_ < 4)
            return false;
        *value = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = t_[i_++];
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0)
                return false;
            *value = *value * 16 + static_cast<uint32_t>(d);
        }
        return true;
    }
    bool String(std::string* out)
    {
        if (!Take('"'))
            return false;
        while (i_ < t_.size()) {
            const char c = t_[i_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (i_ >= t_.size())
                return false;
            const char e = t_[i_++];
            static const std::string kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
            if (const size_t k = kFrom.find(e); k != std::string::npos) {
                *out += kTo[k];
                continue;
            }
            uint32_t cp = 0;
            if (e != 'u' || !Hex4(&cp))
                return false;
            if (cp >= 0xD800 && cp < 0xDC00) {
                uint32_t low = 0;
                if (!Take('\\') || !Take('u') || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF)
                    return false;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                return false;
            }
            AppendUtf8(out, cp);
        }
        return false;
    }
    // An array or object inside (the attempts of a failed run): its text,
    // brackets balanced outside strings, at most kMaxDepth deep.
    bool Nested(std::string* out)
    {
        constexpr int kMaxDepth = 16;
        int depth = 0;
        const size_t from = i_;
        while (i_ < t_.size()) {
            const char c = t_[i_];
            if (c == '"') {
                std::string ignored;
                if (!String(&ignored))
                    return false;
                continue;
            }
            ++i_;
            if (c == '[' || c == '{') {
                if (++depth > kMaxDepth)
                    return false;
            } else if ((c == ']' || c == '}') && --depth == 0) {
                *out = t_.substr(from, i_ - from);
                return true;
            }
        }
        return false;
    }
    // Numbers, true, false, null: their text.
    bool Scalar(std::string* out)
    {
        while (i_ < t_.size() && t_[i_] != ',' && t_[i_] != '}' && t_[i_] != ' ')
            *out += t_[i_++];
        return !out->empty();
    }

    const std::string& t_;
    size_t i_ = 0;
};

}  // namespace

bool ParseFlatJson(const std::string& line, std::map<std::string, std::string>* members)
{
    members->clear();
    return FlatJsonReader(line).Read(members);
}

SlotResult ReadSlotResult(const std::string& path, const std::string& address)
{
    SlotResult result;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return result;
    result.ran = true;
    result.endedAt = static_cast<int64_t>(st.st_mtime);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return result;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff from = size > kTailBytes ? size - kTailBytes : 0;
    in.seekg(from);
    std::string tail(static_cast<size_t>(size - from), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    tail.resize(static_cast<size_t>(in.gcount()));

    std::vector<std::string> lines;
    size_t start = 0;
    if (from > 0) {  // the first line read is cut
        const size_t newline = tail.find('\n');
        start = newline == std::string::npos ? tail.size() : newline + 1;
    }
    while (start < tail.size()) {
        size_t end = tail.find('\n', start);
        if (end == std::string::npos)
            end = tail.size();
        lines.push_back(tail.substr(start, end - start));
        start = end + 1;
    }
    std::map<std::string, std::string> finished, other;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->find("\"finished\"") == std::string::npos || !ParseFlatJson(*line, &other) ||
            other["event"] != "finished")
            continue;
        if (finished.empty())
            finished = other;
        if (other["address"] == address) {
            finished = other;
            break;
        }
    }
    if (finished.empty())
        return result;
    result.result = finished["result"];
    result.output = finished["output"];
    result.bytes = std::strtoll(finished["bytes"].c_str(), nullptr, 10);
    result.error = finished["error"];
    return result;
}

}  // namespace schedule
