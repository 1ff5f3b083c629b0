#include "xdg/mime_defaults.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "xdg/key_file.h"

namespace xdg {

namespace {

constexpr const char* kEntryGroup = "Desktop Entry";
// Bounds of the scan of the applications folders.
constexpr int kMaxDepth = 4;
constexpr size_t kMaxDesktopFiles = 20000;

bool IsFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDir(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The file of desktop id under one applications folder: "a-b-c.desktop" is
// a-b-c.desktop, a/b-c.desktop, a/b/c.desktop or a-b/c.desktop.
std::string FindIn(const std::string& dir, const std::string& id, int depth)
{
    if (IsFile(dir + "/" + id))
        return dir + "/" + id;
    if (depth >= kMaxDepth)
        return {};
    for (size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
        std::string sub = dir + "/" + id.substr(0, dash);
        if (!IsDir(sub))
            continue;
        std::string found = FindIn(sub, id.substr(dash + 1), depth + 1);
        if (!found.empty())
            return found;
    }
    return {};
}

bool IsHidden(const KeyFile& file)
{
    std::optional<std::string> hidden = file.Value(kEntryGroup, "Hidden");
    return hidden && *hidden == "true";
}

}  // namespace

MimeDefaults::MimeDefaults(XdgDirs dirs) : dirs_(std::move(dirs)) {}

std::vector<std::string> MimeDefaults::MimeAppsLists() const
{
    std::vector<std::string> folders{dirs_.configHome};
    folders.insert(folders.end(), dirs_.configDirs.begin(), dirs_.configDirs.end());
    for (const std::string& d : dirs_.ApplicationDirs())
        folders.push_back(d);
    std::vector<std::string> lists;
    for (const std::string& folder : folders) {
        for (const std::string& desktop : dirs_.desktops)
            lists.push_back(folder + "/" + desktop + "-mimeapps.list");
        lists.push_back(folder + "/mimeapps.list");
    }
    return lists;
}

std::string MimeDefaults::FindDesktopFile(const std::string& desktopId) const
{
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || !EndsWith(desktopId, ".desktop"))
        return {};
    for (const std::string& dir : dirs_.ApplicationDirs()) {
        std::string found = FindIn(dir, desktopId, 0);
        if (!found.empty())
            return found;
    }
    return {};
}

bool MimeDefaults::IsInstalled(const std::string& desktopId) const
{
    std::string path = FindDesktopFile(desktopId);
    if (path.empty())
        return false;
    KeyFile file;
    return file.LoadFile(path) == KeyFile::Load::Ok && !IsHidden(file);
}

std::string MimeDefaults::FromListFile(const std::string& path, const std::string& group,
                                       const std::string& mimeType) const
{
    KeyFile file;
    if (file.LoadFile(path) != KeyFile::Load::Ok)
        return {};
    std::optional<std::string> value = file.Value(group, mimeType);
    if (!value)
        return {};
    for (const std::string& id : SplitList(*value))
        if (IsInstalled(id))
            return id;
    return {};
}

void MimeDefaults::ScanDesktopFiles() const
{
    if (scanned_)
        return;
    scanned_ = true;
    std::set<std::string> seen;
    size_t files = 0;
    // Folders are read in name order, so the result does not depend on the
    // order the file system lists them in.
    auto scan = [&](auto&& self, const std::string& dir, const std::string& prefix, int depth) -> void {
        DIR* d = opendir(dir.c_str());
        if (!d)
            return;
        std::vector<std::string> names;
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            std::string path = dir + "/" + name;
            if (EndsWith(name, ".desktop") && IsFile(path)) {
                if (++files > kMaxDesktopFiles)
                    return;
                std::string id = prefix + name;
                if (!seen.insert(id).second)
                    continue;
                KeyFile file;
                if (file.LoadFile(path) != KeyFile::Load::Ok || IsHidden(file))
                    continue;
                Entry entry;
                entry.mimeTypes = SplitList(file.Value(kEntryGroup, "MimeType").value_or(""));
                entry.preference = std::strtol(file.Value(kEntryGroup, "InitialPreference").value_or("0").c_str(),
                                               nullptr, 10);
                entries_.emplace_back(id, std::move(entry));
            } else if (depth < kMaxDepth && IsDir(path)) {
                self(self, path, prefix + name + "-", depth + 1);
            }
        }
    };
    for (const std::string& dir : dirs_.ApplicationDirs())
        scan(scan, dir, "", 0);
}

std::string MimeDefaults::QueryDefault(const std::string& mimeType) const
{
    if (mimeType.empty())
        return {};
    for (const std::string& list : MimeAppsLists()) {
        std::string id = FromListFile(list, "Default Applications", mimeType);
        if (!id.empty())
            return id;
    }
    for (const std::string& dir : dirs_.ApplicationDirs()) {
        std::string id = FromListFile(dir + "/defaults.list", "Default Applications", mimeType);
        if (id.empty())
            id = FromListFile(dir + "/mimeinfo.cache", "MIME Cache", mimeType);
        if (!id.empty())
            return id;
    }
    ScanDesktopFiles();
    const std::string* best = nullptr;
    long bestPreference = -1;
    for (const auto& [id, entry] : entries_) {
        if (std::find(entry.mimeTypes.begin(), entry.mimeTypes.end(), mimeType) == entry.mimeTypes.end())
            continue;
        if (entry.preference > bestPreference) {
            bestPreference = entry.preference;
            best = &id;
        }
    }
    return best ? *best : std::string();
}

}  // namespace xdg
