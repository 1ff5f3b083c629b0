#pragma once

#include <array>
#include <string>
#include <vector>

#include "xdg/mime_defaults.h"
#include "xdg/xdg_dirs.h"

namespace xdg {

// One file extension of a registration group and the MIME type the shared
// MIME database gives it, with the other names of that type that some
// programs still look up (written alongside, never tested).
struct RegisteredType {
    const char* extension;
    const char* mimeType;
    std::vector<const char*> aliases;
};

// One check box of the Play preferences page.
struct RegistrationGroup {
    const char* label;
    std::vector<RegisteredType> types;
    // The Windows Media group also takes the mms, mmst and mmsu addresses
    // (and never gives them back).
    bool withProtocols = false;
};

constexpr size_t kGroupCount = 6;
const std::array<RegistrationGroup, kGroupCount>& RegistrationGroups();
// x-scheme-handler/mms, mmst, mmsu.
const std::vector<std::string>& SchemeHandlerTypes();
// Every MIME type Brimcast opens: the groups' types and aliases, then the
// scheme handlers; the desktop entry's MimeType key lists exactly these.
std::vector<std::string> HandledMimeTypes();

// 0 unchecked: no extension of the group is ours; 1 checked: all are;
// 2 indeterminate: some are.
enum class BoxState { Unchecked = 0, Checked = 1, Indeterminate = 2 };

// Makes Brimcast the default application of file types and address schemes
// in the user's own MIME associations, and gives them back. Only files under
// $XDG_CONFIG_HOME and $XDG_DATA_HOME are ever written.
//  - Taking a type puts our desktop id first in the type's [Default
//    Applications] list of $XDG_CONFIG_HOME/mimeapps.list, keeping the
//    applications that were there after it, and likewise in a
//    desktop-specific list there that names the type (it would win over the
//    plain one). Our id also leaves the type's [Removed Associations].
//  - Giving a type back removes our id from those lists (and from the
//    user's mimeapps.list files under $XDG_DATA_HOME/applications): the
//    application that was the default before we took it over is the default
//    again, whether it was listed after us or came from a system file.
class FileRegistration {
public:
    static constexpr const char* kDesktopId = "brimcast.desktop";

    explicit FileRegistration(XdgDirs dirs, std::string desktopId = kDesktopId);

    // A type is ours when its default application (MimeDefaults) is our id.
    bool IsOurs(const std::string& mimeType) const;
    BoxState GroupState(size_t group) const;
    std::array<BoxState, kGroupCount> BoxStates() const;
    // Whether our desktop entry is installed: without it no default naming
    // us takes effect.
    bool DesktopEntryInstalled() const;

    struct Result {
        bool ok = true;
        std::vector<std::string> errors;  // one text per file that could not be read or written
        std::vector<std::string> written; // the files rewritten
    };
    // Applies the page: each group whose changed flag is set is taken
    // (state 1 or 2) or given back (state 0). A type that is also in a group
    // that stays checked (or is taken) is not given back: .asx, .wax, .wvx
    // and .wmx are one MIME type.
    Result Apply(const std::array<BoxState, kGroupCount>& states,
                 const std::array<bool, kGroupCount>& changed) const;

    // One type at a time (Apply's steps).
    Result Take(const std::vector<std::string>& mimeTypes) const;
    Result GiveBack(const std::vector<std::string>& mimeTypes) const;

private:
    std::string UserList() const;
    std::vector<std::string> UserDesktopLists() const;

    XdgDirs dirs_;
    std::string desktopId_;
};

}  // namespace xdg
