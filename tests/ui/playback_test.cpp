// Playing from the window: a real window and settings file, libmpv without
// sound; every dialog is answered by the test.

#include <QtTest>
#include <QtWidgets>

#include "desktop_fixture.h"
#include "dialog_script.h"
#include "kvx_read.h"
#include "player/play_order.h"
#include "player/player_controls.h"
#include "sample_media.h"
#include "test_support.h"
#include "ui/playback.h"
#include "ui/qt_text.h"

using player::PlayState;

class PlaybackTest : public QObject, public DesktopFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QuietOffscreenWarnings();
    }
    void init();
    void cleanup() { Stop(); }

    void playOrderFollowsRepeatAndSequence();
    void doubleClickPlaysAndTheListShowsTheStates();
    void endOfMediaGoesOnToTheNextRow();
    void controlsFollowAndDriveThePlayer();
    void fullScreenByKeyAndDoubleClickPlaysOn();
    void refusedLoginAsksOnceAndStoresTheAnswer();
    void memberLoginGoesOnlyToTheListsServer();
    void rowBeingRecordedPlaysItsFileAndKeepsItsLength();

private:
    player::Playback& Playback() { return *W().playback(); }
    player::Player& Player() { return Playback().player(); }
    QString Cell(int row, int column) { return QString::fromStdString(L().Cell(row, column)); }
    // A copy of a sample under a name of its own (a row's identity is its path).
    QString Copy(const QString& sample, const QString& name)
    {
        QFile::copy(sample, Path(name));
        return Path(name);
    }
    // The player's position moves on.
    bool PlaysOn();
};

void PlaybackTest::init()
{
    player::PlayerOptions silent;
    silent.audio = false;
    beforeShow = [this, silent](MainWindow& w) {
        P().WriteInt("settings", "Volume", 2500);
        w.AttachPlayback(new player::Playback(*w.view(), w.settings(), P(), silent));
    };
    Start();
}

bool PlaybackTest::PlaysOn()
{
    const int from = Player().Position();
    return QTest::qWaitFor([&] { return Player().Position() > from; }, 5000);
}

void PlaybackTest::playOrderFollowsRepeatAndSequence()
{
    player::PlayOrder order(7);
    const std::vector<int64_t> rows = {10, 11, 12};
    QCOMPARE(order.Next(rows, 10, false, true), 11);
    QCOMPARE(order.Next(rows, 12, false, true), -1);  // the last, without repeat
    QCOMPARE(order.Next(rows, 12, true, true), 10);
    QCOMPARE(order.Next({}, 10, true, true), -1);
    // Shuffled: every row once per round, then a new round only with repeat.
    order.Started(11);
    std::set<int64_t> round = {11};
    int64_t at = 11;
    for (int i = 0; i < 2; ++i) {
        at = order.Next(rows, at, false, false);
        QVERIFY(at >= 10 && at <= 12);
        QVERIFY2(round.insert(at).second, "a row came twice in one round");
    }
    QCOMPARE(order.Next(rows, at, false, false), -1);
    const int64_t again = order.Next(rows, at, true, false);
    QVERIFY(again != at && again >= 10 && again <= 12);
    QCOMPARE(order.Next({5}, 5, true, false), 5);  // one row, repeated
}

void PlaybackTest::doubleClickPlaysAndTheListShowsTheStates()
{
    const QString sample = Copy(playertest::Sample(100), QStringLiteral("first.asf"));
    Add(Path("other.asf"));
    const int row = Add(sample, QStringLiteral("First"));
    QTableView* table = W().view()->table();
    const QRect rect = table->visualRect(W().view()->ViewIndex(row, kColFile));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(Player().State() == PlayState::Playing && Player().Address() == sample);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(row, kColTime), QStringLiteral("0:01:40"), 15000);
    QVERIFY(Playback().PlayingRow() == row && W().view()->playingRow() == row);
    // The row and the title say what plays; after Stop neither does.
    const auto shown = [&] { return Cell(row, kColPlay) + '|' + Cell(row, kColTime) + '|' + W().windowTitle(); };
    QCOMPARE(shown(), QStringLiteral("Ready|0:01:40|First - Brimcast"));
    QTest::mouseClick(Playback().controls()->findChild<QToolButton*>(QStringLiteral("stopButton")), Qt::LeftButton);
    QCOMPARE(Player().State(), PlayState::Stopped);
    QCOMPARE(shown(), QStringLiteral("|0:01:40|Brimcast"));
}

