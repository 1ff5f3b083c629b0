#include "player/play_address.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace player {
namespace {

// One row per address scheme: the schemes mpv is given, in order.
struct SchemeRow {
    const char* scheme;
    const char* tries[2];
};
const SchemeRow kSchemes[] = {
    // MMS over TCP first, then MMS over HTTP, the order the recorder tries.
    {"mms", {"mmst", "mmsh"}},
    {"mmst", {"mmst", nullptr}},
    // No UDP transport here: the same session runs over TCP.
    {"mmsu", {"mmst", nullptr}},
    {"mmsh", {"mmsh", nullptr}},
    // A media server answers a plain GET with the stream header alone; the
    // framed request gets the stream.
    {"http", {"http", "mmsh"}},
    {"https", {"https", nullptr}},
};

QString WithCredentials(const QString& scheme, const QString& rest, const QString& user,
                        const QString& password)
{
    const int authorityEnd = rest.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    const QString authority = authorityEnd < 0 ? rest : rest.left(authorityEnd);
    if (user.isEmpty() || password.isEmpty() || authority.contains(QLatin1Char('@')))
        return scheme + QStringLiteral("://") + rest;
    return scheme + QStringLiteral("://") + QString::fromLatin1(QUrl::toPercentEncoding(user)) +
           QLatin1Char(':') + QString::fromLatin1(QUrl::toPercentEncoding(password)) +
           QLatin1Char('@') + rest;
}

}  // namespace

bool IsLocalAddress(const QString& address)
{
    const QString a = address.trimmed();
    if (a.startsWith(QLatin1Char('/')) || a.startsWith(QLatin1String("~/")) ||
        a.startsWith(QLatin1String("./")) || a.startsWith(QLatin1String("../")) ||
        a.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        return true;
    return a.size() >= 3 && a[0].isLetter() && a[0].toLower() <= QLatin1Char('y') &&
           a[1] == QLatin1Char(':') && a[2] == QLatin1Char('\\');
}

QString LocalPath(const QString& address)
{
    if (!IsLocalAddress(address))
        return {};
    const QString a = address.trimmed();
    if (a.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        return QUrl(a).toLocalFile();
    if (a.startsWith(QLatin1String("~/")))
        return QDir::homePath() + a.mid(1);
    return a;
}

std::vector<PlayTarget> PlayTargets(const QString& address, bool growing, const QString& user,
                                    const QString& password)
{
    if (IsLocalAddress(address)) {
        const QString path = LocalPath(address);
        // mpv keeps reading a file opened this way as it grows.
        return {{growing ? QStringLiteral("appending://") + path : path, false}};
    }
    const QString a = address.trimmed();
    const int sep = a.indexOf(QLatin1String("://"));
    if (sep <= 0)
        return {{a, false}};
    const QString scheme = a.left(sep).toLower();
    const QString rest = a.mid(sep + 3);
    for (const SchemeRow& row : kSchemes) {
        if (scheme != QLatin1String(row.scheme))
            continue;
        std::vector<PlayTarget> targets;
        for (const char* to : row.tries) {
            if (!to)
                continue;
            const QString s = QString::fromLatin1(to);
            if (s == QLatin1String("mmsh"))
                targets.push_back({s + QStringLiteral("://") + rest, true});
            else if (s.startsWith(QLatin1String("http")))
                targets.push_back({WithCredentials(s, rest, user, password), false});
            else
                targets.push_back({s + QStringLiteral("://") + rest, false});
        }
        return targets;
    }
    return {{a, false}};
}

AddressParts SplitAddress(const QString& address)
{
    AddressParts parts;
    const QString a = address.trimmed();
    const int sep = a.indexOf(QLatin1String("://"));
    QString rest = sep < 0 ? a : a.mid(sep + 3);
    const int authorityEnd = rest.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    QString authority = authorityEnd < 0 ? rest : rest.left(authorityEnd);
    parts.pathAndQuery = authorityEnd < 0 ? QString() : rest.mid(authorityEnd);
    if (parts.pathAndQuery.isEmpty() || parts.pathAndQuery[0] != QLatin1Char('/'))
        parts.pathAndQuery.prepend(QLatin1Char('/'));
    const int at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        authority = authority.mid(at + 1);
    const int colon = authority.lastIndexOf(QLatin1Char(':'));
    parts.host = colon < 0 ? authority : authority.left(colon);
    if (colon >= 0) {
        bool ok = false;
        const int port = authority.mid(colon + 1).toInt(&ok);
        parts.port = ok && port > 0 && port < 65536 ? port : 0;
    }
    return parts;
}

QString CaptionFileFor(const QString& mediaPath)
{
    // The extension is cut from the file name only: a dot in a folder name
    // is not one.
    const int slash = mediaPath.lastIndexOf(QLatin1Char('/'));
    const int dot = mediaPath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash + 1 ? mediaPath.left(dot) : mediaPath;
    return stem + QStringLiteral(".smi");
}

QString WithoutNbsp(QString text)
{
    static const QRegularExpression nbsp(QStringLiteral("&nbsp;?"),
                                         QRegularExpression::CaseInsensitiveOption);
    return text.remove(nbsp);
}

QString CaptureFilePath(const QString& folder, const QString& title, int seconds)
{
    QString name = title;
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QChar(0), QLatin1Char('_'));
    // Names stay well inside the 255 bytes a file name may have.
    while (name.toUtf8().size() > 200)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("capture");
    seconds = std::max(0, seconds);
    const QString stem = QStringLiteral("%1_%2-%3-%4")
                             .arg(name)
                             .arg(seconds / 3600)
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const QDir dir(folder);
    QString path = dir.filePath(stem + QStringLiteral(".png"));
    for (int n = 2; QFileInfo::exists(path) && n < 10000; ++n)
        path = dir.filePath(QStringLiteral("%1 (%2).png").arg(stem).arg(n));
    return path;
}

}  // namespace player
