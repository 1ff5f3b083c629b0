#include "qtprofile/ini_profile.h"

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>

namespace {

QString Path(std::string_view section, std::string_view key)
{
    QString s = QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size()));
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // An empty key is the section's own value; "@" is escaped in the file,
    // so this name never meets a real key.
    QString k = key.empty() ? QStringLiteral("@default")
                            : QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    k.replace(QLatin1Char('\\'), QLatin1Char('_'));
    k.replace(QLatin1Char('/'), QLatin1Char('_'));
    return s.isEmpty() ? k : s + QLatin1Char('/') + k;
}

QString Group(std::string_view section)
{
    QString s = QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size()));
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

}  // namespace

std::string IniProfile::DefaultPath()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/Brimcast/Brimcast.conf";
}

IniProfile::IniProfile(const std::string& path) : path_(path.empty() ? DefaultPath() : path)
{
    QFileInfo info(QString::fromStdString(path_));
    QDir().mkpath(info.absolutePath());
    if (info.exists()) {
        readable_ = info.isReadable() && info.isFile();
        // Reading a named pipe or a device would wait for ever: such a
        // profile is not used at all (defaults are read, nothing is written).
        if (!info.isFile())
            return;
    } else {
        // Create it empty with owner-only access before QSettings writes
        // into it; QSettings keeps the permissions of an existing file.
        int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    settings_ = std::make_unique<QSettings>(QString::fromStdString(path_), QSettings::IniFormat);
    if (settings_->status() != QSettings::NoError)
        readable_ = false;
}

IniProfile::~IniProfile() { Flush(); }

int IniProfile::GetInt(std::string_view section, std::string_view key, int def) const
{
    std::lock_guard lock(mutex_);
    if (!settings_)
        return def;
    QVariant v = settings_->value(Path(section, key));
    if (!v.isValid())
        return def;
    bool ok = false;
    int n = v.toInt(&ok);
    return ok ? n : def;
}

std::string IniProfile::GetString(std::string_view section, std::string_view key,
                                  std::string_view def) const
{
    std::lock_guard lock(mutex_);
    if (!settings_)
        return std::string(def);
    QVariant v = settings_->value(Path(section, key));
    if (!v.isValid())
        return std::string(def);
    return v.toString().toStdString();
}

void IniProfile::WriteInt(std::string_view section, std::string_view key, int value)
{
    std::lock_guard lock(mutex_);
    if (settings_)
        settings_->setValue(Path(section, key), value);
}

void IniProfile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::lock_guard lock(mutex_);
    if (settings_)
        settings_->setValue(Path(section, key),
                            QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void IniProfile::DeleteSection(std::string_view section)
{
    std::lock_guard lock(mutex_);
    if (!settings_)
        return;
    settings_->beginGroup(Group(section));
    const QStringList keys = settings_->childKeys();
    for (const QString& k : keys)
        settings_->remove(k);
    settings_->endGroup();
}

bool IniProfile::Flush()
{
    std::lock_guard lock(mutex_);
    if (!settings_)
        return false;
    settings_->sync();
    // The mode is set on the file itself, through a descriptor: a link at
    // the name is not followed (it would hand the chmod to whatever file it
    // points to), and a pipe there is not waited on.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0777) != 0600)
            ::fchmod(fd, 0600);
        ::close(fd);
    }
    return settings_->status() == QSettings::NoError;
}
