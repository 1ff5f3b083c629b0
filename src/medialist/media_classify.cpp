// The pure rules of the media list: type words, the local/network test,
// title derivation, the classification bits and the size text.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/display_text.h"
#include "formats/ascii.h"
#include "medialist/media_list.h"
#include "medialist/media_list_impl.h"

namespace {

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

std::string_view TrimLeadingBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::string PercentDecode(std::string_view s)
{
    std::string out = ascii::PercentDecode(s);
    if (out.find('\0') != std::string::npos)
        return {};  // a NUL cannot be part of a path
    return out;
}

// The size of an existing non-directory file, or -1.
long long ExistingFileSize(const std::string& fsPath)
{
    struct stat st {};
    if (fsPath.empty() || ::stat(fsPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<long long>(st.st_size);
}

// True when the first line of a small file, lower-cased, contains "<asx".
bool FirstLineHasAsxTag(const std::string& fsPath)
{
    const int fd = ::open(fsPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    char line[1024];
    ssize_t n;
    do {
        n = ::read(fd, line, sizeof line);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return false;
    std::string_view text(line, static_cast<size_t>(n));
    // The line ends at its line feed, and, as a C string, at a NUL byte.
    text = text.substr(0, std::min(text.find('\n'), text.find('\0')));
    return Contains(ascii::LowerCopy(text), "<asx");
}

}  // namespace

std::string TypeWordOf(const std::string& path)
{
    static constexpr const char* kTypes[][2] = {
        {".asx", "asx"}, {".asf", "asf"}, {".wax", "wax"}, {".wma", "wma"}, {".mpg", "mpg"},
        {".mpeg", "mpeg"}, {".mp3", "mp3"}, {".avi", "avi"}, {".wmv", "wmv"}, {".rm", "rm"},
        {".ram", "ram"}, {".rpm", "rpm"}, {".mov", "mov"}, {".kvx", "kvx"},
    };
    std::string lower = ascii::LowerCopy(path);
    const size_t query = lower.find('?');
    if (query != std::string::npos)
        lower.resize(query);
    for (const auto& t : kTypes)
        if (Contains(lower, t[0]))
            return t[1];
    return {};
}

bool IsLocalPath(const std::string& path)
{
    const std::string lower = ascii::LowerCopy(TrimLeadingBlanks(path));
    if (StartsWith(lower, "/") || StartsWith(lower, "~/") || StartsWith(lower, "./") ||
        StartsWith(lower, "../") || StartsWith(lower, "file://"))
        return true;
    // Lists made on Windows: a drive letter from a to y (z is never taken
    // for a drive).
    return lower.size() >= 3 && lower[0] >= 'a' && lower[0] <= 'y' && lower[1] == ':' &&
           lower[2] == '\\';
}

bool IsLocalPlaylist(const std::string& path)
{
    return IsLocalPath(path) && (ClassifyEntry(path) & (kEntryAsx | kEntryWmx | kEntryWvx | kEntryAsxInFile)) != 0;
}

std::string LocalFileSystemPath(const std::string& path)
{
    const std::string_view p = TrimLeadingBlanks(path);
    if (p.find('\0') != std::string_view::npos)
        return {};
    if (StartsWith(p, "/") || StartsWith(p, "./") || StartsWith(p, "../"))
        return std::string(p);
    if (StartsWith(p, "~/")) {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0')
            return {};
        return std::string(home) + std::string(p.substr(1));
    }
    if (StartsWith(ascii::LowerCopy(p.substr(0, 7)), "file://")) {
        std::string_view rest = p.substr(7);
        if (StartsWith(ascii::LowerCopy(rest.substr(0, 10)), "localhost/"))
            rest.remove_prefix(9);
        if (!StartsWith(rest, "/"))
            return {};  // a file on another host
        const size_t end = rest.find_first_of("?#");
        return PercentDecode(rest.substr(0, end));
    }
    return {};
}

std::string DeriveTitle(const std::string& path)
{
    std::string_view name = path;
    name = name.substr(0, name.find('?'));
    size_t cut = name.rfind('/');
    if (cut == std::string_view::npos)
        cut = name.rfind('\\');
    if (cut != std::string_view::npos)
        name.remove_prefix(cut + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot != 0)
        name = name.substr(0, dot);
    return std::string(name);
}

uint32_t ClassifyEntry(const std::string& path)
{
    const std::string lower = ascii::LowerCopy(path);
    const std::string fsPath = LocalFileSystemPath(path);
    const long long size = ExistingFileSize(fsPath);
    uint32_t bits = size >= 0 ? kEntryExists : kEntryMissing;

    if (Contains(lower, ".asx"))
        bits |= kEntryAsx;
    else if (Contains(lower, ".wmx"))
        bits |= kEntryWmx;
    else if (Contains(lower, ".wvx"))
        bits |= kEntryWvx;

    if (Contains(lower, ".asf"))
        bits |= kEntryAsf;
    else if (Contains(lower, ".wma"))
        bits |= kEntryWma;
    else if (Contains(lower, ".wmv"))
        bits |= kEntryWmv;

    if (Contains(lower, "http:"))
        bits |= kEntryHttp;
    else if (Contains(lower, "mms:"))
        bits |= kEntryMms;
    else if (Contains(lower, "rtsp:"))
        bits |= kEntryRtsp;
    else if (Contains(lower, "mmst:") || Contains(lower, "mmsu:"))
        bits |= kEntryMmstMmsu;

    if (Contains(lower, ".kvx"))
        bits |= kEntryKvx;
    if (Contains(lower, ".qsd"))
        bits |= kEntryQsd;
    if (Contains(lower, ".kvl"))
        bits |= kEntryKvl;

    // A playlist saved under an ".asf" name.
    if ((bits & kEntryAsf) && size >= 0 && size < 3072 && FirstLineHasAsxTag(fsPath))
        bits |= kEntryAsxInFile;
    return bits;
}

std::string TrimWhiteSpace(const std::string& text)
{
    const char* blanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

MediaItem MakeEntryItem(const std::string& path, const std::string& title,
                        const std::string& sizeSwitch, const std::string& playerIdentity)
{
    MediaItem item;
    item.cells[kColFile] = title.empty() ? DeriveTitle(path) : title;
    item.cells[kColType] = TypeWordOf(path);
    item.cells[kColOriginalFile] = path;
    item.cells[kColNs] = playerIdentity;
    item.image = IsLocalPath(path) ? kImageLocal : kImageNetwork;
    if (sizeSwitch.empty()) {
        const long long size = ExistingFileSize(LocalFileSystemPath(path));
        if (size >= 0)
            item.cells[kColSize] = ListSizeText(static_cast<uint64_t>(size));
    }
    return item;
}
