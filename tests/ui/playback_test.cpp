// Playing from the window: a real window and settings file, libmpv without
// sound; every dialog is answered by the test.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "desktop_fixture.h"
#include "ui/qt_text.h"
#include "dialog_script.h"
#include "kvx_read.h"
#include "medialist/media_list.h"
#include "player/play_order.h"
#include "ui/playback.h"
#include "player/player_controls.h"
#include "sample_media.h"
#include "qtprofile/ini_profile.h"
#include "test_support.h"
#include "ui/credential_dialog.h"
#include "ui/media_list_model.h"
#include "ui/media_view.h"

using player::PlayState;
using playertest::MpvProperty;

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

}  // namespace

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
    MainWindow& Window() { return W(); }
    player::Playback& Playback() { return *W().playback(); }
    player::Player& Player() { return Playback().player(); }
    MediaList& List() { return L(); }
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
    QElapsedTimer t;
    t.start();
    while (Player().Position() <= from && t.elapsed() < 5000)
        QTest::qWait(20);
    return Player().Position() > from;
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
    QCOMPARE(Player().State(), PlayState::Playing);
    QCOMPARE(Player().Address(), sample);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(row, kColTime), QStringLiteral("0:01:40"), 15000);
    QCOMPARE(Cell(row, kColPlay), QStringLiteral("Ready"));
    QCOMPARE(Playback().PlayingRow(), row);
    QCOMPARE(W().view()->playingRow(), row);
    // The title says what plays; after Stop neither it nor the row does.
    QCOMPARE(Window().windowTitle(), QStringLiteral("First - Brimcast"));
    QTest::mouseClick(Playback().controls()->findChild<QToolButton*>(QStringLiteral("stopButton")),
                      Qt::LeftButton);
    QCOMPARE(Player().State(), PlayState::Stopped);
    QCOMPARE(Cell(row, kColPlay), QString());
    QCOMPARE(Cell(row, kColTime), QStringLiteral("0:01:40"));
    QCOMPARE(Window().windowTitle(), QStringLiteral("Brimcast"));
}

void PlaybackTest::endOfMediaGoesOnToTheNextRow()
{
    const QString sample = playertest::Sample(2);
    const int a = Add(Copy(sample, QStringLiteral("a.asf")));
    Add(QStringLiteral("mms://127.0.0.1:9/web.asf"), QStringLiteral("Web page (G)"));  // never played next
    const int c = Add(Copy(sample, QStringLiteral("c.asf")));
    AppSettings& s = Window().settings();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");

    // In order: a, then c (the marker row is left out).
    s.m_sequence = 1;
    s.m_repeat = 0;
    Playback().PlayRow(a);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Address(), Path("c.asf"), 20000);
    QCOMPARE(W().view()->SelectedRow(), c);
    QCOMPARE(Cell(a, kColPlay), QString());
    // The last row, without repeat: playing ends there.
    QTRY_COMPARE_WITH_TIMEOUT(Player().State(), PlayState::Stopped, 20000);
    QTest::qWait(300);
    QCOMPARE(Player().Address(), Path("c.asf"));
    QCOMPARE(Player().State(), PlayState::Stopped);

    // With repeat, after the last comes the first.
    s.m_repeat = 1;
    QSignalSpy opened(&Player(), &player::Player::stateCode);
    Playback().PlayRow(c);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Address(), Path("a.asf"), 20000);
    Player().Stop();

    // Shuffled with repeat: it goes on between the two playable rows.
    s.m_sequence = 0;
    Playback().PlayRow(a);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Address(), Path("c.asf"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Address(), Path("a.asf"), 20000);
    Player().Stop();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QVERIFY(catcher.urls.isEmpty());
}

