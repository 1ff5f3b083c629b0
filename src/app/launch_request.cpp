#include "app/launch_request.h"

#include <QFileInfo>

namespace {

// A token such as "/Open" or "/x": begins with "/", holds no other "/" and
// names no existing file.
bool IsSlashSwitch(const QString& token)
{
    return token.size() > 1 && token.startsWith(QLatin1Char('/')) &&
           token.indexOf(QLatin1Char('/'), 1) < 0 && !QFileInfo::exists(token);
}

}  // namespace

LaunchMode LaunchModeOf(const QString& switchText)
{
    if (switchText.startsWith(QLatin1String("/Open")))
        return LaunchMode::Open;
    if (switchText.startsWith(QLatin1String("/Play")))
        return LaunchMode::Play;
    if (switchText.startsWith(QLatin1String("/Rec")))
        return LaunchMode::Record;
    return LaunchMode::Play;
}

LaunchEntry SplitLaunchArgument(const QString& argument)
{
    static const QString kSeparator = QStringLiteral("&&");
    LaunchEntry entry;
    entry.sizeSwitch = QStringLiteral("0");
    const qsizetype first = argument.indexOf(kSeparator);
    if (first < 0) {
        entry.path = argument;
        return entry;
    }
    entry.path = argument.left(first);
    const qsizetype titleStart = first + kSeparator.size();
    const qsizetype second = argument.indexOf(kSeparator, titleStart);
    if (second < 0) {
        entry.title = argument.mid(titleStart);
        return entry;
    }
    entry.title = argument.mid(titleStart, second - titleStart);
    entry.sizeSwitch = argument.mid(second + kSeparator.size());
    return entry;
}

LaunchRequest ParseCommandLine(const QStringList& args)
{
    LaunchRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            request.showHelp = true;
        } else if (a == QLatin1String("--version")) {
            request.showVersion = true;
        } else if (a == QLatin1String("--screenshot")) {
            if (i + 1 >= args.size()) {
                request.error = QStringLiteral("--screenshot needs a file name");
                return request;
            }
            request.screenshotPath = args[++i];
        } else if (a == QLatin1String("--screenshot-delay")) {
            bool ok = false;
            const int seconds = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || seconds < 1 || seconds > 600) {
                request.error = QStringLiteral("--screenshot-delay needs a number of seconds (1 to 600)");
                return request;
            }
            request.screenshotDelayMs = seconds * 1000;
            ++i;
        } else if (a == QLatin1String("--")) {
            request.arguments += args.mid(i + 1);
            break;
        } else if (a.startsWith(QLatin1String("--"))) {
            request.error = QStringLiteral("unknown option %1").arg(a);
            return request;
        } else if (IsSlashSwitch(a)) {
            // Only the first argument sets the mode; later switches are
            // ignored like any unknown switch.
            if (i == 0)
                request.mode = LaunchModeOf(a);
        } else if (!a.isEmpty()) {
            request.arguments.append(a);
        }
    }
    return request;
}
