#include "player/play_targets.h"

#include <QDir>
#include <QUrl>

#include "protocols/net/url_parts.h"

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
    net::UrlParts parts;
    if (!net::SplitUrl(a.toStdString(), &parts))
        return {{a, false}};
    const QString scheme = QString::fromStdString(parts.scheme).toLower();
    // Everything after "://" goes on as written, under the scheme tried.
    const QString rest = a.mid(a.indexOf(QLatin1String("://")) + 3);
    const bool addLogin = !user.isEmpty() && !password.isEmpty() && !parts.hasUserInfo;
    const QString login = addLogin ? QString::fromLatin1(QUrl::toPercentEncoding(user)) + QLatin1Char(':') +
                                         QString::fromLatin1(QUrl::toPercentEncoding(password)) + QLatin1Char('@')
                                   : QString();
    for (const SchemeRow& row : kSchemes) {
        if (scheme != QLatin1String(row.scheme))
            continue;
        std::vector<PlayTarget> targets;
        for (const char* to : row.tries) {
            if (!to)
                continue;
            const QString s = QString::fromLatin1(to);
            const bool http = s.startsWith(QLatin1String("http"));
            targets.push_back({s + QStringLiteral("://") + (http ? login : QString()) + rest,
                               s == QLatin1String("mmsh")});
        }
        return targets;
    }
    return {{a, false}};
}

}  // namespace player
