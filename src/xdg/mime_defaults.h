#pragma once

#include <map>
#include <string>
#include <vector>

#include "xdg/xdg_dirs.h"

namespace xdg {

// Which application opens a MIME type (or handles an x-scheme-handler/...
// address), read the way `xdg-mime query default` reads it:
//  1. the [Default Applications] lists of the mimeapps.list files, in
//     precedence order: $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, then the
//     applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS, each
//     folder's desktop-specific files ("gnome-mimeapps.list") before its
//     plain one; the first installed application of the first list wins;
//  2. else the first installed entry of the type in each applications
//     folder's defaults.list, then mimeinfo.cache;
//  3. else the installed desktop entry that lists the type in its MimeType
//     key with the highest InitialPreference (the first found on a tie).
// Unlike `xdg-mime`, a list whose first application is not installed goes
// on with the next one of the same list, as the MIME applications rules ask.
class MimeDefaults {
public:
    explicit MimeDefaults(XdgDirs dirs);

    // The desktop file id ("brimcast.desktop"), or empty when none.
    std::string QueryDefault(const std::string& mimeType) const;

    // True when a desktop entry of that id is found in the applications
    // folders and the first one found is not hidden (Hidden=true).
    bool IsInstalled(const std::string& desktopId) const;
    // Its path, or empty.
    std::string FindDesktopFile(const std::string& desktopId) const;

    // Every mimeapps.list path that the lookup reads, in precedence order
    // (whether it exists or not).
    std::vector<std::string> MimeAppsLists() const;

    const XdgDirs& Dirs() const { return dirs_; }

private:
    struct Entry {
        std::vector<std::string> mimeTypes;
        long preference = 0;
    };
    std::string FromListFile(const std::string& path, const std::string& group,
                             const std::string& mimeType) const;
    void ScanDesktopFiles() const;

    XdgDirs dirs_;
    mutable bool scanned_ = false;
    // Desktop ids in the order found, the first of an id shadowing the rest.
    mutable std::vector<std::pair<std::string, Entry>> entries_;
};

}  // namespace xdg
