#pragma once

// The inside of MediaList, shared by its source files (rows, list files,
// open dispatch). Not for use outside src/medialist.

#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "medialist/media_list.h"

struct MediaList::Impl {
    Impl(AppSettings& s, UserPrompts* p) : settings(s), prompts(p), owner(std::this_thread::get_id()) {}

    AppSettings& settings;  // member credentials
    UserPrompts* prompts;
    const std::thread::id owner;

    // Rows by position; each row lives in its own allocation, so moving rows
    // costs a pointer each.
    std::vector<std::unique_ptr<MediaItem>> rows;
    // id -> position. Positions from `validBelow` on may be stale after an
    // insertion or removal and are recomputed when one of them is asked for,
    // so both kinds of change stay cheap.
    mutable std::unordered_map<uint64_t, size_t> positions;
    mutable size_t validBelow = 0;
    // address -> the ids of the rows holding it (list files may add the same
    // address twice).
    std::unordered_multimap<std::string, uint64_t> addressIds;
    uint64_t nextId = 1;
    int busyRows = 0;  // rows with non-zero item data
    std::string infoText;
    Listener listener;
    CredentialProbe probe;
    int aboutTo = 0;  // > 0 while an "about to" event runs: the list must not change

    // Stops the program (debug builds) when called from a thread other than
    // the owner, or while the listener handles an "about to" event.
    void CheckOwner() const;
    void CheckMayChange() const;

    bool Valid(int row) const { return row >= 0 && static_cast<size_t>(row) < rows.size(); }
    MediaItem& At(int row) { return *rows[static_cast<size_t>(row)]; }
    const MediaItem& At(int row) const { return *rows[static_cast<size_t>(row)]; }
    int Position(uint64_t id) const;
    int FirstRowOf(const std::string& address) const;
    void IndexAddress(const std::string& address, uint64_t id);
    void UnindexAddress(const std::string& address, uint64_t id);

    // Each reports what it did to the listener.
    int Insert(int position, MediaItem item);
    // Appends rows: a few one by one, many as a reset. Returns the first
    // new position, or -1 when there were none.
    int AppendMany(std::vector<MediaItem> items);
    // Removes every row whose flag is set: a few one by one (from the last
    // to the first), many (or any, asReset) as a reset.
    void Remove(const std::vector<bool>& remove, bool asReset = false);
    void Emit(MediaListEvent::Kind kind, uint64_t id = 0, int column = -1);

    // Up to this many rows are reported one by one.
    static constexpr size_t kFewRows = 64;
};

// A new row for an address, as Add entry makes it (size looked up for local
// files unless sizeSwitch is non-empty).
MediaItem MakeEntryItem(const std::string& path, const std::string& title,
                        const std::string& sizeSwitch, const std::string& playerIdentity);

// The text without white space (blank, tab, CR, LF, VT, FF) at either end.
std::string TrimWhiteSpace(const std::string& text);
