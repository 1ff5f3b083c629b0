// Playing from the window: rows played by double click, launch and menu,
// what the list shows of the player, the next row by "Repeat" and
// "Sequence", marker titles, the controls, the Play menu and its check
// marks, the Player preferences page, a refused login, a row being recorded,
// and Image Capture. A real window, a real settings file, libmpv without
// sound; every dialog is answered by the test.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "desktop_fixture.h"
#include "ui/qt_text.h"
#include "dialog_script.h"
#include "kvx_read.h"
#include "medialist/media_list.h"
#include "player/play_order.h"
#include "ui/player_page.h"
#include "ui/playback.h"
#include "player/player_controls.h"
#include "sample_media.h"
#include "qtprofile/ini_profile.h"
#include "test_support.h"
#include "ui/credential_dialog.h"
#include "ui/media_list_model.h"
#include "ui/media_view.h"
#include "ui/preferences_dialog.h"

using player::PlayState;
using playertest::MpvProperty;

namespace {

// A font family this machine has, other than the one the window starts with:
// a family it lacks would make the font dialog and combo box fall back.
QString InstalledFamily(int which)
{
    const QString initial = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (family != initial && !QFontDatabase::isPrivateFamily(family)) families.append(family);
    return which < families.size() ? families[which] : QString();
}

// The family's upright face of normal weight, named by its style: the font
// dialog finds a face by its style name, and families name that face
// "Regular", "Book" or "Normal".
QFont PlainFace(const QString& family, int size)
{
    for (const QString& style : QFontDatabase::styles(family)) {
        if (!QFontDatabase::bold(family, style) && !QFontDatabase::italic(family, style)) {
            QFont f = QFontDatabase::font(family, style, size);
            f.setStyleName(style);
            return f;
        }
    }
    return QFont(family, size);
}

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
    void failedMediumMarksEveryRowOfItsAddress();
    void markerTitlesOpenTheBrowserInstead();
    void controlsFollowAndDriveThePlayer();
    void menuCommandsAndCheckMarks();
    void fullScreenByKeyAndDoubleClickPlaysOn();
    void withoutSoundDeviceRepeatGoesOn();
    void playerPageWritesTheSettings();
    void launchWithPlayPlays();
    void refusedLoginAsksOnceAndStoresTheAnswer();
    void memberLoginGoesOnlyToTheListsServer();
    void rowBeingRecordedPlaysItsFileAndKeepsItsLength();
    void imageCaptureSavesIntoTheBaseFolder();

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
    // The window made again (it saves first) with a player of these options.
    void OpenWindow(const player::PlayerOptions& options)
    {
        beforeShow = [this, options](MainWindow& w) {
            w.AttachPlayback(new player::Playback(*w.view(), w.settings(), P(), options));
        };
        Reopen();
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

    QCOMPARE(player::ActionFor(QStringLiteral("News (G)"), true), player::RowAction::WebSearch);
    QCOMPARE(player::ActionFor(QStringLiteral("[E] page"), true), player::RowAction::OpenElsewhere);
    QCOMPARE(player::ActionFor(QStringLiteral("News (G)"), false), player::RowAction::Play);
    QCOMPARE(player::WebSearchUrl(QStringLiteral("mms://h/a b.asf?x=1&y=2")).toString(QUrl::FullyEncoded),
             QStringLiteral("https://www.google.com/search?q=mms%3A%2F%2Fh%2Fa%20b.asf%3Fx%3D1%26y%3D2"
                            "&ie=UTF-8&oe=UTF-8&hl=ko&lr="));
}

void PlaybackTest::doubleClickPlaysAndTheListShowsTheStates()
{
    const QString sample = Copy(playertest::Sample(100), QStringLiteral("first.asf"));
    Add(Path("other.asf"));
    const int row = Add(sample, QStringLiteral("First"));
    // What the list shows in the Play and Time cells, in order.
    QStringList shown;
    connect(W().view()->model(), &QAbstractItemModel::dataChanged, this,
            [&](const QModelIndex& from, const QModelIndex& to) {
                for (int c = from.column(); c <= to.column(); ++c) {
                    if (from.row() <= row && row <= to.row() && (c == kColPlay || c == kColTime))
                        shown << QStringLiteral("%1=%2").arg(c).arg(Cell(row, c));
                }
            });
    QTableView* table = W().view()->table();
    const QRect rect = table->visualRect(W().view()->ViewIndex(row, kColFile));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(Player().State(), PlayState::Playing);
    QCOMPARE(Player().Address(), sample);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(row, kColTime), QStringLiteral("0:01:40"), 15000);
    QCOMPARE(Cell(row, kColPlay), QStringLiteral("Ready"));
    QCOMPARE(shown.first(), QStringLiteral("3=Ready"));
    QVERIFY(shown.contains(QStringLiteral("2=0:01:40")));
    QCOMPARE(Playback().PlayingRow(), row);
    QCOMPARE(W().view()->playingRow(), row);
    QCOMPARE(Playback().controls()->seekBar()->maximum(), 100);
    // The refresh timer moves the time display.
    QTRY_VERIFY_WITH_TIMEOUT(Playback().controls()->timeLabel()->text() != QStringLiteral("0:00:00"), 5000);
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

void PlaybackTest::failedMediumMarksEveryRowOfItsAddress()
{
    const QString missing = Path("missing.wmv");
    const int first = Add(missing);
    const int other = Add(Path("other.wmv"));
    const int second = Add(Path("copy.wmv"));
    List().SetCell(second, kColOriginalFile, S(missing));  // "Modify URL" made a second row of it
    Playback().PlayRow(first);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(first, kColPlay), QStringLiteral("error"), 15000);
    QCOMPARE(Cell(second, kColPlay), QStringLiteral("error"));
    QCOMPARE(Cell(other, kColPlay), QString());
    QCOMPARE(Player().State(), PlayState::Stopped);
    QVERIFY2(Window().statusBar()->currentMessage().startsWith(QStringLiteral("missing cannot be played: ")),
             qPrintable(Window().statusBar()->currentMessage()));
    QVERIFY(Playback().controls()->playButton()->isEnabled());
    QVERIFY(!Playback().controls()->stopButton()->isEnabled());
}

