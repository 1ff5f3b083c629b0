#pragma once

#include <string>
#include <string_view>

// The settings store: named sections holding integer and string values. A
// missing value yields the caller's default. Section names use "\" for
// sub-sections ("FileTypeList\type", "NetPassword\host"); an empty key is
// the section's own (default) value.
//
// Implementations must be safe to call from several threads at once: the
// credential store is read by recording workers while the main thread
// writes preferences.
class Profile {
public:
    virtual ~Profile() = default;

    virtual int GetInt(std::string_view section, std::string_view key, int def) const = 0;
    virtual std::string GetString(std::string_view section, std::string_view key,
                                  std::string_view def) const = 0;
    virtual void WriteInt(std::string_view section, std::string_view key, int value) = 0;
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;
    // Removes the section with every value in it (sub-sections stay).
    virtual void DeleteSection(std::string_view section) = 0;
    // Writes pending changes to permanent storage; false when that failed.
    virtual bool Flush() { return true; }
};