void PlaybackTest::controlsFollowAndDriveThePlayer()
{
    player::PlayerControls* c = Playback().controls();
    QCOMPARE(c->volumeSlider()->value(), 2500);  // "settings"/"Volume"
    QCOMPARE(Player().Volume(), 2500);
    QVERIFY(c->playButton()->isEnabled() && !c->pauseButton()->isEnabled() && !c->stopButton()->isEnabled());

    const int row = Add(Copy(playertest::Sample(100), QStringLiteral("c.asf")));
    W().view()->SelectRow(row);
    c->playButton()->click();  // plays the selected row
    QCOMPARE(Player().State(), PlayState::Playing);
    QVERIFY(!c->playButton()->isEnabled() && c->pauseButton()->isEnabled() && c->stopButton()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(c->seekBar()->maximum(), 100, 15000);

    c->pauseButton()->click();
    QCOMPARE(Player().State(), PlayState::Paused);
    QVERIFY(c->playButton()->isEnabled() && c->stopButton()->isEnabled() && !c->pauseButton()->isEnabled());
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
    QVERIFY(c->playButton()->isEnabled() && !c->stopButton()->isEnabled());
    QCOMPARE(c->timeLabel()->text(), QStringLiteral("0:00:00"));

    // The volume is kept at exit.
    Window().Shutdown(false);
    QCOMPARE(P().GetInt("settings", "Volume", -1), 4000);
}

void PlaybackTest::fullScreenByKeyAndDoubleClickPlaysOn()
{
    const int row = Add(Copy(playertest::Sample(100), QStringLiteral("full.asf")));
    Playback().PlayRow(row);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 100, 15000);
    QVERIFY(QTest::qWaitForWindowActive(&W()));
    QWidget* video = Playback().pane()->videoArea();

    // Alt+Return in and out again, then a double click on the video in and out.
    QTest::keyClick(&W(), Qt::Key_Return, Qt::AltModifier);
    QVERIFY(Player().IsFullScreen());
    QVERIFY(video->window() != &W() && video->window()->isFullScreen());
    QVERIFY(QTest::qWaitForWindowActive(video->window()));
    QVERIFY(PlaysOn());
    QTest::keyClick(video->window(), Qt::Key_Return, Qt::AltModifier);
    QVERIFY(!Player().IsFullScreen());
    QCOMPARE(video->window(), &W());
    QVERIFY(PlaysOn());
    QTest::mouseDClick(video, Qt::LeftButton);
    QVERIFY(Player().IsFullScreen());
    QVERIFY(PlaysOn());
    QTest::mouseDClick(video, Qt::LeftButton);
    QVERIFY(!Player().IsFullScreen());
    QVERIFY(PlaysOn());
    // Escape, and a close by the window system, bring it back as well.
    QTest::mouseDClick(video, Qt::LeftButton);
    QVERIFY(Player().IsFullScreen() && !Playback().pane()->isEnabled());  // no input reaches it meanwhile
    QTest::keyClick(video->window(), Qt::Key_Escape);
    QVERIFY(!Player().IsFullScreen());
    QCOMPARE(video->window(), &W());
    Player().SetFullScreen(true);
    video->window()->close();
    QVERIFY(!Player().IsFullScreen());
    QCOMPARE(video->window(), &W());
    QVERIFY(Playback().pane()->isEnabled());
    QVERIFY(PlaysOn());
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
    script.Then<CredentialDialog>([](CredentialDialog* d) {
        d->userEdit()->setText(QStringLiteral("user"));
        d->passwordEdit()->setText(QStringLiteral("secret"));
        d->saveBox()->setChecked(true);
        d->accept();
    });
    Playback().PlayRow(row);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(row, kColTime), QStringLiteral("0:00:20"), 20000);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    const std::string section = "NetPassword\\127.0.0.1:" + std::to_string(server.port());
    QCOMPARE(P().GetString(section, "Password", ""), std::string("secret"));

    // The next time the stored login is used without a question.
    Player().Stop();
    List().SetCell(row, kColTime, "");
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
    QVERIFY(member.Start("mmsh_server.py",
                         {"--file", sample, "--auth", "user:secret", "--log", memberLog, "--lifetime", "90"}));
    QVERIFY(other.Start("mmsh_server.py", {"--file", sample, "--log", otherLog, "--lifetime", "90"}));
    WriteText(Path("member.kvx"), KvxWithLogin("user", "secret", "Member",
                                               "http://127.0.0.1:" + std::to_string(member.port()) + "/live.asf"));
    QCOMPARE(List().ReadKvxFile(S(Path("member.kvx"))), 0);

    const QString elsewhere = QStringLiteral("http://127.0.0.1:%1/other.asf").arg(other.port());
    Window().OpenLaunch(LaunchMode::Play, {elsewhere});
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 20, 20000);
    const std::string asked = testsupport::ReadFile(otherLog);
    QVERIFY(asked.find("GET /other.asf") != std::string::npos);
    QVERIFY2(asked.find("Authorization") == std::string::npos, asked.c_str());

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
    List().SetItemData(row, 7);
    List().SetCell(row, kColRecordingFile, S(recording));
    List().SetCell(row, kColTime, "0:02:00");
    Playback().PlayRow(row);
    QCOMPARE(Player().Address(), recording);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 20, 15000);
    QCOMPARE(Playback().PlayingRow(), row);
    QCOMPARE(Cell(row, kColTime), QStringLiteral("0:02:00"));

}

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"