void PlaybackTest::markerTitlesOpenTheBrowserInstead()
{
    UrlCatcher web;
    UrlCatcher elsewhere;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &web, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mms"), &elsewhere, "open");
    const int playing = Add(Copy(playertest::Sample(20), QStringLiteral("p.asf")));
    const int search = Add(QStringLiteral("mms://127.0.0.1:9/a.asf"), QStringLiteral("Morning news [G]"));
    const int open = Add(QStringLiteral("mms://127.0.0.1:9/b.asf"), QStringLiteral("(E) Page"));
    const int local = Add(Path("local (G).wmv"), QStringLiteral("Local (G)"));
    Playback().PlayRow(playing);
    QTRY_VERIFY_WITH_TIMEOUT(Player().Duration() == 20, 15000);

    Playback().PlayRow(search);
    Playback().PlayRow(open);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mms"));
    QCOMPARE(web.urls, QList<QUrl>{player::WebSearchUrl(QStringLiteral("mms://127.0.0.1:9/a.asf"))});
    QCOMPARE(elsewhere.urls, QList<QUrl>{QUrl(QStringLiteral("mms://127.0.0.1:9/b.asf"))});
    // Nothing was played; what played goes on.
    QCOMPARE(Player().Address(), Path("p.asf"));
    QCOMPARE(Player().State(), PlayState::Playing);
    QCOMPARE(Playback().PlayingRow(), playing);
    // A local file is played whatever its title says.
    Playback().PlayRow(local);
    QCOMPARE(Player().Address(), Path("local (G).wmv"));
}

