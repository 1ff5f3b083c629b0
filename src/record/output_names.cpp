#include "record/output_names.h"

#include <cctype>

#include <sys/stat.h>

#include "formats/printf.h"
#include "protocols/net/url_parts.h"

namespace {

// Length in bytes of the longest prefix of text that is at most max bytes
// and does not end inside a UTF-8 sequence.
size_t Utf8Cut(const std::string& text, size_t max)
{
    if (text.size() <= max)
        return text.size();
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

}  // namespace

bool PathExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string NotRegularFile(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    if (S_ISLNK(st.st_mode))
        return "a symbolic link";
    if (S_ISFIFO(st.st_mode))
        return "a FIFO";
    if (S_ISDIR(st.st_mode))
        return "a folder";
    if (S_ISSOCK(st.st_mode))
        return "a socket";
    return "a device";
}

std::string NotRegularFileText(const std::string& path, const std::string& what)
{
    return path + " is " + what + ", not a regular file: nothing is written to it";
}

std::string LastComponent(const std::string& text)
{
    size_t slash = text.rfind('/');
    if (slash == std::string::npos)
        slash = text.rfind('\\');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string JoinBase(const std::string& baseDir, const std::string& file)
{
    if (baseDir.empty())
        return file;
    if (baseDir.back() == '/')
        return baseDir + file;
    return baseDir + "/" + file;
}

std::string HostFileName(const std::string& address, const char* extension)
{
    std::string host = SafeFileName(net::HostOf(address));
    if (host.empty())
        host = "recording";
    return SafeFileName(host + extension);
}

// Linux allows 255 bytes in one name.
constexpr size_t kMaxName = 255;

std::string SafeFileName(const std::string& name)
{
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    if (safe == "." || safe == "..")
        return {};
    if (safe.size() > kMaxName) {
        size_t dot = safe.rfind('.');
        std::string ext;
        if (dot != std::string::npos && dot > 0 && safe.size() - dot <= 16)
            ext = safe.substr(dot);
        std::string base = safe.substr(0, safe.size() - ext.size());
        base.resize(Utf8Cut(base, kMaxName - ext.size()));
        safe = base + ext;
    }
    return safe;
}

std::string MakeOutputPath(const std::string& baseDir, const std::string& address,
                           const std::string& title)
{
    std::string a = address;
    while (!a.empty() && std::isspace(static_cast<unsigned char>(a.back())))
        a.pop_back();
    a = a.substr(0, a.find('?'));
    const std::string name = LastComponent(a);

    std::string file;
    if (title.empty()) {
        file = name;
    } else {
        size_t dot = name.rfind('.');
        file = (dot != std::string::npos && dot > 0) ? title + name.substr(dot) : title + ".asf";
    }
    file = SafeFileName(file);
    if (file.empty())
        file = HostFileName(address, ".asf");
    return JoinBase(baseDir, file);
}

std::string MakeUniqueName(const std::string& path) { return MakeUniqueName(path, PathExists); }

std::string MakeUniqueName(const std::string& path,
                           const std::function<bool(const std::string&)>& taken)
{
    size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = file.rfind('.');
    const std::string base = dot == std::string::npos ? file : file.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
    for (int n = 0; n < kMaxNumberedNames; ++n) {
        const std::string number = Printf("(%d)", n);
        // The number and the extension stay whole; the stem gives way.
        const size_t room = ext.size() + number.size() < kMaxName ? kMaxName - ext.size() - number.size() : 0;
        const std::string stem = base.substr(0, Utf8Cut(base, room));
        if (stem.empty() && !base.empty())
            return {};
        const std::string candidate = dir + stem + number + ext;
        if (!taken(candidate))
            return candidate;
    }
    return {};
}
