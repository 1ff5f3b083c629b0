#pragma once

#include <string>
#include <vector>

namespace xdg {

// The XDG base directories and the current desktops, as the environment
// gives them (with the standard defaults for unset or empty variables).
struct XdgDirs {
    std::string configHome;               // $XDG_CONFIG_HOME or ~/.config
    std::vector<std::string> configDirs;  // $XDG_CONFIG_DIRS or /etc/xdg
    std::string dataHome;                 // $XDG_DATA_HOME or ~/.local/share
    std::vector<std::string> dataDirs;    // $XDG_DATA_DIRS or /usr/local/share:/usr/share
    // $XDG_CURRENT_DESKTOP split at ':' and lower-cased ("gnome", "kde").
    std::vector<std::string> desktops;

    static XdgDirs FromEnvironment();

    // The applications folders in lookup order: the user's, then the system's.
    std::vector<std::string> ApplicationDirs() const;
};

// "a:b::c" -> {"a", "b", "c"}: empty parts are dropped.
std::vector<std::string> SplitPathList(const std::string& list);

}  // namespace xdg