void PlaybackTest::controlsFollowAndDriveThePlayer()
{
    player::PlayerControls* c = Playback().controls();
    QCOMPARE(c->volumeSlider()->value(), 2500);  // "settings"/"Volume"
    QCOMPARE(Player().Volume(), 2500);
    QVERIFY(c->playButton()->isEnabled());
    QVERIFY(!c->pauseButton()->isEnabled());
    QVERIFY(!c->stopButton()->isEnabled());

    const int row = Add(Copy(playertest::Sample(100), QStringLiteral("c.asf")));
    W().view()->SelectRow(row);
    c->playButton()->click();  // plays the selected row
    QCOMPARE(Player().State(), PlayState::Playing);
    QVERIFY(!c->playButton()->isEnabled());
    QVERIFY(c->pauseButton()->isEnabled());
    QVERIFY(c->stopButton()->isEnabled());
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
    Playback().actions().volumeUp->trigger();
    QCOMPARE(c->volumeSlider()->value(), 4100);

    c->stopButton()->click();
    QCOMPARE(Player().State(), PlayState::Stopped);
    QVERIFY(c->playButton()->isEnabled() && !c->stopButton()->isEnabled());
    QCOMPARE(c->timeLabel()->text(), QStringLiteral("0:00:00"));

    // The volume is kept at exit.
    Window().Shutdown(false);
    QCOMPARE(P().GetInt("settings", "Volume", -1), 4100);
}

void PlaybackTest::menuCommandsAndCheckMarks()
{
    // The Play menu stands before Tools, and Image Capture is in Tools.
    QStringList menus;
    QMenu* tools = nullptr;
    for (QAction* a : Window().menuBar()->actions()) {
        menus << a->text();
        if (a->text() == QStringLiteral("&Tools"))
            tools = a->menu();
    }
    QVERIFY(menus.indexOf(QStringLiteral("&Play")) + 1 == menus.indexOf(QStringLiteral("&Tools")));
    QVERIFY(tools && tools->actions().contains(Playback().actions().imageCapture));
    // (That no two commands share a key is the window test's part.)

    const player::Playback::Actions& a = Playback().actions();
    AppSettings& s = Window().settings();
    const int row = Add(Copy(playertest::Sample(100), QStringLiteral("m.asf")));
    Playback().PlayRow(row);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 100, 15000);

    a.mute->trigger();
    QVERIFY(Player().IsMuted());
    emit Playback().menu()->aboutToShow();
    QVERIFY(a.mute->isChecked());
    a.mute->trigger();
    QVERIFY(!Player().IsMuted() && !a.mute->isChecked());

    a.fullScreen->trigger();
    QVERIFY(Player().IsFullScreen() && a.fullScreen->isChecked());
    QVERIFY(!Playback().pane()->isEnabled());
    a.fullScreen->trigger();
    QVERIFY(!Player().IsFullScreen() && !a.fullScreen->isChecked());
    QVERIFY(Playback().pane()->isEnabled());

    // Size modes: the setting, the check marks and the pane's size.
    QTRY_COMPARE_WITH_TIMEOUT(Player().VideoSize(), QSize(176, 144), 5000);
    const int width = Window().width();
    a.doubleSize->trigger();
    QCOMPARE(s.m_windowSizeMode, 2);
    QVERIFY(a.doubleSize->isChecked() && !a.normalSize->isChecked());
    QCOMPARE(Playback().pane()->sizeHint(), QSize(352, 288));
    a.halfSize->trigger();
    QCOMPARE(s.m_windowSizeMode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(Playback().pane()->height(), 72, 5000);
    QCOMPARE(Window().width(), width);  // the list keeps its width
    a.normalSize->trigger();
    QVERIFY(a.normalSize->isChecked() && !a.halfSize->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(Playback().pane()->height(), 144, 5000);

    QVERIFY(Player().KeepRatio() && a.keepRatio->isChecked());  // a new settings file
    QCOMPARE(MpvProperty(Player(), "keepaspect"), QStringLiteral("yes"));
    a.keepRatio->trigger();
    QCOMPARE(s.m_keep, 0);
    QVERIFY(!Player().KeepRatio() && !a.keepRatio->isChecked());
    a.keepSize->trigger();
    QCOMPARE(s.m_keepSize, 1);
    QVERIFY(Playback().pane()->KeepSize() && a.keepSize->isChecked());

    a.hideCaption->trigger();
    QCOMPARE(s.m_enableCaption, 0);
    QVERIFY(a.hideCaption->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(Player(), "sub-visibility"), QStringLiteral("no"), 5000);
    a.captionBigger->trigger();
    QCOMPARE(s.m_captionSize, 13);
    a.captionAreaSmaller->trigger();
    QCOMPARE(s.m_captionMargin, 40);
    const QString family = InstalledFamily(0);
    QVERIFY2(!family.isEmpty(), "no second font family: scripts/install-deps.sh installs fonts-dejavu-core");
    DialogScript script;
    script.Then<QFontDialog>([&family](QFontDialog* d) {
        d->setCurrentFont(PlainFace(family, 20));
        d->accept();
    });
    a.captionFont->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(s.m_captionFaceName, S(family));
    QCOMPARE(s.m_captionSize, 20);
    QCOMPARE(s.m_captionBold, 0);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(Player(), "sub-font"), family, 5000);

    // Seeks and rates through the menu.
    a.playPause->trigger();
    QCOMPARE(Player().State(), PlayState::Paused);
    Player().SetPosition(50);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Position(), 50, 5000);
    a.back30->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Player().Position(), 20, 5000);
    a.faster->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Player().Rate(), 2.0, 5000);
    a.normalSpeed->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Player().Rate(), 1.0, 5000);
    a.stop->trigger();
    QCOMPARE(Player().State(), PlayState::Stopped);
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

