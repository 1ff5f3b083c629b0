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

// What a list-file or playlist reading ran into, for front ends that tell
// the user (the CLI). error: the file was not read as what it claims to be
// (at most a fallback row was added); warning: it was read, but part of it
// was ignored.
struct ListReadReport {
    std::string error;
    std::string warning;
};

// Which rows a ".kvx" save keeps: "Only URL..." keeps network rows (also
// the recorded ones), "Only File..." local rows, "All..." every row.
enum class KvxWriteMode : int { OnlyUrl = 0, OnlyFile = 1, All = 2 };

enum class KvxWriteResult {
    Written,
    Cancelled,  // the user cancelled the credential question: nothing written
    Failed,     // the file could not be created or written; an old file is kept
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
    // prompts may be null (then questions take their safe default). The
    // member credentials are written by ReadKvxFile and New on the calling
    // thread (under the list's lock); call those where the front end owns
    // the settings.
    MediaList(AppSettings& settings, UserPrompts* prompts);
    ~MediaList();

    // The listener runs on the thread that made the change, after the
    // change and without the list's lock, so it may read and change the
    // list. Changes and their events are kept in one order across threads;
    // in exchange a listener must not wait for another thread that changes
    // the list (post to the GUI thread, do not block on it).
    // Removed events of one deletion come from the last row to the first.
    void SetListener(Listener listener);
    // Called after ReadKvxFile, outside the lock, on the reading thread.
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

    // A copy of every row, taken at one instant.
    std::vector<MediaItem> Rows() const;

    // --- List files and playlists ---
    // Limits of what is read: a playlist larger than kMaxPlaylistBytes
    // becomes a plain row; larger list files are refused.
    static constexpr uint64_t kMaxPlaylistBytes = 102399;
    static constexpr uint64_t kMaxKvxFileBytes = 64u << 20;  // about 115,000 rows
    static constexpr uint64_t kMaxQsdFileBytes = 16u << 20;

    // Appends the rows of a ".kvx" file (no duplicate check), takes the
    // member credentials and the list-wide information text from its
    // header, and then runs the credential probe when both credentials are
    // set. Returns the first row added, or -1 (cannot open, too short, wrong
    // version or tag, too large, no records); an empty path returns 0.
    int ReadKvxFile(const std::string& path, ListReadReport* report = nullptr);
    // The same on the bytes of such a file.
    int ReadKvxBytes(const std::string& bytes, ListReadReport* report = nullptr);
    // Writes the rows the mode keeps. When both member credentials are set,
    // asks whether to store them (no prompts: they are not stored); Cancel
    // writes nothing. The file is replaced as a whole, so a failed write
    // leaves any old file as it was.
    KvxWriteResult WriteKvxFile(const std::string& path, KvxWriteMode mode);
    // Imports the entries of a ".qsd" file; returns its "Files" count when
    // it is at least 1 (whether or not rows were added), otherwise 0.
    int ReadQsdFile(const std::string& path, ListReadReport* report = nullptr);
    int ReadQsdBytes(const std::string& bytes, ListReadReport* report = nullptr);
    // Reads a playlist file into rows, as Open entry does for a path it
    // classifies as a playlist (an ASX document, an INI reference file or a
    // plain reference list): an unreadable file becomes a plain row and -1;
    // a file over kMaxPlaylistBytes a plain row and its index; otherwise one
    // row per reference (none for a text without references, reported as
    // "no stream references"), and the row count before reading is returned.
    int ReadPlaylistFile(const std::string& path, const std::string& title,
                         const std::string& sizeSwitch, ListReadReport* report = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// --- Classification helpers (pure functions on a path or address) ---

// The classification bits of ClassifyEntry.
enum EntryClass : uint32_t {
    kEntryExists = 0x1,
    kEntryMissing = 0x2,
    kEntryAsxInFile = 0x10,  // a small local ".asf" file that holds ASX text
    kEntryKvx = 0x20,
    kEntryQsd = 0x30,  // includes kEntryKvx
    kEntryKvl = 0x40,
    kEntryHttp = 0x100,
    kEntryMms = 0x200,
    kEntryMmstMmsu = 0x400,
    kEntryRtsp = 0x800,
    kEntryAsx = 0x1000,
    kEntryWmx = 0x2000,
    kEntryWvx = 0x4000,
    kEntryPlaylistReserved = 0x8000,
    kEntryAsf = 0x10000,
    kEntryWma = 0x20000,
    kEntryWmv = 0x40000,
    kEntryPlaylistMask = kEntryAsx | kEntryWmx | kEntryWvx | kEntryPlaylistReserved | kEntryAsxInFile,
};

// The type word for column 1 ("asf", "wmv", ...; empty when none).
std::string TypeWordOf(const std::string& path);
// True when the path is a local file path rather than a network address.
bool IsLocalPath(const std::string& path);
// The file-system path of a local path or address ("file://" decoded, "~/"
// expanded), or "" when it names nothing on this system (a network address,
// a Windows drive path).
std::string LocalFileSystemPath(const std::string& path);
// The title derived from a path: the file name without query and extension.
std::string DeriveTitle(const std::string& path);
// The classification bit set of an entry (0x1 existing file, 0x2 not, ...).
uint32_t ClassifyEntry(const std::string& path);
// The size column's text for a local file: "%dM", "%dK" or "%dB".
std::string ListSizeText(uint64_t bytes);
