#pragma once

// The inside of MediaList, shared by its source files (rows, list files,
// open dispatch). Not for use outside src/medialist.

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "medialist/media_list.h"

struct MediaList::Impl {
    using Events = std::vector<MediaListEvent>;

    Impl(AppSettings& s, UserPrompts* p) : settings(s), prompts(p) {}

    AppSettings& settings;  // member credentials: read and written under `mutex`
    UserPrompts* prompts;

    // Held by every change from before it is made until its events have
    // been delivered, so the listener sees changes in the order they were
    // made even when threads race. Recursive: a listener may change the list.
    std::recursive_mutex changeMutex;
    // Guards everything below.
    mutable std::mutex mutex;
    std::vector<MediaItem> rows;
    // Address -> first row with it. Kept up to date by appends and inserts;
    // rebuilt lazily after deletions and address edits.
    mutable std::unordered_map<std::string, int> firstRowOf;
    mutable bool indexDirty = false;
    int busyRows = 0;  // rows with non-zero item data
    std::string infoText;
    std::shared_ptr<const Listener> listener;
    std::shared_ptr<const CredentialProbe> probe;

    bool Valid(int row) const { return row >= 0 && static_cast<size_t>(row) < rows.size(); }
    int FindAddressLocked(const std::string& address) const;
    void RebuildIndexLocked() const;
    int AppendLocked(MediaItem item, Events& events);
    int InsertLocked(int position, MediaItem item, Events& events);
    // Removes every row whose flag is set, reporting from the last to the first.
    void RemoveLocked(const std::vector<bool>& remove, Events& events);
    // Delivers events to the listener; called with changeMutex held and
    // `mutex` released.
    void Emit(const Events& events);
};

// A new row for an address, as Add entry makes it (size looked up for local
// files unless sizeSwitch is non-empty). Touches the file system, so it is
// made before the list is locked.
MediaItem MakeEntryItem(const std::string& path, const std::string& title,
                        const std::string& sizeSwitch, const std::string& playerIdentity);

// The text without white space (blank, tab, CR, LF, VT, FF) at either end.
std::string TrimWhiteSpace(const std::string& text);
