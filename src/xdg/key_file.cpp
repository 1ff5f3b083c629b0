#include "xdg/key_file.h"

#include "base/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace xdg {

namespace {

std::string TrimSpaces(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

std::string ErrnoText(const std::string& what, const std::string& path, int err)
{
    return what + " " + path + ": " + std::strerror(err);
}

bool MakeDirs(const std::string& dir, std::string* error)
{
    if (dir.empty())
        return true;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        *error = ErrnoText("cannot create folder", dir, ENOTDIR);
        return false;
    }
    size_t slash = dir.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash), error))
        return false;
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = ErrnoText("cannot create folder", dir, errno);
        return false;
    }
    return true;
}

}  // namespace

KeyFile::Line KeyFile::Parse(const std::string& text, const std::string& group)
{
    Line line;
    line.text = text;
    line.group = group;
    std::string t = TrimSpaces(text);
    if (t.empty() || t[0] == '#' || t[0] == '[')
        return line;
    size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0)
        return line;
    line.isKey = true;
    line.key = TrimSpaces(t.substr(0, eq));
    line.value = TrimSpaces(t.substr(eq + 1));
    return line;
}

void KeyFile::Rebuild(const std::string& text)
{
    lines_.clear();
    changed_ = false;
    lineEnd_ = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    finalNewline_ = text.empty() || text.back() == '\n';
    std::string group;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::string t = TrimSpaces(raw);
        if (!t.empty() && t[0] == '[') {
            size_t close = t.find(']');
            group = close == std::string::npos ? t.substr(1) : t.substr(1, close - 1);
        }
        lines_.push_back(Parse(raw, group));
        start = end + 1;
    }
}

KeyFile KeyFile::FromText(const std::string& text)
{
    KeyFile file;
    file.Rebuild(text);
    return file;
}

KeyFile::Load KeyFile::LoadFile(const std::string& path)
{
    Rebuild("");
    // Non-blocking: opening a named pipe for reading would otherwise wait
    // for a writer for ever. Only a regular file is read (links are followed:
    // lists kept in a dotfiles folder are linked in).
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Load::Missing : Load::Error;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Load::Error;
    }
    if (static_cast<unsigned long long>(st.st_size) > kMaxBytes) {
        close(fd);
        return Load::TooLarge;
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return Load::Error;
        }
        if (n == 0)
            break;
        if (text.size() + static_cast<size_t>(n) > kMaxBytes) {  // grew while read
            close(fd);
            return Load::TooLarge;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    Rebuild(text);
    return Load::Ok;
}

std::optional<std::string> KeyFile::Value(const std::string& group, const std::string& key) const
{
    for (const Line& line : lines_)
        if (line.isKey && line.group == group && line.key == key)
            return line.value;
    return std::nullopt;
}

std::vector<std::string> KeyFile::Groups() const
{
    std::vector<std::string> groups;
    for (const Line& line : lines_) {
        std::string t = TrimSpaces(line.text);
        if (t.empty() || t[0] != '[')
            continue;
        bool seen = false;
        for (const std::string& g : groups)
            seen = seen || g == line.group;
        if (!seen)
            groups.push_back(line.group);
    }
    return groups;
}

std::vector<std::string> KeyFile::Keys(const std::string& group) const
{
    std::vector<std::string> keys;
    for (const Line& line : lines_) {
        if (!line.isKey || line.group != group)
            continue;
        bool seen = false;
        for (const std::string& k : keys)
            seen = seen || k == line.key;
        if (!seen)
            keys.push_back(line.key);
    }
    return keys;
}

void KeyFile::SetValue(const std::string& group, const std::string& key, const std::string& value)
{
    const std::string text = key + "=" + value;
    bool done = false;
    for (size_t i = 0; i < lines_.size();) {
        Line& line = lines_[i];
        if (line.isKey && line.group == group && line.key == key) {
            if (done) {
                lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
                changed_ = true;
                continue;
            }
            done = true;
            if (line.value != value) {
                line = Parse(text, group);
                changed_ = true;
            }
        }
        ++i;
    }
    if (done)
        return;
    changed_ = true;
    // After the last key line (or the header) of the first such group.
    size_t header = lines_.size();
    for (size_t i = 0; i < lines_.size() && header == lines_.size(); ++i) {
        std::string t = TrimSpaces(lines_[i].text);
        if (!t.empty() && t[0] == '[' && lines_[i].group == group)
            header = i;
    }
    if (header == lines_.size()) {
        if (!lines_.empty() && !finalNewline_)
            finalNewline_ = true;
        if (!lines_.empty() && !TrimSpaces(lines_.back().text).empty())
            lines_.push_back(Parse("", lines_.back().group));
        lines_.push_back(Parse("[" + group + "]", group));
        lines_.push_back(Parse(text, group));
        return;
    }
    size_t insertAt = header + 1;
    for (size_t i = header + 1; i < lines_.size() && lines_[i].group == group; ++i) {
        std::string t = TrimSpaces(lines_[i].text);
        if (!t.empty() && t[0] == '[')
            break;
        if (lines_[i].isKey)
            insertAt = i + 1;
    }
    if (insertAt == lines_.size())
        finalNewline_ = true;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Parse(text, group));
}

void KeyFile::RemoveKey(const std::string& group, const std::string& key)
{
    for (size_t i = 0; i < lines_.size();) {
        if (lines_[i].isKey && lines_[i].group == group && lines_[i].key == key) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            changed_ = true;
        } else {
            ++i;
        }
    }
}

std::string KeyFile::Text() const
{
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].text;
        if (i + 1 < lines_.size() || finalNewline_)
            out += lineEnd_;
    }
    return out;
}

std::vector<std::string> SplitList(const std::string& value)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        std::string item = TrimSpaces(value.substr(start, end - start));
        if (!item.empty())
            items.push_back(item);
        start = end + 1;
    }
    return items;
}

std::string JoinList(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items)
        out += item + ";";
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error)
{
    std::string target = path;
    struct stat lst;
    if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (!realpath(path.c_str(), resolved)) {
            *error = ErrnoText("cannot follow the link", path, errno);
            return false;
        }
        target = resolved;
    }
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash);
    if (!MakeDirs(dir, error))
        return false;
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            *error = target + ": not a regular file, left as it is";
            return false;
        }
        // A file made read-only says it is not to be changed: the rename
        // below would replace it all the same (and root may write anything).
        if ((st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
            *error = target + ": read-only, left as it is";
            return false;
        }
    }

    // The file keeps its permission bits; a new one is 0666 less the umask.
    const ReplaceResult replaced = ReplaceFile(target, text, 0666);
    if (!replaced) {
        *error = ErrnoText(replaced.step == ReplaceResult::Step::Rename ? "cannot replace" : "cannot write", target,
                           replaced.error);
        return false;
    }
    return true;
}

}  // namespace xdg
