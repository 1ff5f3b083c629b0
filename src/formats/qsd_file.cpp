#include "formats/qsd_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>

#include "formats/ascii.h"
#include "formats/legacy_text.h"

namespace qsd {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The entry number of a section named exactly "folder " plus a decimal
// number without leading zeros, as "Folder %d" would have formatted it;
// -1 otherwise.
int FolderIndex(const std::string& lowerName)
{
    static constexpr std::string_view kPrefix = "folder ";
    if (lowerName.size() <= kPrefix.size() || lowerName.compare(0, kPrefix.size(), kPrefix) != 0)
        return -1;
    const std::string_view digits = std::string_view(lowerName).substr(kPrefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
        return -1;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value > INT_MAX ? -1 : static_cast<int>(value);
}

struct Section {
    std::map<std::string, std::string> values;  // lower-cased key -> raw value
};

}  // namespace

int ParseProfileInt(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1)
            value = static_cast<int64_t>(INT_MAX) + 1;  // saturate, keep going
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

File Parse(std::string_view bytes)
{
    File file;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);

    // Sections by lower-cased name; the first section of a name wins.
    std::map<std::string, Section> sections;
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = Trim(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string name =
                ascii::LowerCopy(Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                           : close - 1)));
            const auto [it, inserted] = sections.try_emplace(name);
            current = inserted ? &it->second : nullptr;
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        const std::string key = ascii::LowerCopy(Trim(line.substr(0, eq)));
        // The first value of a key wins, as in the first section.
        current->values.try_emplace(key, std::string(Unquote(Trim(line.substr(eq + 1)))));
    }

    const auto info = sections.find("info");
    if (info != sections.end()) {
        const auto files = info->second.values.find("files");
        if (files != info->second.values.end()) {
            file.hasFiles = true;
            file.files = ParseProfileInt(files->second);
        }
    }
    if (file.files < 1)
        return file;

    Cp949Decoder decoder;
    const auto Text = [&](const Section& s, const char* key) {
        const auto it = s.values.find(key);
        if (it == s.values.end())
            return std::string();
        // Each value alone: UTF-8 when it is valid UTF-8, else CP949. Cut
        // as the 200-byte buffer did, before any conversion; a CP949
        // character split by the cut is dropped by the decoder.
        const std::string_view v = it->second;
        if (!IsValidUtf8(v))
            return decoder.Convert(v.substr(0, kMaxValue));
        return std::string(CutUtf8(v, kMaxValue));
    };
    for (const auto& [name, section] : sections) {
        const int index = FolderIndex(name);
        if (index < 0 || index >= file.files)
            continue;
        Entry e;
        e.index = index;
        e.title = Text(section, "title");
        e.url = Text(section, "url");
        file.entries.push_back(std::move(e));
    }
    std::sort(file.entries.begin(), file.entries.end(),
              [](const Entry& a, const Entry& b) { return a.index < b.index; });
    return file;
}

}  // namespace qsd
