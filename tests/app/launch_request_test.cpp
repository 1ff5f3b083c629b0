#include <QProcess>
#include <QTest>

#include "app/launch_request.h"

class LaunchRequestTest : public QObject {
    Q_OBJECT
private slots:
    void modeAndArguments_data();
    void modeAndArguments();
    void splitAtAmpersands_data();
    void splitAtAmpersands();
    void optionsAndExistingPaths();
    void helpAndVersionNeedNoDisplay();
};

void LaunchRequestTest::modeAndArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("arguments");
    const int open = 0, play = 1, rec = 2;
    QTest::newRow("nothing") << QStringList{} << play << QStringList{};
    QTest::newRow("/Open") << QStringList{"/Open", "mms://h/a.asf"} << open << QStringList{"mms://h/a.asf"};
    QTest::newRow("/Record") << QStringList{"/Record", "mms://h/a"} << rec << QStringList{"mms://h/a"};
    QTest::newRow("/Recxyz") << QStringList{"/Recxyz", "a"} << rec << QStringList{"a"};
    QTest::newRow("lower case is no mode") << QStringList{"/open", "a"} << play << QStringList{"a"};
    QTest::newRow("switch only first") << QStringList{"a", "/Record"} << play << QStringList{"a"};
    QTest::newRow("a path is no switch")
        << QStringList{"/Recordings/news.asf"} << play << QStringList{"/Recordings/news.asf"};
    QTest::newRow("several files")
        << QStringList{"a.asf", "mms://h/b", "c.kvx"} << play << QStringList{"a.asf", "mms://h/b", "c.kvx"};
    QTest::newRow("after --") << QStringList{"--", "--odd", "/Open"} << play << QStringList{"--odd", "/Open"};
    QTest::newRow("ampersands stay together")
        << QStringList{"/Play", "mms://h/a&&T&&1"} << play << QStringList{"mms://h/a&&T&&1"};
}

void LaunchRequestTest::modeAndArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, mode);
    QFETCH(QStringList, arguments);
    const LaunchRequest r = ParseCommandLine(args);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(static_cast<int>(r.mode), mode);
    QCOMPARE(r.arguments, arguments);
}

void LaunchRequestTest::splitAtAmpersands_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("sizeSwitch");
    QTest::newRow("path and title") << "mms://h/a.asf&&Evening News" << "mms://h/a.asf" << "Evening News" << "0";
    QTest::newRow("empty title and switch") << "/v/a.asf&&&&1" << "/v/a.asf" << "" << "1";
    QTest::newRow("third separator stays in the switch") << "a&&b&&c&&d" << "a" << "b" << "c&&d";
    QTest::newRow("single ampersand is text") << "http://h/x?a=1&b=2" << "http://h/x?a=1&b=2" << "" << "0";
}

void LaunchRequestTest::splitAtAmpersands()
{
    QFETCH(QString, argument);
    const LaunchEntry e = SplitLaunchArgument(argument);
    QTEST(e.path, "path");
    QTEST(e.title, "title");
    QTEST(e.sizeSwitch, "sizeSwitch");
}

void LaunchRequestTest::optionsAndExistingPaths()
{
    QCOMPARE(ParseCommandLine({"--help"}).showHelp, true);
    QCOMPARE(ParseCommandLine({"--version"}).showVersion, true);
    QVERIFY(!ParseCommandLine({"--bogus"}).error.isEmpty());
    const LaunchRequest shot = ParseCommandLine({"--screenshot", "/tmp/s.png", "a"});
    QCOMPARE(shot.screenshotPath, QStringLiteral("/tmp/s.png"));
    QCOMPARE(shot.arguments, QStringList{"a"});
    QCOMPARE(ParseCommandLine({"/Record", "u", "--screenshot-delay", "8"}).screenshotDelayMs, 8000);
    for (const char* bad : {"0", "601"})
        QVERIFY(!ParseCommandLine({"--screenshot-delay", bad}).error.isEmpty());

    // A single-word path that exists is a file, even when it looks like a
    // switch.
    QCOMPARE(ParseCommandLine({"/tmp"}).arguments, QStringList{"/tmp"});
}

void LaunchRequestTest::helpAndVersionNeedNoDisplay()
{
    // On a console or over ssh: no display, no platform chosen.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    const struct {
        const char* option;
        const char* expected;
    } cases[] = {{"--help", "Usage: brimcast"}, {"--version", "brimcast 0.1.0\n"}};
    for (const auto& c : cases) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(BRIMCAST_BINARY_DIR "/src/app/brimcast"),
                      {QString::fromLatin1(c.option)});
        QVERIFY(program.waitForFinished(30000));
        const QByteArray out = program.readAllStandardOutput();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 program.readAllStandardError().constData());
        QVERIFY2(out.startsWith(c.expected), out.constData());
    }
}

QTEST_GUILESS_MAIN(LaunchRequestTest)
#include "launch_request_test.moc"
