#include "cli/cli_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "cli/command.h"
#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
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
        options->proxy = value;
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

bool ApplyNetworkOptions(const NetworkOptions& options, AppSettings* settings,
                         JobServices* services, std::string* error)
{
    if (options.user)
        settings->m_memberUser = *options.user;
    if (options.password)
        settings->m_memberPassword = *options.password;
    if (options.playerId)
        settings->m_playerAgent = *options.playerId;
    if (options.proxy) {
        const std::string& p = *options.proxy;
        size_t colon = p.rfind(':');
        int port = 0;
        if (colon == std::string::npos || colon == 0 || !ParseInt(p.substr(colon + 1), 1, 65535, &port)) {
            *error = "--proxy wants HOST:PORT, not " + p;
            return false;
        }
        settings->m_useProxy = 1;
        settings->m_bypassProxy = 0;
        settings->m_proxyServer = p.substr(0, colon);
        settings->m_proxyPort = port;
    }
    if (options.idleTimeoutSeconds)
        services->idleTimeoutMs = *options.idleTimeoutSeconds * 1000;
    return true;
}

std::unique_ptr<IniProfile> OpenProfile(const std::string& configPath)
{
    auto profile = std::make_unique<IniProfile>(configPath);
    if (!profile->readable())
        CliError("cannot read the settings file " + profile->path() + "; using the defaults");
    return profile;
}
