#include <QProcess>
#include <QTest>

#include "app/launch_request.h"

class LaunchRequestTest : public QObject {
    Q_OBJECT
private slots:
    void modeAndArguments()
    {
        const int open = 0, play = 1, rec = 2;
        const struct {
            QStringList args;
            int mode;
            QStringList arguments;
        } cases[] = {
            {{}, play, {}},
            {{"/Open", "mms://h/a.asf"}, open, {"mms://h/a.asf"}},
            {{"/Record", "mms://h/a"}, rec, {"mms://h/a"}},
            {{"/Recxyz", "a"}, rec, {"a"}},
            {{"/open", "a"}, play, {"a"}},  // lower case is no mode
            {{"a", "/Record"}, play, {"a"}},  // a switch only first
            {{"/Recordings/news.asf"}, play, {"/Recordings/news.asf"}},  // a path is no switch
            {{"/tmp"}, play, {"/tmp"}},  // an existing one-word path neither
            {{"--", "--odd", "/Open"}, play, {"--odd", "/Open"}},
            {{"/Play", "mms://h/a&&T&&1"}, play, {"mms://h/a&&T&&1"}},
        };
        for (const auto& c : cases) {
            const LaunchRequest r = ParseCommandLine(c.args);
            QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
            QCOMPARE(static_cast<int>(r.mode), c.mode);
            QCOMPARE(r.arguments, c.arguments);
        }
        const LaunchRequest shot = ParseCommandLine({"--screenshot", "/tmp/s.png", "a", "--screenshot-delay", "8"});
        QCOMPARE(shot.screenshotPath, QStringLiteral("/tmp/s.png"));
        QCOMPARE(shot.screenshotDelayMs, 8000);
        QCOMPARE(shot.arguments, QStringList{"a"});
        const QStringList bad[] = {{"--bogus"}, {"--screenshot-delay", "0"}, {"--screenshot-delay", "601"}};
        for (const QStringList& args : bad)
            QVERIFY(!ParseCommandLine(args).error.isEmpty());
    }

    void splitAtAmpersands()
    {
        const QStringList cases[] = {
            {"mms://h/a.asf&&Evening News", "mms://h/a.asf", "Evening News", "0"},
            {"/v/a.asf&&&&1", "/v/a.asf", "", "1"},
            {"a&&b&&c&&d", "a", "b", "c&&d"},  // a third separator stays in the switch
            {"http://h/x?a=1&b=2", "http://h/x?a=1&b=2", "", "0"},
        };
        for (const QStringList& c : cases) {
            const LaunchEntry e = SplitLaunchArgument(c[0]);
            QCOMPARE(QStringList({e.path, e.title, e.sizeSwitch}), c.mid(1));
        }
    }

    void helpAndVersionNeedNoDisplay()
    {
        // On a console or over ssh: no display, no platform chosen.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        const std::pair<const char*, const char*> cases[] = {{"--help", "Usage: brimcast"},
                                                             {"--version", "brimcast 0.1.0\n"}};
        for (const auto& [option, expected] : cases) {
            QProcess program;
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(BRIMCAST_BINARY_DIR "/src/app/brimcast"), {QString::fromLatin1(option)});
            QVERIFY(program.waitForFinished(30000));
            const QByteArray out = program.readAllStandardOutput();
            QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                     program.readAllStandardError().constData());
            QVERIFY2(out.startsWith(expected), out.constData());
        }
    }
};

QTEST_GUILESS_MAIN(LaunchRequestTest)
#include "launch_request_test.moc"
