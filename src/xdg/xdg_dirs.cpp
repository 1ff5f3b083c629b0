#include "xdg/xdg_dirs.h"

#include <cstdlib>

namespace xdg {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Home()
{
    std::string home = Env("HOME");
    return home.empty() ? "/" : home;
}

std::string StripSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::vector<std::string> SplitPathList(const std::string& list)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

XdgDirs XdgDirs::FromEnvironment()
{
    XdgDirs dirs;
    // Relative paths are invalid in these variables and are ignored.
    auto absolute = [](const std::string& path) { return !path.empty() && path[0] == '/'; };
    std::string configHome = Env("XDG_CONFIG_HOME");
    dirs.configHome = StripSlash(absolute(configHome) ? configHome : Home() + "/.config");
    std::string dataHome = Env("XDG_DATA_HOME");
    dirs.dataHome = StripSlash(absolute(dataHome) ? dataHome : Home() + "/.local/share");
    for (const std::string& d : SplitPathList(Env("XDG_CONFIG_DIRS")))
        if (absolute(d))
            dirs.configDirs.push_back(StripSlash(d));
    if (dirs.configDirs.empty())
        dirs.configDirs = {"/etc/xdg"};
    for (const std::string& d : SplitPathList(Env("XDG_DATA_DIRS")))
        if (absolute(d))
            dirs.dataDirs.push_back(StripSlash(d));
    if (dirs.dataDirs.empty())
        dirs.dataDirs = {"/usr/local/share", "/usr/share"};
    for (std::string desktop : SplitPathList(Env("XDG_CURRENT_DESKTOP"))) {
        for (char& c : desktop)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        dirs.desktops.push_back(desktop);
    }
    return dirs;
}

std::vector<std::string> XdgDirs::ApplicationDirs() const
{
    std::vector<std::string> out{dataHome + "/applications"};
    for (const std::string& d : dataDirs)
        out.push_back(d + "/applications");
    return out;
}

}  // namespace xdg
