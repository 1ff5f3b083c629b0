#include "base/app_settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "base/profile.h"
#include "base/setting_keys.h"
#include "base/user_prompts.h"

namespace {

constexpr std::string_view kSettings = "settings";
constexpr std::string_view kFileTypes = "FileTypeList\\type";
constexpr std::string_view kPlayerAgents = "settings\\NSPlyer";
constexpr int kMaxPlayerAgents = 50;
// Keys of our own, beside the stored profile's.
constexpr const char* kCheckParallelKey = "URL Check Parallel";
constexpr const char* kCheckSecondsKey = "URL Check Seconds";
constexpr const char* kParallelRecordingsKey = "Parallel Recordings";

constexpr const char* kBuiltInFileTypes[] = {".wmv", ".asf", ".wma", ".ogg",
                                             ".avi", ".mpa", ".mpg", ".mpeg"};

// An integer field and its key, for the long runs of Load and Save.
struct IntKey {
    const char* key;
    int AppSettings::*field;
};

constexpr IntKey kLoadFlags[] = {
    {"OverWrite", &AppSettings::m_overWrite},
    {"Resumable", &AppSettings::m_resumable},
    {setting_keys::kAllowMultipleInstances.key, &AppSettings::m_allowMultipleInstances},
    {"Save Play List", &AppSettings::m_savePlayList},
    {"Save Full Pos", &AppSettings::m_saveFullPos},
    {"Tool Tip", &AppSettings::m_toolTip},
    {"Live Content Save Time Info", &AppSettings::m_liveContentSaveTimeInfo},
    {"size policy", &AppSettings::m_sizePolicy},
    {"Max Size", &AppSettings::m_maxSize},
    {"time policy", &AppSettings::m_timePolicy},
    {"Max Time", &AppSettings::m_maxTime},
    {"Reconnect", &AppSettings::m_reconnect},
    {"CaptureHTTP", &AppSettings::m_captureHttp},
    {"CaptureMMS", &AppSettings::m_captureMms},
    {"CaptureRTSP", &AppSettings::m_captureRtsp},
};

constexpr IntKey kPlayerFlags[] = {
    {"Repeat", &AppSettings::m_repeat},
    {"Keep Size", &AppSettings::m_keepSize},
    {"Keep", &AppSettings::m_keep},
    {"OnTop", &AppSettings::m_onTop},
    {"ScreenSave ", &AppSettings::m_screenSave},
    {"Enable Caption", &AppSettings::m_enableCaption},
    {"Splite Caption Wnd", &AppSettings::m_splitCaptionWnd},
    {"Caption Corlor", &AppSettings::m_captionColor},
    {"Caption Size", &AppSettings::m_captionSize},
};

void LoadInts(const Profile& p, AppSettings& s, const IntKey* keys, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        s.*(keys[i].field) = p.GetInt(kSettings, keys[i].key, s.*(keys[i].field));
}

void SaveInts(Profile& p, const AppSettings& s, const IntKey* keys, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        p.WriteInt(kSettings, keys[i].key, s.*(keys[i].field));
}

}  // namespace

std::string DefaultBaseDir()
{
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/Videos/Brimcast";
}

AppSettings::AppSettings()
    : m_baseDir(DefaultBaseDir()),
      m_captionStyleName("\xEB\xB3\xB4\xED\x86\xB5"),  // the Korean word for "regular"
      m_captionFaceName("\xEA\xB5\xB4\xEB\xA6\xBC")    // the Korean font name Gulim
{
}

