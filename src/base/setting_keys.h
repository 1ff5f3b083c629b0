#pragma once

#include <string>

#include "base/profile.h"

// The values the desktop program keeps in the profile beside AppSettings:
// each key spelled once here, with its type and its default. Sections and
// keys are written as stored profiles have them (case and spaces included).
template <typename T>
struct SettingKey {
    const char* section;
    const char* key;
    T def;
};

namespace setting_keys {

// The window's normal frame ("Settings" with a capital S, not "settings").
inline constexpr SettingKey<int> kFrameX{"Settings", "xPos", 0};
inline constexpr SettingKey<int> kFrameY{"Settings", "yPos", 0};
inline constexpr SettingKey<int> kFrameWidth{"Settings", "cx", 0};  // 0: the default size
inline constexpr SettingKey<int> kFrameHeight{"Settings", "cy", 0};
inline constexpr SettingKey<int> kFrameMaximized{"Settings", "Maximized", 0};

// Where big screen mode puts the window when "Save Full Pos" is on (the
// screen's own rectangle when none is stored).
inline constexpr SettingKey<int> kBigScreenX{"position", "full mode x", 0};
inline constexpr SettingKey<int> kBigScreenY{"position", "full mode y", 0};
inline constexpr SettingKey<int> kBigScreenWidth{"position", "full mode cx", 0};
inline constexpr SettingKey<int> kBigScreenHeight{"position", "full mode cy", 0};

// The last folder media were opened from, and the last data bank file.
inline constexpr SettingKey<const char*> kLastMediaFolder{"Path", "video", ""};
inline constexpr SettingKey<const char*> kLastKvxFile{"Path", "kvx", ""};

// The media list's columns: widths and order as comma-separated numbers.
inline constexpr SettingKey<const char*> kColumnWidths{"List", "Column Widths", ""};
inline constexpr SettingKey<const char*> kColumnOrder{"List", "Column Order", ""};
inline constexpr SettingKey<int> kSortColumn{"List", "Sort Column", -1};
inline constexpr SettingKey<int> kSortOrder{"List", "Sort Order", 0};  // 1: descending

// The player's volume, 0 to 5000 (the player's scale; full when none).
inline constexpr SettingKey<int> kVolume{"settings", "Volume", 5000};

// The recent lists: keys "item<n>" (addresses) and "File<n>" (list
// files), newest first, each list in a section of its own.
inline constexpr const char* kRecentUrlSection = "RecentUrl\\Url";
inline constexpr const char* kRecentFileSection = "FileMRUList\\url";

// Read before anything else: a later start hands over unless it is 1.
inline constexpr SettingKey<int> kAllowMultipleInstances{"settings", "Allow Multiple Instances", 0};

}  // namespace setting_keys

inline int ReadSetting(const Profile& p, const SettingKey<int>& k) { return p.GetInt(k.section, k.key, k.def); }
inline int ReadSetting(const Profile& p, const SettingKey<int>& k, int def) { return p.GetInt(k.section, k.key, def); }
inline std::string ReadSetting(const Profile& p, const SettingKey<const char*>& k, const std::string& def = {})
{
    return p.GetString(k.section, k.key, def.empty() ? k.def : def);
}
inline void WriteSetting(Profile& p, const SettingKey<int>& k, int value) { p.WriteInt(k.section, k.key, value); }
inline void WriteSetting(Profile& p, const SettingKey<const char*>& k, const std::string& value)
{
    p.WriteString(k.section, k.key, value);
}
