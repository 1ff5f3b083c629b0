// brimcast: the desktop program.
#include <cstdio>

#include <QApplication>
#include <QLocale>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>

#include "app/launch_request.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/translations.h"
#include "app/unix_signals.h"
#include "ui/playback.h"
#include "base/setting_keys.h"
#include "qtprofile/ini_profile.h"

namespace {

constexpr char kVersion[] = "0.1.0";

constexpr char kUsage[] =
    "Usage: brimcast [/Open|/Play|/Record] [ARGUMENT]\n"
    "       brimcast [FILE-OR-URL...]\n"
    "\n"
    "Opens stream addresses, media files, ASX playlists and list files (.kvx, .qsd)\n"
    "in the media list. /Open and /Play (the default) also play the first argument,\n"
    "/Record records it. An argument may carry a title and a size switch:\n"
    "  \"ADDRESS&&TITLE&&SWITCH\"\n"
    "When Brimcast is already running, the arguments are handed to it.\n"
    "\n"
    "Options:\n"
    "  --help       this text\n"
    "  --version    the version\n";

}  // namespace

int main(int argc, char** argv)
{
    // --help and --version are answered before the application object
    // exists: it needs a display, and these need none.
    {
        QStringList raw;
        for (int i = 1; i < argc; ++i)
            raw.append(QString::fromLocal8Bit(argv[i]));
        const LaunchRequest early = ParseCommandLine(raw);
        if (early.error.isEmpty() && early.showHelp) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (early.error.isEmpty() && early.showVersion) {
            std::printf("brimcast %s\n", kVersion);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brimcast"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QApplication::setDesktopFileName(QStringLiteral("brimcast"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("brimcast")));

    const LaunchRequest request = ParseCommandLine(app.arguments().mid(1));
    if (!request.error.isEmpty()) {
        std::fprintf(stderr, "brimcast: %s\n%s", qPrintable(request.error), kUsage);
        return 2;
    }
    if (request.showHelp) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (request.showVersion) {
        std::printf("brimcast %s\n", kVersion);
        return 0;
    }
    InstallTranslations(app, QLocale());

    IniProfile profile;
    // Read before the window exists: a later start hands over unless
    // several instances are allowed.
    const bool allowMultiple = ReadSetting(profile, setting_keys::kAllowMultipleInstances) != 0;
    SingleInstance instance;
    if (instance.Start(request, !allowMultiple) == SingleInstance::Outcome::HandedOver)
        return 0;

    MainWindow window(profile);
    window.AttachPlayback(
        new player::Playback(*window.view(), window.settings(), window.profile(), player::PlayerOptions()));
    QObject::connect(&instance, &SingleInstance::handedOver, &window, &MainWindow::HandOver);
    UnixSignals signals_;
    QObject::connect(&signals_, &UnixSignals::terminationRequested, &window,
                     &MainWindow::CloseWithoutQuestions);
    // A logout: the session manager asks for the state first, and ends the
    // program afterwards (which reaches Shutdown through the window).
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.SaveState(); });
    window.show();
    window.OpenLaunch(request.mode, request.arguments);

    if (!request.screenshotPath.isEmpty()) {
        // Used by scripts/screenshot.sh: a picture of the window once it is
        // painted, then quit.
        QTimer::singleShot(request.screenshotDelayMs, &window, [&window, path = request.screenshotPath] {
            window.grab().save(path);
            window.CloseWithoutQuestions();
        });
    }
    return app.exec();
}