void AppSettings::Load(const Profile& p)
{
    m_baseDir = p.GetString(kSettings, "base dir", m_baseDir);
    // Stored without a trailing separator (Windows lists used "\").
    if (m_baseDir.size() > 1 && (m_baseDir.back() == '\\' || m_baseDir.back() == '/'))
        m_baseDir.pop_back();
    MakeDirectoryPath(m_baseDir);  // a failure shows when a recording creates its file

    m_agent = p.GetString(kSettings, "agent", m_agent);
    LoadInts(p, *this, kLoadFlags, std::size(kLoadFlags));
    // The capture adapter is one setting stored under two keys: the one the
    // adapter dialog always wrote decides when it is there.
    m_captureDriver = p.GetString(kSettings, kCaptureAdapterKey,
                                  p.GetString(kSettings, "CaptureDriver", m_captureDriver));

    const int count = p.GetInt(kFileTypes, "", 100);
    for (int i = 0; i < count; ++i) {
        const char* def = i < 8 ? kBuiltInFileTypes[i] : "";
        std::string type = p.GetString(kFileTypes, "type" + std::to_string(i), def);
        if (type.empty())
            break;
        m_fileTypes.push_back(type);
    }

    LoadInts(p, *this, kPlayerFlags, std::size(kPlayerFlags));
    m_captionStyleName = p.GetString(kSettings, "Caption Style Name", m_captionStyleName);
    m_captionFaceName = p.GetString(kSettings, "Caption Face Name", m_captionFaceName);
    m_captionBold = p.GetInt(kSettings, "Caption Bold", m_captionBold);
    m_captionMargin = p.GetInt(kSettings, "Caption Margin", m_captionMargin);
    m_useProxy = p.GetInt(kSettings, "Use Proxy", m_useProxy);
    m_proxyServer = p.GetString(kSettings, "Proxy SAerver", m_proxyServer);
    m_proxyPort = p.GetInt(kSettings, "Proxy Port", m_proxyPort);
    m_bypassProxy = p.GetInt(kSettings, "Bypass Proxy", m_bypassProxy);
    m_checkParallel = CheckParallelIn(p.GetInt(kSettings, kCheckParallelKey, m_checkParallel));
    m_checkSeconds = CheckSecondsIn(p.GetInt(kSettings, kCheckSecondsKey, m_checkSeconds));
    m_parallelRecordings = ParallelRecordingsIn(
        p.GetInt(kSettings, kParallelRecordingsKey, m_parallelRecordings));
}

void AppSettings::Save(Profile& p) const
{
    p.WriteString(kSettings, "base dir", m_baseDir);
    p.WriteString(kSettings, "agent", m_agent);
    SaveInts(p, *this, kLoadFlags, std::size(kLoadFlags));
    p.WriteString(kSettings, "CaptureDriver", m_captureDriver);
    p.WriteString(kSettings, kCaptureAdapterKey, m_captureDriver);
    p.WriteInt(kFileTypes, "", static_cast<int>(m_fileTypes.size()));
    for (size_t i = 0; i < m_fileTypes.size(); ++i)
        p.WriteString(kFileTypes, "type" + std::to_string(i), m_fileTypes[i]);
    // "Sequence" is saved after "Repeat" but never loaded.
    SaveInts(p, *this, kPlayerFlags, 1);
    p.WriteInt(kSettings, "Sequence", m_sequence);
    SaveInts(p, *this, kPlayerFlags + 1, std::size(kPlayerFlags) - 1);
    p.WriteString(kSettings, "Caption Style Name", m_captionStyleName);
    p.WriteString(kSettings, "Caption Face Name", m_captionFaceName);
    p.WriteInt(kSettings, "Caption Bold", m_captionBold);
    p.WriteInt(kSettings, "Caption Margin", m_captionMargin);
    p.WriteInt(kSettings, "Use Proxy", m_useProxy);
    p.WriteString(kSettings, "Proxy SAerver", m_proxyServer);
    p.WriteInt(kSettings, "Proxy Port", m_proxyPort);
    p.WriteInt(kSettings, "Bypass Proxy", m_bypassProxy);
    p.WriteInt(kSettings, kCheckParallelKey, m_checkParallel);
    p.WriteInt(kSettings, kCheckSecondsKey, m_checkSeconds);
    p.WriteInt(kSettings, kParallelRecordingsKey, m_parallelRecordings);
}

int CheckParallelIn(int value) { return std::clamp(value, 1, AppSettings::kMaxCheckParallel); }

int CheckSecondsIn(int value)
{
    return std::clamp(value, AppSettings::kMinCheckSeconds, AppSettings::kMaxCheckSeconds);
}

int ParallelRecordingsIn(int value)
{
    return std::clamp(value, 1, AppSettings::kMaxParallelRecordings);
}