void PlaybackTest::endOfMediaGoesOnToTheNextRow()
{
    const QString sample = playertest::Sample(2);
    const int a = Add(Copy(sample, QStringLiteral("a.asf")));
    Add(QStringLiteral("mms://127.0.0.1:9/web.asf"), QStringLiteral("Web page (G)"));  // never played next
    const int c = Add(Copy(sample, QStringLiteral("c.asf")));
    AppSettings& s = W().settings();
    // In order: a, then c; without repeat playing ends there.
    s.m_sequence = 1;
    s.m_repeat = 0;
    Playback().PlayRow(a);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Address(), Path("c.asf"), 20000);
    QCOMPARE(W().view()->SelectedRow(), c);
    QCOMPARE(Cell(a, kColPlay), QString());
    QTRY_COMPARE_WITH_TIMEOUT(Player().State(), PlayState::Stopped, 20000);
    QTest::qWait(300);
    QCOMPARE(Player().Address() + ' ' + QString::number(int(Player().State())),
             Path("c.asf") + ' ' + QString::number(int(PlayState::Stopped)));
    // With repeat, after the last comes the first.
    s.m_repeat = 1;
    Playback().PlayRow(c);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Address(), Path("a.asf"), 20000);
    Player().Stop();
}

void PlaybackTest::controlsFollowAndDriveThePlayer()
{
    player::PlayerControls* c = Playback().controls();
    QCOMPARE(c->volumeSlider()->value(), 2500);  // "settings"/"Volume"
    QCOMPARE(Player().Volume(), 2500);
    const auto buttons = [c] {
        return QString::number(c->playButton()->isEnabled()) + QString::number(c->pauseButton()->isEnabled()) +
               QString::number(c->stopButton()->isEnabled());
    };
    QCOMPARE(buttons(), QStringLiteral("100"));
    W().view()->SelectRow(Add(Copy(playertest::Sample(100), QStringLiteral("c.asf"))));
    c->playButton()->click();  // plays the selected row
    QCOMPARE(Player().State(), PlayState::Playing);
    QCOMPARE(buttons(), QStringLiteral("011"));
    QTRY_COMPARE_WITH_TIMEOUT(c->seekBar()->maximum(), 100, 15000);
    c->pauseButton()->click();
    QCOMPARE(Player().State(), PlayState::Paused);
    QCOMPARE(buttons(), QStringLiteral("101"));
    c->seekBar()->setValue(60);  // as the user lets go of the bar
    QTRY_COMPARE_WITH_TIMEOUT(Player().Position(), 60, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(c->timeLabel()->text(), QStringLiteral("0:01:00"), 5000);
    c->playButton()->click();  // paused: resumes where it was
    QCOMPARE(Player().State(), PlayState::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(Player().Position() >= 61, 5000);
    c->volumeSlider()->setValue(4000);
    QCOMPARE(Player().Volume(), 4000);
    c->stopButton()->click();
    QCOMPARE(Player().State(), PlayState::Stopped);
    QCOMPARE(buttons() + ' ' + c->timeLabel()->text(), QStringLiteral("100 0:00:00"));
    // The volume is kept at exit.
    W().Shutdown(false);
    QCOMPARE(P().GetInt("settings", "Volume", -1), 4000);
}

void PlaybackTest::fullScreenByKeyAndDoubleClickPlaysOn()
{
    const int row = Add(Copy(playertest::Sample(100), QStringLiteral("full.asf")));
    Playback().PlayRow(row);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 100, 15000);
    QVERIFY(QTest::qWaitForWindowActive(&W()));
    QWidget* video = Playback().pane()->videoArea();
    const auto inWindow = [&] { return !Player().IsFullScreen() && video->window() == &W() && PlaysOn(); };

    // Alt+Return in and out again; a double click on the video in, Escape
    // or a close by the window system out. It plays on throughout.
    QTest::keyClick(&W(), Qt::Key_Return, Qt::AltModifier);
    QVERIFY(Player().IsFullScreen() && video->window() != &W() && video->window()->isFullScreen());
    QVERIFY(QTest::qWaitForWindowActive(video->window()));
    QVERIFY(PlaysOn());
    QTest::keyClick(video->window(), Qt::Key_Return, Qt::AltModifier);
    QVERIFY(inWindow());
    QTest::mouseDClick(video, Qt::LeftButton);
    QVERIFY(Player().IsFullScreen() && !Playback().pane()->isEnabled());  // no input reaches it meanwhile
    QVERIFY(PlaysOn());
    QTest::keyClick(video->window(), Qt::Key_Escape);
    QVERIFY(inWindow());
    Player().SetFullScreen(true);
    video->window()->close();
    QVERIFY(inWindow() && Playback().pane()->isEnabled());
    QCOMPARE(Player().State(), PlayState::Playing);
    QCOMPARE(Cell(row, kColPlay), QStringLiteral("Ready"));

    // The window may close while full screen (a logout, a signal).
    QTest::keyClick(&W(), Qt::Key_Return, Qt::AltModifier);
    QVERIFY(Player().IsFullScreen());
    CloseWindow();
}

void PlaybackTest::refusedLoginAsksOnceAndStoresTheAnswer()
{
    testsupport::FakeServer server;
    QVERIFY(server.Start("mmsh_server.py", {"--file", playertest::Sample(20).toStdString(), "--auth",
                                            "user:secret", "--lifetime", "60"}));
    const QString address = QStringLiteral("http://127.0.0.1:%1/live.asf").arg(server.port());
    const int row = Add(address, QStringLiteral("Live"));

    DialogScript script;
    script.Then<CredentialDialog>(EnterLogin("user", "secret"));
    Playback().PlayRow(row);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(row, kColTime), QStringLiteral("0:00:20"), 20000);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    const std::string section = "NetPassword\\127.0.0.1:" + std::to_string(server.port());
    QCOMPARE(P().GetString(section, "Password", ""), std::string("secret"));

    // The next time the stored login is used without a question.
    Player().Stop();
    L().SetCell(row, kColTime, "");
    Playback().PlayRow(row);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(row, kColTime), QStringLiteral("0:00:20"), 20000);
    QCOMPARE(script.answered(), 1);
}

