#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "base/profile.h"

// A profile held in memory only: used by tests and by the URL check's
// throw-away objects.
class MemoryProfile final : public Profile {
public:
    int GetInt(std::string_view section, std::string_view key, int def) const override;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def) const override;
    void WriteInt(std::string_view section, std::string_view key, int value) override;
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
    void DeleteSection(std::string_view section) override;

    bool Has(std::string_view section, std::string_view key) const;

private:
    using Key = std::pair<std::string, std::string>;
    struct Value {
        bool isInt = false;
        int number = 0;
        std::string text;
    };
    mutable std::mutex mutex_;
    std::map<Key, Value, std::less<>> values_;
};
