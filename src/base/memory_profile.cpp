#include "base/memory_profile.h"

#include <cstdlib>

namespace {

std::pair<std::string, std::string> MakeKey(std::string_view section, std::string_view key)
{
    return {std::string(section), std::string(key)};
}

}  // namespace

int MemoryProfile::GetInt(std::string_view section, std::string_view key, int def) const
{
    std::lock_guard lock(mutex_);
    auto it = values_.find(MakeKey(section, key));
    if (it == values_.end())
        return def;
    if (it->second.isInt)
        return it->second.number;
    // A registry read of a string as an integer gives the default; a file
    // store holds text, so a number written as text is read back.
    char* end = nullptr;
    long v = std::strtol(it->second.text.c_str(), &end, 10);
    if (end == it->second.text.c_str())
        return def;
    return static_cast<int>(v);
}

std::string MemoryProfile::GetString(std::string_view section, std::string_view key,
                                     std::string_view def) const
{
    std::lock_guard lock(mutex_);
    auto it = values_.find(MakeKey(section, key));
    if (it == values_.end())
        return std::string(def);
    if (it->second.isInt)
        return std::to_string(it->second.number);
    return it->second.text;
}

void MemoryProfile::WriteInt(std::string_view section, std::string_view key, int value)
{
    std::lock_guard lock(mutex_);
    Value& v = values_[MakeKey(section, key)];
    v.isInt = true;
    v.number = value;
    v.text.clear();
}

void MemoryProfile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value)
{
    std::lock_guard lock(mutex_);
    Value& v = values_[MakeKey(section, key)];
    v.isInt = false;
    v.number = 0;
    v.text = std::string(value);
}

void MemoryProfile::DeleteSection(std::string_view section)
{
    std::lock_guard lock(mutex_);
    for (auto it = values_.begin(); it != values_.end();) {
        if (it->first.first == section)
            it = values_.erase(it);
        else
            ++it;
    }
}

bool MemoryProfile::Has(std::string_view section, std::string_view key) const
{
    std::lock_guard lock(mutex_);
    return values_.count(MakeKey(section, key)) != 0;
}