void PlaybackTest::memberLoginGoesOnlyToTheListsServer()
{
    // A list file whose header holds the login of its server, and a
    // launch that plays an address of another server.
    const std::string memberLog = S(Path("member.log")), otherLog = S(Path("other.log"));
    testsupport::FakeServer member, other;
    const std::string sample = playertest::Sample(20).toStdString();
    QVERIFY(member.Start("mmsh_server.py", {"--file", sample, "--auth", "user:secret", "--log", memberLog, "--lifetime", "90"}));
    QVERIFY(other.Start("mmsh_server.py", {"--file", sample, "--log", otherLog, "--lifetime", "90"}));
    WriteText(Path("member.kvx"), KvxWithLogin("user", "secret", "Member",
                                               "http://127.0.0.1:" + std::to_string(member.port()) + "/live.asf"));
    QCOMPARE(L().ReadKvxFile(S(Path("member.kvx"))), 0);

    const QString elsewhere = QStringLiteral("http://127.0.0.1:%1/other.asf").arg(other.port());
    W().OpenLaunch(LaunchMode::Play, {elsewhere});
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 20, 20000);
    const std::string asked = testsupport::ReadFile(otherLog);
    QVERIFY2(asked.find("GET /other.asf") != std::string::npos && asked.find("Authorization") == std::string::npos,
             asked.c_str());

    // The list's own server gets the login unasked.
    Player().Stop();
    DialogScript script;
    script.Then<CredentialDialog>([](CredentialDialog* d) { d->reject(); });
    Playback().PlayRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(0, kColTime), QStringLiteral("0:00:20"), 20000);
    QCOMPARE(script.answered(), 0);
}

void PlaybackTest::rowBeingRecordedPlaysItsFileAndKeepsItsLength()
{
    // The Time cell holds the stream's length, not that of the file so far.
    const QString recording = Copy(playertest::Sample(20), QStringLiteral("recording.asf"));
    const int row = Add(QStringLiteral("mms://127.0.0.1:9/live"), QStringLiteral("Live"));
    L().SetItemData(row, 7);
    L().SetCell(row, kColRecordingFile, S(recording));
    L().SetCell(row, kColTime, "0:02:00");
    Playback().PlayRow(row);
    QVERIFY(Player().Address() == recording && Playback().PlayingRow() == row);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 20, 15000);
    QCOMPARE(Cell(row, kColTime), QStringLiteral("0:02:00"));
}

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"