int MakeDirectoryPath(const std::string& path)
{
    // Every component is a folder, also one whose name holds a "."
    // ("Recordings.2024"): the callers name folders, never files.
    if (path.empty()) {
        errno = ENOENT;
        return 0;
    }
    size_t pos = path[0] == '/' ? 1 : 0;
    for (;;) {
        size_t next = path.find('/', pos);
        std::string prefix = path.substr(0, next);
        if (!prefix.empty()) {
            struct stat st {};
            bool made = false;
            if (::stat(prefix.c_str(), &st) != 0) {
                made = ::mkdir(prefix.c_str(), 0755) == 0;
                // EEXIST: made by someone else meanwhile, looked at below.
                if (!made && (errno != EEXIST || ::stat(prefix.c_str(), &st) != 0))
                    return 0;
            }
            if (!made && !S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return 0;
            }
        }
        if (next == std::string::npos)
            return 1;
        pos = next + 1;
    }
}

StoredCredentials ReadStoredCredentials(const Profile& profile, const std::string& site)
{
    const std::string section = "NetPassword\\" + site;
    return {profile.GetString(section, "User", ""), profile.GetString(section, "Password", "")};
}

void WriteStoredCredentials(Profile& profile, const std::string& site, const std::string& user,
                            const std::string& password)
{
    const std::string section = "NetPassword\\" + site;
    profile.WriteString(section, "User", user);
    profile.WriteString(section, "Password", password);
}

std::string CredentialSite::Text() const
{
    return (bracketed ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

StoredCredentials ReadStoredCredentials(const Profile& profile, const CredentialSite& site)
{
    StoredCredentials stored = ReadStoredCredentials(profile, site.Text());
    if (stored.user.empty() && stored.password.empty() && site.port == site.defaultPort && !site.host.empty())
        stored = ReadStoredCredentials(profile, site.host);
    return stored;
}

void WriteStoredCredentials(Profile& profile, const CredentialSite& site, const std::string& user,
                            const std::string& password)
{
    WriteStoredCredentials(profile, site.Text(), user, password);
}

CredentialLookup LookupCredentials(Profile* profile, UserPrompts* prompts, const CredentialSite& site,
                                   bool retrying, std::string& user, std::string& password,
                                   const CancelSignal& cancel)
{
    if (!retrying && profile) {
        StoredCredentials stored = ReadStoredCredentials(*profile, site);
        if (!stored.user.empty() && !stored.password.empty()) {
            user = stored.user;
            password = stored.password;
            return CredentialLookup::Found;
        }
    }
    if (!prompts)
        return CredentialLookup::NothingToTry;
    for (;;) {
        UserPrompts::CredentialAnswer answer = prompts->AskCredentials(site.Text(), user, password, cancel);
        if (!answer.accepted || cancel.Cancelled())
            return CredentialLookup::Cancelled;
        // The dialog only accepts both values; an answer without them is
        // an OK that does nothing, and the dialog stays up.
        if (answer.user.empty() || answer.password.empty())
            continue;
        if (answer.save && profile)
            WriteStoredCredentials(*profile, site, answer.user, answer.password);
        user = answer.user;
        password = answer.password;
        return CredentialLookup::Found;
    }
}

std::vector<std::string> LoadPlayerAgents(const Profile& profile, const std::string& current,
                                          int* selected)
{
    std::vector<std::string> agents;
    for (int i = 0; i < kMaxPlayerAgents; ++i) {
        std::string a = profile.GetString(kPlayerAgents, "player" + std::to_string(i), "");
        if (a.empty())
            break;
        agents.push_back(a);
    }
    int index = -1;
    for (size_t i = 0; i < agents.size(); ++i) {
        if (agents[i] == current) {
            index = static_cast<int>(i);
            break;
        }
    }
    if (index < 0) {
        agents.push_back(current);
        index = static_cast<int>(agents.size()) - 1;
    }
    if (selected)
        *selected = index;
    return agents;
}

void SavePlayerAgents(Profile& profile, const std::vector<std::string>& agents)
{
    profile.DeleteSection(kPlayerAgents);
    for (size_t i = 0; i < agents.size(); ++i)
        profile.WriteString(kPlayerAgents, "player" + std::to_string(i), agents[i]);
}

void DeleteRecentFiles(Profile& profile)
{
    profile.DeleteSection(setting_keys::kRecentUrlSection);
    profile.DeleteSection(setting_keys::kRecentFileSection);
}
