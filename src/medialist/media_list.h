#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/failed_attempt.h"
#include "base/stream_info.h"
#include "formats/list_file_io.h"

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

// Where a row stands with recording and checking.
enum class RowState : uint8_t {
    Idle,            // neither recorded, tried nor checked
    Connecting,      // a recording job is connecting
    HeaderReceived,  // ... has the stream's header
    Recording,       // ... is writing data
    Completed,
    Cancelled,
    Failed,
    Incomplete,  // the server ended an on-demand stream early; the file can be resumed
    Checking,    // the URL check is probing the row
    CheckOk,
    CheckError,
};

// One row: a stable id, ten text cells (what the list shows, also what list
// files store), the job id of the recording attached to it (0 when none), its
// image, and the typed state of its recording or check beside the cells.
struct MediaItem {
    uint64_t id = 0;  // given by the list; never reused while the list lives
    std::array<std::string, kColumnCount> cells;
    uint32_t itemData = 0;
    int image = kImageLocal;

    RowState state = RowState::Idle;
    uint64_t bytes = 0;       // written by the recording
    uint32_t progress = 0;    // hundredths of a percent
    uint32_t durationMs = 0;  // the stream's duration (0: unknown or live)
    uint32_t timeMs = 0;      // recorded stream time
    std::string outputPath;   // the recording's file
    // What the last URL check learnt of the address (transport None until
    // one answered), and the Info text it wrote there (empty: none).
    StreamInfo checked;
    std::string checkInfoText;
    // Why the last recording or check failed, attempt by attempt (empty
    // unless the row's state is Failed or CheckError).
    std::vector<FailedAttempt> attempts;
};

// A change to the list, reported to the listener on the owner's thread. The
// row is named by its id; MediaList::IndexOf gives its position, valid while
// the listener runs: Inserted and Changed come after the change,
// AboutToRemove before the row leaves (Removed after), AboutToReset before a
// change of many rows at once (Reset after: read everything again).
struct MediaListEvent {
    enum Kind { Inserted, Changed, AboutToRemove, Removed, AboutToReset, Reset } kind;
    uint64_t id = 0;   // 0 for the reset pair
    int column = -1;   // Changed: the one cell changed, or -1 (several, image, state)
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
// CLI prints. It belongs to one thread, the one that made it (the front end's
// main thread): only that thread reads or changes it; other threads post
// their requests there (base/task_poster.h). Debug builds stop at a call from
// another thread.
//
// Rows are addressed by position (what a view shows) or by id (what stays
// true while rows come and go); both lookups take constant time.
class MediaList {
public:
    using Listener = std::function<void(const MediaListEvent&)>;
    // Runs the credential probe for a list file that carried member
    // credentials: (first network address, user, password).
    using CredentialProbe =
        std::function<void(const std::string&, const std::string&, const std::string&)>;

    // settings: the live settings (member credentials, capture file types);
    // prompts may be null (then questions take their safe default).
    // ReadKvxFile and New write the member credentials.
    MediaList(AppSettings& settings, UserPrompts* prompts);
    ~MediaList();
    MediaList(const MediaList&) = delete;
    MediaList& operator=(const MediaList&) = delete;

    // The listener runs on the owner's thread during the change (see
    // MediaListEvent). It may read the list; it may change it from Inserted,
    // Changed, Removed and Reset, never from the "about to" events.
    void SetListener(Listener listener);
    // Called after ReadKvxFile.
    void SetCredentialProbe(CredentialProbe probe);

    int RowCount() const;
    // The row at a position; an empty item (id 0) when out of range.
    MediaItem Row(int row) const;
    // The row with an id, or null; valid until the list next changes.
    const MediaItem* Find(uint64_t id) const;
    // The position of the row with an id, or -1 when it is gone.
    int IndexOf(uint64_t id) const;
    // The id of the row at a position, or 0.
    uint64_t IdAt(int row) const;

    std::string Cell(int row, int column) const;
    void SetCell(int row, int column, const std::string& text);
    uint32_t ItemData(int row) const;
    void SetItemData(int row, uint32_t jobId);
    int Image(int row) const;
    void SetImage(int row, int image);
    // Changes the row with an id through `change`, which may set anything but
    // the id (the address index and the busy count follow), and reports it as
    // one Changed event. False when there is no such row.
    bool Update(uint64_t id, const std::function<void(MediaItem&)>& change);

    // Index of the first row whose address equals `address` byte for byte,
    // or -1.
    int FindAddress(const std::string& address) const;
    // Rows with a job attached.
    int BusyRowCount() const;
    // Sets the title of the first row with exactly this address, if any.
    void SetTitleOfAddress(const std::string& address, const std::string& title);

    // Adds an entry at the end; when a row with the same address exists,
    // returns its index and changes nothing.
    int AddEntry(const std::string& path, const std::string& title,
                 const std::string& sizeSwitch, const std::string& playerIdentity);
    // Inserts an entry at a position (same duplicate rule, derived title,
    // no size looked up, empty identity).
    int InsertEntry(int position, const std::string& path);
    // Opens a path or address into the list: list files, playlists, or a
    // plain entry. Returns the first new row index or -1.
    int OpenEntry(const std::string& path, const std::string& title,
                  const std::string& sizeSwitch);

    // Deletes the given rows except busy ones and the playing row. A few rows
    // go one by one (AboutToRemove/Removed each, from the last to the
    // first); many at once are reported as a reset.
    void DeleteRows(std::vector<int> rows, int playingRow);
    // "New": deletes every row that is not busy and not playing (reported as
    // a reset when any goes), and clears the member credentials.
    void New(int playingRow);

    std::string InfoText() const;
    void SetInfoText(const std::string& text);

    // A copy of every row.
    std::vector<MediaItem> Rows() const;

    // --- List files and playlists ---
    // Limits of what is read: a playlist larger than kMaxPlaylistBytes
    // becomes a plain row; larger list files are refused.
    static constexpr uint64_t kMaxPlaylistBytes = ::kMaxPlaylistBytes;
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
// A local path (IsLocalPath) of a playlist: ".asx", ".wmx", ".wvx", or a
// small ".asf" file holding ASX text. A recording reads its entries.
bool IsLocalPlaylist(const std::string& path);
