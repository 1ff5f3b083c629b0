#pragma once

#include <string>

// .kvx list file bytes laid out by hand from the format's table (224-byte
// header, 584-byte records), independent of the code under test.
inline std::string KvxHeader(const std::string& info = "", const std::string& user = "",
                             const std::string& password = "")
{
    return std::string(224, '\0')
        .replace(0, 4, "0.1b")
        .replace(10, 3, "mms")
        .replace(15, info.size(), info)
        .replace(124, user.size(), user)
        .replace(154, password.size(), password);
}

inline std::string KvxRecord(const std::string& title, const std::string& address,
                             const std::string& time = "", const std::string& size = "",
                             const std::string& info = "")
{
    return std::string(584, '\0')
        .replace(0, 8, "Brimcast")
        .replace(50, 8, "Brimcast")
        .replace(100, title.size(), title)
        .replace(150, address.size(), address)
        .replace(425, time.size(), time)
        .replace(435, size.size(), size)
        .replace(488, info.size(), info);
}