void PlaybackTest::withoutSoundDeviceRepeatGoesOn()
{
    player::PlayerOptions noDevice;
    noDevice.mpvOptions = {{"ao", "pcm"}, {"ao-pcm-file", Path("missing/sound.wav").toUtf8()}};
    OpenWindow(noDevice);
    const int row = Add(Copy(playertest::Sample(2), QStringLiteral("sound.asf")));
    Window().settings().m_repeat = 1;
    playertest::CodeLog log(Player());
    Playback().PlayRow(row);
    // The one row plays again and again.
    QTRY_VERIFY_WITH_TIMEOUT(log.codes.count(player::kEndOfMedia) >= 2 || log.Has(player::kError), 20000);
    QVERIFY(!log.Has(player::kError));
    QCOMPARE(Cell(row, kColPlay), QStringLiteral("Ready"));
    QCOMPARE(Window().statusBar()->currentMessage(),
             QStringLiteral("No sound device could be opened: playing without sound."));
}

void PlaybackTest::playerPageWritesTheSettings()
{
    // Not the family the page shows in place of a default face the machine lacks.
    const QString family = InstalledFamily(2);
    QVERIFY2(!family.isEmpty(), "no fourth font family: scripts/install-deps.sh installs fonts-dejavu-core");
    DialogScript script;
    script.Then<PreferencesDialog>([&family](PreferencesDialog* d) {
        player::PlayerPage* page = d->findChild<player::PlayerPage*>();
        QVERIFY(page);
        QCOMPARE(d->tabs()->tabText(d->tabs()->indexOf(page)), QStringLiteral("Player"));
        QVERIFY(page->repeat()->isChecked());
        QVERIFY(page->sequence()->isChecked());
        QCOMPARE(page->sizeMode()->currentIndex(), 1);
        QCOMPARE(page->captionSize()->value(), 12);
        QCOMPARE(page->captionColor(), 0xFFFFFF);
        QVERIFY(QFontDatabase::hasFamily(page->face()->currentText()));
        page->repeat()->setChecked(false);
        page->keepRatio()->setChecked(true);
        page->keepSize()->setChecked(true);
        page->sizeMode()->setCurrentIndex(2);
        page->captions()->setChecked(false);
        page->SetCaptionColor(0x00FFFF);  // yellow
        page->captionSize()->setValue(18);
        page->face()->setCurrentText(family);
        page->bold()->setChecked(false);
        page->margin()->setValue(30);
        d->buttons()->button(QDialogButtonBox::Ok)->click();
    });
    Window().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));

    Profile& p = P();
    QCOMPARE(p.GetInt("settings", "Repeat", -1), 0);
    QCOMPARE(p.GetInt("settings", "Keep", -1), 1);
    QCOMPARE(p.GetInt("settings", "Keep Size", -1), 1);
    QCOMPARE(p.GetInt("settings", "Enable Caption", -1), 0);
    QCOMPARE(p.GetInt("settings", "Caption Corlor", -1), 0x00FFFF);
    QCOMPARE(p.GetInt("settings", "Caption Size", -1), 18);
    QCOMPARE(p.GetString("settings", "Caption Face Name", ""), S(family));
    QCOMPARE(p.GetInt("settings", "Caption Bold", -1), 0);
    QCOMPARE(p.GetInt("settings", "Caption Margin", -1), 30);
    QCOMPARE(Window().settings().m_windowSizeMode, 2);
    // The player follows at once.
    QVERIFY(Player().KeepRatio());
    QCOMPARE(Playback().pane()->SizeMode(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(Player(), "sub-font"), family, 5000);
    QCOMPARE(MpvProperty(Player(), "sub-color"), QStringLiteral("#FFFFFF00"));
    QCOMPARE(MpvProperty(Player(), "sub-visibility"), QStringLiteral("no"));
    QCOMPARE(MpvProperty(Player(), "sub-margin-y"), QStringLiteral("30"));
}

