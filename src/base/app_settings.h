#pragma once

#include <string>
#include <vector>

class CancelSignal;
class Profile;
class UserPrompts;

// Every user preference of the program. One live record belongs to the
// front end; every recording job and every protocol client takes a value
// copy when it is created. Keys and sections are spelled exactly as stored
// profiles have them (case and spaces included).
struct AppSettings {
    std::string m_baseDir;  // default $HOME/Videos/Brimcast
    std::string m_agent = "rec/1.5";
    int m_overWrite = 1;
    int m_resumable = 1;
    int m_allowMultipleInstances = 0;
    int m_savePlayList = 0;
    int m_liveContentSaveTimeInfo = 1;
    int m_saveFullPos = 0;
    int m_toolTip = 1;
    int m_timePolicy = 0;
    int m_sizePolicy = 0;
    int m_maxTime = 1800;  // seconds
    int m_maxSize = 10;    // megabytes
    // A stream whose connection drops is reconnected until one outage has
    // lasted this many seconds (0: never reconnected).
    int m_reconnect = 300;
    std::string m_playerAgent = "NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}";
    int m_captureHttp = 1;
    int m_captureMms = 1;
    int m_captureRtsp = 1;
    // The network adapter URL Capture preselects ("" when none is kept):
    // saved under "CaptureDriver" and under kCaptureAdapterKey alike, and
    // read from the second when it is there.
    std::string m_captureDriver;
    std::vector<std::string> m_fileTypes;
    int m_repeat = 1;
    int m_sequence = 1;
    int m_keepSize = 0;
    int m_keep = 1;  // "Keep Ratio": on unless the profile says otherwise
    int m_windowSizeMode = 1;
    int m_onTop = 0;
    int m_screenSave = 1;
    int m_enableCaption = 1;
    int m_splitCaptionWnd = 0;
    int m_captionColor = 0xFFFFFF;
    int m_captionSize = 12;
    std::string m_captionStyleName;  // the Korean word for "regular"
    std::string m_captionFaceName;   // the Korean font name Gulim
    int m_captionBold = 1;
    int m_captionMargin = 50;
    int m_reserved = 0;  // carried and copied, never persisted
    std::string m_memberUser;
    std::string m_memberPassword;
    // The address the member credentials were given for (a list file's
    // first network address, a job's address its server accepted them
    // for); they go unasked only to its scheme, host and port. Empty: to
    // no server. Not persisted.
    std::string m_memberAddress;
    int m_useProxy = 0;
    std::string m_proxyServer;
    int m_proxyPort = 0;
    int m_bypassProxy = 0;
    // The URL check: how many addresses are probed at once, and for how
    // many seconds at most each ("URL Check Parallel", "URL Check Seconds",
    // keys of our own; out-of-range values are brought into range).
    int m_checkParallel = 8;
    int m_checkSeconds = 20;

    static constexpr int kMaxCheckParallel = 16;
    static constexpr int kMinCheckSeconds = 1;
    static constexpr int kMaxCheckSeconds = 600;
    // "Parallel recordings": how many rows record at once, 1 to
    // kMaxParallelRecordings ("Parallel Recordings", a key of our own).
    // With 1, one recording runs at a time.
    int m_parallelRecordings = 1;

    static constexpr int kMaxParallelRecordings = 4;

    static constexpr const char* kCaptureAdapterKey = "Capture Adapter";

    AppSettings();  // fills the defaults

    // Reads every persisted field; runs once on a freshly constructed record.
    void Load(const Profile& profile);
    // Writes every persisted field, always in the same order.
    void Save(Profile& profile) const;
};

// The URL check's settings brought into their ranges (1 to
// kMaxCheckParallel; kMinCheckSeconds to kMaxCheckSeconds).
int CheckParallelIn(int value);
int CheckSecondsIn(int value);
// A "Parallel recordings" value brought into its range (1 to
// AppSettings::kMaxParallelRecordings).
int ParallelRecordingsIn(int value);

// The default base folder: $HOME/Videos/Brimcast.
std::string DefaultBaseDir();

// Creates every missing folder of a folder path; every component is a
// folder, whatever its name ("Recordings.2024" too). 1 when the whole path
// is a folder afterwards, 0 on failure (errno tells why).
int MakeDirectoryPath(const std::string& path);

// The credential store: section "NetPassword\" + a site text, values
// "User" and "Password", in plain text.
struct StoredCredentials {
    std::string user;
    std::string password;
};
StoredCredentials ReadStoredCredentials(const Profile& profile, const std::string& site);
void WriteStoredCredentials(Profile& profile, const std::string& site, const std::string& user,
                            const std::string& password);

// The server stored credentials belong to: the host as the address writes it
// (never what it resolves to) and the port the request goes to. Its text is
// "host:port" ("[host]:port" for an IPv6 literal). Sections written before
// the port was part of the text carry the host alone; they are read for the
// scheme's default port only.
struct CredentialSite {
    std::string host;
    int port = 0;
    int defaultPort = 0;  // the scheme's
    bool bracketed = false;
    std::string Text() const;
};
StoredCredentials ReadStoredCredentials(const Profile& profile, const CredentialSite& site);
void WriteStoredCredentials(Profile& profile, const CredentialSite& site, const std::string& user,
                            const std::string& password);

// The one credential lookup of the clients (the streaming client, the HTTP
// download, the playlist fetch and the credential probe), for a site that
// refused; the dialog names the site by its text. Unless retrying, stored credentials with both values set are
// taken without asking; otherwise the dialog is shown, prefilled with user
// and password. On Found user and password hold the values (an answer is
// stored when the user ticked "save?"). Without a profile nothing is read or
// stored; without prompts only the stored pair can be found (NothingToTry).
// Cancelled when the user cancelled, or when `cancel` (the asking job's
// stop) ended the question.
enum class CredentialLookup { Found, NothingToTry, Cancelled };
CredentialLookup LookupCredentials(Profile* profile, UserPrompts* prompts, const CredentialSite& site,
                                   bool retrying, std::string& user, std::string& password,
                                   const CancelSignal& cancel);

// The player-agent list of the record preferences (section
// "settings\NSPlyer", keys "player0".."player49", stopping at the first
// empty one), with `current` selected: appended when it is not in the list.
// *selected receives its index.
std::vector<std::string> LoadPlayerAgents(const Profile& profile, const std::string& current,
                                          int* selected);
// Deletes the section and writes the entries back in order.
void SavePlayerAgents(Profile& profile, const std::vector<std::string>& agents);

// "Delete recent files": removes "RecentUrl\Url" and "FileMRUList\url".
void DeleteRecentFiles(Profile& profile);

// The "Max Time" page shows minutes and seconds and stores their sum.
inline int MaxTimeMinutes(int maxTime) { return maxTime / 60; }
inline int MaxTimeSeconds(int maxTime) { return maxTime % 60; }
inline int MaxTimeFromPage(int minutes, int seconds) { return minutes * 60 + seconds; }
