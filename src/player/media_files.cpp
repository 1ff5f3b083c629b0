#include "player/media_files.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace player {

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
