#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct AppSettings;
class UserPrompts;

// Columns of the media list, in display order.
enum MediaColumn : int {
    kColFile = 0,           // display title
    kColType = 1,           // type word from the extension
    kColTime = 2,           // duration "%d:%02d:%02d"
    kColPlay = 3,           // player state
    kColRecord = 4,         // recording state, progress or check result
    kColSize = 5,           // size text
    kColOriginalFile = 6,   // source path or address: the row's identity
    kColRecordingFile = 7,  // output file path
    kColInfo = 8,           // information text
    kColNs = 9,             // player identity to announce (empty: settings)
    kColumnCount = 10,
};

// Row images: which small picture a row shows.
enum MediaImage : int {
    kImageLocal = 0,
    kImageNetwork = 1,
    kImageRecorded = 5,  // a network entry that has been recorded
};

// One row: ten text cells, the job id of the recording attached to it (0
// when none) and its image.
struct MediaItem {
    std::array<std::string, kColumnCount> cells;
    uint32_t itemData = 0;
    int image = kImageLocal;
};

// A change to the list, reported to the listener after the list has been
// updated (and outside its lock).
struct MediaListEvent {
    enum Kind { Inserted, Removed, CellChanged, RowChanged, Reset } kind;
    int row = -1;
    int column = -1;
};

// The media list without any GUI: the rows the desktop view shows and the
// CLI prints. All members are safe to call from any thread (the capture and
// URL-check threads add rows and write cells while the main thread reads).
class MediaList {
public:
    using Listener = std::function<void(const MediaListEvent&)>;
    // Runs the credential probe for a list file that carried member
    // credentials: (first network address, user, password).
    using CredentialProbe =
        std::function<void(const std::string&, const std::string&, const std::string&)>;

    // settings: the live settings (member credentials, capture file types);
    // prompts may be null (then questions take their safe default).
    MediaList(AppSettings& settings, UserPrompts* prompts);
    ~MediaList();

    void SetListener(Listener listener);
    void SetCredentialProbe(CredentialProbe probe);

    int RowCount() const;
    MediaItem Row(int row) const;  // a copy; an empty item when out of range
    std::string Cell(int row, int column) const;
    void SetCell(int row, int column, const std::string& text);
    uint32_t ItemData(int row) const;
    void SetItemData(int row, uint32_t jobId);
    int Image(int row) const;
    void SetImage(int row, int image);

    // Index of the first row whose address equals `address` byte for byte,
    // or -1.
    int FindAddress(const std::string& address) const;
    // Index of the row whose item data is jobId (jobId != 0), or -1.
    int FindJob(uint32_t jobId) const;
    // Sets the title of the first row with exactly this address, if any.
    void SetTitleOfAddress(const std::string& address, const std::string& title);

    // Adds an entry at the end; when a row with the same address exists,
    // returns its index and changes nothing.
    int AddEntry(const std::string& path, const std::string& title,
                 const std::string& sizeSwitch, const std::string& playerIdentity);
    // Inserts an entry at a position (same duplicate rule, derived title,
    // empty size switch and identity).
    int InsertEntry(int position, const std::string& path);
    // Opens a path or address into the list: list files, playlists, or a
    // plain entry. Returns the first new row index or -1.
    int OpenEntry(const std::string& path, const std::string& title,
                  const std::string& sizeSwitch);

    // Deletes the given rows except busy ones and the playing row.
    void DeleteRows(std::vector<int> rows, int playingRow);
    // "New": deletes every row that is not busy and not playing, and clears
    // the member credentials.
    void New(int playingRow);

    std::string InfoText() const;
    void SetInfoText(const std::string& text);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// --- Classification helpers (pure functions on a path or address) ---

// The type word for column 1 ("asf", "wmv", ...; empty when none).
std::string TypeWordOf(const std::string& path);
// True when the path is a local file path rather than a network address.
bool IsLocalPath(const std::string& path);
// The title derived from a path: the file name without query and extension.
std::string DeriveTitle(const std::string& path);
// The classification bit set of an entry (0x1 existing file, 0x2 not, ...).
uint32_t ClassifyEntry(const std::string& path);
// The size text of a local file: "%dM", "%dK" or "%dB".
std::string SizeText(uint64_t bytes);
