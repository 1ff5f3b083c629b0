// The window's list view with 10,000 rows: opening a 10,000-row list file
// into the shown view (model reset to first paint), adding 10,000 rows one
// by one while the view is shown (as URL capture adds them), and the memory
// of the idle window holding 10,000 rows.
//
//   QT_QPA_PLATFORM=offscreen ./build/bench/desktop_bench
#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "base/app_settings.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "ui/media_view.h"

namespace {

// Peak and current resident memory from /proc, in kB.
long StatusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/conf").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (dir.path() + "/data").toLocal8Bit());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");

    // The list file: 10,000 rows, 9 of 10 network addresses, with time, size
    // and info texts, written by the list's own writer.
    const std::string kvx = dir.path().toStdString() + "/big.kvx";
    {
        AppSettings settings;
        MediaList list(settings, nullptr);
        for (int i = 0; i < 10000; ++i) {
            const std::string n = std::to_string(i);
            const std::string address = i % 10 == 9 ? "/srv/media/local-" + n + ".wmv"
                                                    : "mms://media.example/live/channel-" + n + ".asf";
            const int row = list.AddEntry(address, "Channel " + n, " ", "");
            list.SetCell(row, kColTime, "0:12:34");
            list.SetCell(row, kColSize, "1234K");
            list.SetCell(row, kColInfo, "evening programme " + n);
        }
        if (list.WriteKvxFile(kvx, KvxWriteMode::All) != KvxWriteResult::Written) {
            std::fprintf(stderr, "could not write %s\n", kvx.c_str());
            return 1;
        }
    }

    IniProfile profile;
    profile.WriteInt("settings", "ScreenSave ", 0);
    MainWindow window(profile);
    window.resize(1000, 700);
    window.show();
    Settle();
    const long baseKb = StatusKb("VmRSS:");
    QTableView* table = window.view()->table();

    QElapsedTimer t;
    t.start();
    const int first = window.view()->OpenEntry(QString::fromStdString(kvx), QString(), QString());
    table->viewport()->repaint();
    const double openMs = t.nsecsElapsed() / 1e6;
    if (first != 0 || window.view()->list().RowCount() != 10000) {
        std::fprintf(stderr, "the list file did not open as 10,000 rows\n");
        return 1;
    }
    Settle();
    const long idleKb = StatusKb("VmRSS:");
    const long idlePeakKb = StatusKb("VmHWM:");

    // 10,000 rows one by one, each shown (the event loop runs between them
    // as it would between captured requests).
    t.restart();
    MediaList& list = window.view()->list();
    for (int i = 0; i < 10000; ++i) {
        list.AddEntry("http://media.example/captured/" + std::to_string(i) + ".wmv", "", " ", "");
        if (i % 100 == 99)
            QCoreApplication::processEvents();
    }
    table->scrollToBottom();
    table->viewport()->repaint();
    const double addMs = t.nsecsElapsed() / 1e6;

    std::printf("open 10,000-row .kvx into the shown view, to first paint: %8.1f ms (goal < 200 ms)\n",
                openMs);
    std::printf("add 10,000 rows one by one while shown:                   %8.1f ms (goal < 2000 ms)\n",
                addMs);
    std::printf("idle window with 10,000 rows: resident %ld kB (%ld kB without rows), "
                "peak so far %ld kB (goal < 80 MB)\n",
                idleKb, baseKb, idlePeakKb);
    window.view()->list().New(-1);
    return 0;
}
