#include "cli/cli_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/app_settings.h"
#include "cli/command.h"
#include "medialist/media_list.h"
#include "protocols/net/url_parts.h"
#include "qtprofile/ini_profile.h"
#include "record/cmms_thread.h"

bool OptionReader::Next()
{
    if (next_ >= args_.size())
        return false;
    current_ = args_[next_++];
    inlineValue_.reset();
    if (!afterDashes_ && current_ == "--") {
        afterDashes_ = true;
        return Next();
    }
    if (IsOption() && current_.rfind("--", 0) == 0) {
        size_t eq = current_.find('=');
        if (eq != std::string::npos) {
            inlineValue_ = current_.substr(eq + 1);
            current_ = current_.substr(0, eq);
        }
    }
    return true;
}

bool OptionReader::IsOption() const
{
    return !afterDashes_ && current_.size() > 1 && current_[0] == '-';
}

bool OptionReader::Is(const char* shortName, const char* longName) const
{
    if (!IsOption())
        return false;
    return (shortName && current_ == shortName) || (longName && current_ == longName);
}

bool OptionReader::TakeValue(std::string* value)
{
    if (inlineValue_) {
        *value = *inlineValue_;
        inlineValue_.reset();
        return true;
    }
    if (next_ >= args_.size())
        return false;
    *value = args_[next_++];
    return true;
}

bool ParseInt(const std::string& text, int min, int max, int* out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0' || v < min || v > max)
        return false;
    *out = static_cast<int>(v);
    return true;
}

int ReadNetworkOption(OptionReader& reader, NetworkOptions* options, std::string* error)
{
    std::string value;
    auto take = [&](const char* what) {
        if (reader.TakeValue(&value))
            return true;
        *error = reader.Current() + " needs " + what;
        return false;
    };
    if (reader.Is("-u", "--user")) {
        if (!take("a user name"))
            return -1;
        options->user = value;
        return 1;
    }
    if (reader.Is("-p", "--password")) {
        if (!take("a password"))
            return -1;
        options->password = value;
        return 1;
    }
    if (reader.Is(nullptr, "--player-id")) {
        if (!take("a player identity"))
            return -1;
        options->playerId = value;
        return 1;
    }
    if (reader.Is(nullptr, "--proxy")) {
        if (!take("HOST:PORT"))
            return -1;
        const size_t colon = value.rfind(':');
        if (colon == std::string::npos || colon == 0 ||
            !ParseInt(value.substr(colon + 1), 1, 65535, &options->proxyPort)) {
            *error = "--proxy wants HOST:PORT, not " + value;
            return -1;
        }
        options->proxyHost = value.substr(0, colon);
        return 1;
    }
    if (reader.Is(nullptr, "--idle-timeout")) {
        int seconds = 0;
        if (!take("a number of seconds"))
            return -1;
        if (!ParseInt(value, 0, INT_MAX / 1000, &seconds)) {
            *error = "--idle-timeout: not a number of seconds: " + value;
            return -1;
        }
        options->idleTimeoutSeconds = seconds;
        return 1;
    }
    return 0;
}

void ApplyNetworkOptions(const NetworkOptions& options, AppSettings* settings, JobServices* services)
{
    if (options.user)
        settings->m_memberUser = *options.user;
    if (options.password)
        settings->m_memberPassword = *options.password;
    if (options.playerId)
        settings->m_playerAgent = *options.playerId;
    if (options.proxyHost) {
        settings->m_useProxy = 1;
        settings->m_bypassProxy = 0;
        settings->m_proxyServer = *options.proxyHost;
        settings->m_proxyPort = options.proxyPort;
    }
    if (options.idleTimeoutSeconds)
        services->idleTimeoutMs = *options.idleTimeoutSeconds * 1000;
}

const char kNetworkOptionsSynopsis[] =
    "[-u USER -p PASSWORD] [--player-id TEXT] [--proxy HOST:PORT] [--idle-timeout SECONDS]";

const char kNetworkOptionsHelp[] =
    "  -u, --user USER        user name for the addresses given here (no other\n"
    "                         server gets it unasked)\n"
    "  -p, --password PASS    its password\n"
    "  --player-id TEXT       player identity announced to servers\n"
    "  --proxy HOST:PORT      connect through this HTTP proxy\n"
    "  --idle-timeout SECONDS give up on a server that sends nothing for this long\n"
    "                         (default 60; 0 waits until stopped)\n";

std::string AddressArgument(const std::string& text)
{
    if (net::IsStreamAddress(text))
        return text;
    std::string path = text;
    std::error_code ec;
    if (!IsLocalPath(path) && path.find("://") == std::string::npos && std::filesystem::is_regular_file(path, ec)) {
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (ec)
            return {};
        path = absolute.lexically_normal().string();
    }
    if (!IsLocalPath(path))
        return {};
    if (IsLocalPlaylist(path) || (ClassifyEntry(path) & (kEntryKvx | kEntryQsd | kEntryKvl)) != 0)
        return path;
    return {};
}

int ReadAddressArguments(const CliCommand& command, const CliContext& context, AddressArguments* out,
                         const OwnOptionReader& own)
{
    OptionReader reader(context.args);
    std::string error;
    while (reader.Next()) {
        if (!reader.IsOption()) {
            if (reader.Current().empty())
                return CliUsageError(command, "an address is empty");
            // Nothing is tried for text that cannot be recorded.
            const std::string address = AddressArgument(reader.Current());
            if (address.empty())
                return CliUsageError(command, reader.Current() + ": not a stream address or playlist");
            out->addresses.push_back(address);
            continue;
        }
        int taken = ReadNetworkOption(reader, &out->network, &error);
        if (taken == 0 && own)
            taken = own(reader, &error);
        if (taken < 0)
            return CliUsageError(command, error);
        if (taken > 0)
            continue;
        if (reader.Is("-q", "--quiet")) {
            out->quiet = true;
            continue;
        }
        return CliUsageError(command, "unknown option " + reader.Current());
    }
    if (out->addresses.empty())
        return CliUsageError(command, "no address given");
    return -1;
}

std::unique_ptr<IniProfile> OpenProfile(const std::string& configPath)
{
    auto profile = std::make_unique<IniProfile>(configPath);
    if (!profile->readable())
        CliError("cannot read the settings file " + profile->path() + "; using the defaults");
    return profile;
}
