#pragma once

#include <string>

#include <QString>

// The core keeps UTF-8 std::string; the window keeps QString.
inline QString Q(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) { return s.toStdString(); }