void PlaybackTest::launchWithPlayPlays()
{
    const QString sample = Copy(playertest::Sample(20), QStringLiteral("launched.asf"));
    Window().OpenLaunch(LaunchMode::Play, {sample + QStringLiteral("&&Launched")});
    QCOMPARE(Player().Address(), sample);
    QCOMPARE(Player().Title(), QStringLiteral("Launched"));
    QTRY_COMPARE_WITH_TIMEOUT(Cell(0, kColTime), QStringLiteral("0:00:20"), 15000);
    // Record mode does not play.
    Player().Stop();
    Window().OpenLaunch(LaunchMode::Record, {Copy(playertest::Sample(20), QStringLiteral("rec.asf"))});
    QCOMPARE(Player().Address(), sample);
    QCOMPARE(Player().State(), PlayState::Stopped);
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

    // A network row keeps a length it knows, and learns one it does not.
    testsupport::FakeServer server;
    QVERIFY(server.Start("mmsh_server.py", {"--file", playertest::Sample(20).toStdString(), "--lifetime", "60"}));
    const QString address = QStringLiteral("http://127.0.0.1:%1/on-demand.asf").arg(server.port());
    const int known = Add(address, QStringLiteral("Known"));
    List().SetCell(known, kColTime, "0:02:00");
    Playback().PlayRow(known);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 20, 20000);
    QCOMPARE(Cell(known, kColTime), QStringLiteral("0:02:00"));
    List().SetCell(known, kColTime, " ");
    Playback().PlayRow(known);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(known, kColTime), QStringLiteral("0:00:20"), 20000);
}

void PlaybackTest::imageCaptureSavesIntoTheBaseFolder()
{
    const int row = Add(Copy(playertest::Sample(100), QStringLiteral("shot.asf")), QStringLiteral("Shot"));
    Playback().PlayRow(row);
    Player().Pause();
    QTRY_COMPARE_WITH_TIMEOUT(Player().Duration(), 100, 15000);
    Player().SetPosition(5);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Position(), 5, 5000);
    // A capture before the first frame is decoded is refused ("no picture").
    QTRY_VERIFY_WITH_TIMEOUT(!Player().VideoSize().isEmpty(), 15000);
    QSignalSpy saved(&Playback(), &player::Playback::imageSaved);
    // No dialog: the status line names each file, and the next capture
    // follows at once.
    bool asked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&asked] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            asked = true;
            modal->close();
        }
    });
    watch.start(20);
    Playback().actions().imageCapture->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 10000);
    const QString path = Path("rec/Shot_0-00-05.png");
    QVERIFY2(saved.first().at(1).toString().isEmpty(), qPrintable(saved.first().at(1).toString()));
    QCOMPARE(saved.first().at(0).toString(), path);
    QCOMPARE(QImage(path).size(), QSize(176, 144));
    QVERIFY(Window().statusBar()->currentMessage().contains(path));
    Player().SetPosition(7);
    QTRY_COMPARE_WITH_TIMEOUT(Player().Position(), 7, 5000);
    Playback().actions().imageCapture->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 2, 10000);
    QVERIFY(Window().statusBar()->currentMessage().contains(Path("rec/Shot_0-00-07.png")));
    QVERIFY(QFileInfo::exists(Path("rec/Shot_0-00-07.png")));
    QVERIFY(!asked);
}

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"
