#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "base/profile.h"

class QSettings;

// The profile kept in an INI file through QSettings. Sections and keys are
// the profile's own names; "\" in a section name nests groups. The file
// is created with mode 0600 (it may hold credentials in plain text).
class IniProfile final : public Profile {
public:
    // An empty path means $XDG_CONFIG_HOME/Brimcast/Brimcast.conf
    // (or ~/.config/Brimcast/Brimcast.conf).
    explicit IniProfile(const std::string& path = {});
    ~IniProfile() override;

    int GetInt(std::string_view section, std::string_view key, int def) const override;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def) const override;
    void WriteInt(std::string_view section, std::string_view key, int value) override;
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
    void DeleteSection(std::string_view section) override;
    bool Flush() override;

    const std::string& path() const { return path_; }
    // False when the file exists but could not be read: the values are then
    // the defaults, and the caller warns. Something other than a regular
    // file at the name (a pipe, a device) is not opened at all, and nothing
    // is written to it.
    bool readable() const { return readable_; }

    static std::string DefaultPath();

private:
    std::string path_;
    bool readable_ = true;
    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;  // none when the name is not a regular file
};
