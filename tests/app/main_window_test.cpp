// The window itself: its frame, menus, keys and accessible names, what it
// opens from a start, a drop or a hand-over, the preferences, and what it
// keeps between runs. Every dialog is answered by the test.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "desktop_fixture.h"
#include "dialog_script.h"
#include "ui/credential_dialog.h"
#include "ui/file_info_dialog.h"
#include "ui/media_tools_dialog.h"
#include "ui/playback.h"
#include "ui/preferences_dialog.h"
#include "ui/qt_text.h"
#include "ui/record_page.h"
#include "ui/recording_commands.h"
#include "ui/setup_page.h"
#include "ui/url_open_dialog.h"

namespace {

QString Describe(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return QStringLiteral("%1 '%2' \"%3\"")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
             a ? a->text(QAccessible::Name) : QString());
}

// What a screen reader or a test robot meets in root: whatever takes the
// focus, and sliders and progress bars. Qt's own parts of compound widgets
// (spin box editors, scroll bars, tab bars, viewports) speak through their
// owners.
QList<QWidget*> Controls(QWidget* root)
{
    QList<QWidget*> out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(root) || w->objectName().startsWith(QLatin1String("qt_")) ||
            qobject_cast<QScrollBar*>(w) || qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
            qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        if (w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractSlider*>(w) ||
            qobject_cast<QProgressBar*>(w))
            out.append(w);
    }
    return out;
}

QStringList Nameless(QWidget* root)
{
    QStringList out;
    for (QWidget* w : Controls(root)) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            out << Describe(w);
    }
    return out;
}

// Tab goes through a dialog as one reads it: each next control stands on
// the same line further right, or lower down. A dialog with an accept
// button has a default button for Enter.
QStringList KeyboardProblems(QDialog* dialog)
{
    QStringList out;
    const QList<QWidget*> controls = Controls(dialog);
    QList<QWidget*> chain;
    for (QWidget* w = dialog->nextInFocusChain(); w && w != dialog; w = w->nextInFocusChain()) {
        if (controls.contains(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && !chain.contains(w))
            chain.append(w);
    }
    for (qsizetype i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(dialog, QPoint(0, 0)), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(dialog, QPoint(0, 0)), chain[i]->size());
        const bool sameLine = b.center().y() >= a.top() && b.center().y() <= a.bottom();
        if (sameLine ? b.left() <= a.left() : b.center().y() < a.center().y())
            out << QStringLiteral("%1: Tab goes from %2 back to %3")
                       .arg(dialog->windowTitle(), Describe(chain[i - 1]), Describe(chain[i]));
    }
    bool accepts = false, hasDefault = false;
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons())
            accepts = accepts || box->buttonRole(b) == QDialogButtonBox::AcceptRole;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        hasDefault = hasDefault || (b->isDefault() && b->isVisible());
    if (accepts && !hasDefault)
        out << dialog->windowTitle() + QStringLiteral(": no default button");
    return out;
}

// The mnemonic of a menu text ("Open As(&A)..." -> 'a'), or 0.
QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toLower();
        ++i;
    }
    return {};
}

}  // namespace

class MainWindowTest : public QObject, public DesktopFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // No session bus: Protect Screen Save degrades quietly.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QuietOffscreenWarnings();
    }
    void init() { Start(); }
    void cleanup() { Stop(); }

    void startPositionRule();
    void dropFilesAndAddresses();
    void launchArgumentsAndRecordRule();
    void preferencesWriteTheProfile();
    void frameTogglesAndClose();
    void keysAndMnemonicsAreUnique();
    void everyControlHasAName();
    void listLayoutAndWindowKeptBetweenRuns();

private:
    // A player without sound joins the window, as at start-up.
    void AttachSilentPlayer();
};

void MainWindowTest::startPositionRule()
{
    const QSize screen(1920, 1080);
    QCOMPARE(MainWindow::StartPosition(100, 200, screen), QPoint(100, 200));
    QCOMPARE(MainWindow::StartPosition(0, 50, screen), QPoint(0, 50));
    QCOMPARE(MainWindow::StartPosition(-5, 50, screen), QPoint(0, 50));
    QCOMPARE(MainWindow::StartPosition(1920, 1079, screen), QPoint(0, 1079));
    QCOMPARE(MainWindow::StartPosition(1919, 1080, screen), QPoint(1919, 0));
    QCOMPARE(W().size(), QSize(MainWindow::kWidth, MainWindow::kHeight));
}

void MainWindowTest::dropFilesAndAddresses()
{
    WriteText(Path("a b.wma"), QByteArray(2048, 'x'));
    WriteText(Path("list.asx"), "<ASX version=\"3.0\"><Entry><ref href=\"mms://h/in-list.asf\"/></Entry></ASX>");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Path("a b.wma")), QUrl(QStringLiteral("mms://h/dropped.asf")),
                  QUrl::fromLocalFile(Path("list.asx"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&W(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&W(), &drop);
    QCOMPARE(Addresses(), (QStringList{Path("a b.wma"), "mms://h/dropped.asf", "mms://h/in-list.asf"}));
    QCOMPARE(Cell(0, kColSize), QStringLiteral("2K"));

    // Dropped names are not split at "&&".
    QMimeData text;
    text.setText(QStringLiteral("mms://h/x&&y\n"));
    QDragEnterEvent enterText(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&W(), &enterText);
    QVERIFY(enterText.isAccepted());
    QDropEvent dropText(QPointF(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&W(), &dropText);
    QCOMPARE(Addresses().last(), QStringLiteral("mms://h/x&&y"));
}

void MainWindowTest::launchArgumentsAndRecordRule()
{
    MediaView* view = W().view();
    QSignalSpy played(view, &MediaView::playRequested);
    QSignalSpy recorded(view, &MediaView::recordRequested);
    W().OpenLaunch(LaunchMode::Play, {"mms://h/a.asf&&Title A&&1"});
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Title A"));
    QCOMPARE(played.size(), 1);
    W().OpenLaunch(LaunchMode::Record, {"mms://h/b.asf"});
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(recorded.last().at(0).toInt(), 1);
    // With a busy row the new entry is added and selected, nothing starts.
    // (Once the recording of b has ended, the one busy row is this one.)
    QTRY_VERIFY_WITH_TIMEOUT(!W().recording()->Recording(), 30000);
    view->list().SetItemData(0, 3);
    W().OpenLaunch(LaunchMode::Record, {"mms://h/c.asf"});
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(view->SelectedRow(), 2);
    // Open plays as Play does; a launch argument naming a list file is
    // remembered.
    W().OpenLaunch(LaunchMode::Open, {Path("missing.kvx")});
    QCOMPARE(played.size(), 2);
    QCOMPARE(QString::fromStdString(P().GetString("Path", "kvx", "")), Path("missing.kvx"));
    // A hand-over does the same.
    W().HandOver(LaunchMode::Play, {"mms://h/d.asf"});
    QCOMPARE(played.size(), 3);
    QCOMPARE(Addresses().last(), QStringLiteral("mms://h/d.asf"));
}

void MainWindowTest::preferencesWriteTheProfile()
{
    P().WriteString("settings\\NSPlyer", "player0", "NSPlayer/7.0");
    P().WriteString("RecentUrl\\Url", "item0", "mms://h/old");
    P().WriteString("FileMRUList\\url", "File0", "/old.kvx");

    DialogScript script;
    script.Then<PreferencesDialog>([&](PreferencesDialog* d) {
        RecordPage* r = d->recordPage();
        QVERIFY(!r->maxMinutes->isEnabled());
        r->baseDir->setText(Path("new/base/"));
        r->overWrite->setChecked(false);
        r->resumable->setChecked(false);
        r->liveTimeInfo->setChecked(false);
        r->sizePolicy->setChecked(true);
        r->maxSize->setValue(250);
        r->timePolicy->setChecked(true);
        QVERIFY(r->maxMinutes->isEnabled());
        r->maxMinutes->setValue(90);
        r->maxSeconds->setValue(0);
        QCOMPARE(r->checkParallel->value(), 8);
        r->checkParallel->setValue(3);
        r->checkSeconds->setValue(45);
        QCOMPARE(r->reconnect->value(), 300);
        r->reconnect->setValue(0);
        r->playerAgent->setEditText(QStringLiteral("NSPlayer/11.0"));
        r->newFileType->setText(QStringLiteral("MP3"));
        r->addFileType->click();
        SetupPage* s = d->setupPage();
        s->multipleInstances->setChecked(true);
        s->savePlayList->setChecked(true);
        s->saveFullPos->setChecked(true);
        s->toolTip->setChecked(false);
        QVERIFY(!r->proxyServer->isEnabled());
        r->useProxy->setChecked(true);
        QVERIFY(r->proxyServer->isEnabled());
        r->proxyServer->setText(QStringLiteral(" proxy.example "));
        r->proxyPort->setValue(3128);
        d->buttons()->button(QDialogButtonBox::Ok)->click();
    });
    W().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));

    Profile& p = P();
    QCOMPARE(p.GetString("settings", "base dir", ""), S(Path("new/base")));
    QVERIFY(QFileInfo(Path("new/base")).isDir());
    const std::pair<const char*, int> stored[] = {
        {"OverWrite", 0},         {"Resumable", 0},          {"Live Content Save Time Info", 0},
        {"size policy", 1},       {"Max Size", 250},         {"time policy", 1},
        {"Max Time", 5400},       {"URL Check Parallel", 3}, {"URL Check Seconds", 45},
        {"Reconnect", 0},         {"Save Play List", 1},     {"Allow Multiple Instances", 1},
        {"Save Full Pos", 1},     {"Tool Tip", 0},           {"Use Proxy", 1},
        {"Proxy Port", 3128},     {"Bypass Proxy", 0}};
    for (const auto& [key, value] : stored)
        QVERIFY2(p.GetInt("settings", key, -1) == value, key);
    QCOMPARE(p.GetString("settings", "Proxy SAerver", ""), std::string("proxy.example"));
    QCOMPARE(p.GetString("settings\\NSPlyer", "player0", ""), std::string("NSPlayer/7.0"));
    QCOMPARE(p.GetString("settings\\NSPlyer", "player1", ""), std::string("NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}"));
    QCOMPARE(p.GetString("settings\\NSPlyer", "player2", ""), std::string("NSPlayer/11.0"));
    QCOMPARE(W().settings().m_playerAgent, std::string("NSPlayer/11.0"));
    QCOMPARE(p.GetInt("FileTypeList\\type", "", -1), 9);
    QCOMPARE(p.GetString("FileTypeList\\type", "type8", ""), std::string(".mp3"));

    // Reopened, the page shows what was stored: 90 M and 0 S.
    script.Then<PreferencesDialog>([&](PreferencesDialog* d) {
        QCOMPARE(d->recordPage()->maxMinutes->value(), 90);
        QCOMPARE(d->recordPage()->maxSeconds->value(), 0);
        QCOMPARE(d->recordPage()->playerAgent->currentText(), QStringLiteral("NSPlayer/11.0"));
        QVERIFY(!d->setupPage()->toolTip->isChecked());
        QVERIFY(d->recordPage()->useProxy->isChecked());
        QCOMPARE(d->recordPage()->proxyServer->text(), QStringLiteral("proxy.example"));
        QCOMPARE(d->recordPage()->proxyPort->value(), 3128);
        d->setupPage()->deleteRecent->click();
    });
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    script.Then<PreferencesDialog>([](PreferencesDialog* d) { d->reject(); });
    W().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(p.GetString("RecentUrl\\Url", "item0", "gone"), std::string("gone"));
    QCOMPARE(p.GetString("FileMRUList\\url", "File0", "gone"), std::string("gone"));
    QVERIFY(W().view()->recentFiles().isEmpty());
}

void MainWindowTest::frameTogglesAndClose()
{
    MainWindow& w = W();
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    w.actions().onTop->trigger();
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.isVisible());
    w.actions().repeat->trigger();
    QCOMPARE(w.settings().m_repeat, 0);
    w.actions().shuffle->trigger();
    QCOMPARE(w.settings().m_sequence, 0);
    QVERIFY(w.actions().shuffle->isChecked());
    // Record Start is there while nothing records; Record Stop is not.
    QVERIFY(w.actions().recordStart->isEnabled());
    QVERIFY(!w.actions().recordStop->isEnabled());

    // Without a session bus, Protect Screen Save says so and stays off.
    w.actions().protectScreenSave->trigger();
    QTRY_COMPARE(w.settings().m_screenSave, 0);
    QVERIFY(!w.actions().protectScreenSave->isChecked());

    // Big screen mode with a stored rectangle, and back.
    w.settings().m_saveFullPos = 1;
    P().WriteInt("position", "full mode x", 10);
    P().WriteInt("position", "full mode y", 20);
    P().WriteInt("position", "full mode cx", 640);
    P().WriteInt("position", "full mode cy", 480);
    const QRect normal = w.geometry();
    w.actions().bigScreen->trigger();
    QVERIFY(w.bigScreen());
    QCOMPARE(w.geometry().size(), QSize(640, 480));
    QVERIFY(!w.menuBar()->isVisible());
    w.actions().bigScreen->trigger();
    QVERIFY(!w.bigScreen());
    QVERIFY(w.menuBar()->isVisible());
    QCOMPARE(w.geometry().size(), normal.size());
    QCOMPARE(P().GetInt("position", "full mode cx", 0), 640);

    // Exit saves the settings and the position.
    w.move(120, 90);
    w.actions().exit->trigger();
    QVERIFY(!w.isVisible());
    QSettings conf(Path("conf/Brimcast/Brimcast.conf"), QSettings::IniFormat);
    QCOMPARE(conf.value(QStringLiteral("settings/OnTop")).toInt(), 1);
    QCOMPARE(conf.value(QStringLiteral("settings/Repeat")).toInt(), 0);
    QCOMPARE(conf.value(QStringLiteral("settings/Sequence")).toInt(), 0);
    QCOMPARE(conf.value(QStringLiteral("Settings/xPos")).toInt(), 120);
    QCOMPARE(conf.value(QStringLiteral("Settings/yPos")).toInt(), 90);
}

void MainWindowTest::keysAndMnemonicsAreUnique()
{
    AttachSilentPlayer();
    MainWindow& w = W();
    QStringList problems;
    QSet<QAction*> actions;
    for (QAction* a : w.findChildren<QAction*>())
        actions.insert(a);

    // Within one menu, a letter names one item.
    std::function<void(const QString&, const QList<QAction*>&)> walk = [&](const QString& where,
                                                                           const QList<QAction*>& items) {
        QHash<QChar, QString> used;
        for (QAction* a : items) {
            actions.insert(a);
            if (a->isSeparator() || !a->isVisible())
                continue;
            const QChar m = Mnemonic(a->text());
            if (!m.isNull() && used.contains(m))
                problems
                    << QStringLiteral("%1: \"%2\" and \"%3\" share &%4").arg(where, used[m], a->text(), m);
            if (!m.isNull())
                used.insert(m, a->text());
            if (a->menu())
                walk(where + QStringLiteral(" > ") + a->text(), a->menu()->actions());
        }
    };
    walk(QStringLiteral("menu bar"), w.menuBar()->actions());
    walk(QStringLiteral("list menu"), w.view()->popupMenu()->actions());

    // A key starts one command.
    QHash<QString, QAction*> owner;
    for (QAction* a : std::as_const(actions)) {
        for (const QKeySequence& key : a->shortcuts()) {
            const QString text = key.toString(QKeySequence::PortableText);
            if (owner.contains(text) && owner[text] != a)
                problems << QStringLiteral("%1: \"%2\" and \"%3\"").arg(text, owner[text]->text(), a->text());
            owner.insert(text, a);
        }
    }
    // The desktop's standard keys mean here what they mean everywhere.
    const MediaView::Actions& v = w.view()->actions();
    const struct {
        QKeySequence::StandardKey key;
        QAction* allowed;
    } standard[] = {{QKeySequence::Undo, nullptr},          {QKeySequence::Redo, nullptr},
                    {QKeySequence::Cut, nullptr},           {QKeySequence::Copy, v.copyClipboard},
                    {QKeySequence::Paste, nullptr},         {QKeySequence::SelectAll, nullptr},
                    {QKeySequence::Find, nullptr},          {QKeySequence::Print, nullptr},
                    {QKeySequence::Close, nullptr},         {QKeySequence::Save, v.asxSave},
                    {QKeySequence::Open, v.open},           {QKeySequence::New, v.newList},
                    {QKeySequence::Quit, w.actions().exit}, {QKeySequence::Delete, v.deleteRow}};
    for (const auto& s : standard) {
        for (const QKeySequence& key : QKeySequence::keyBindings(s.key)) {
            QAction* a = owner.value(key.toString(QKeySequence::PortableText));
            if (a && a != s.allowed)
                problems << QStringLiteral("%1 starts \"%2\"")
                                .arg(key.toString(QKeySequence::PortableText), a->text());
        }
    }
    QVERIFY(!w.actions().preferences->shortcut().isEmpty());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void MainWindowTest::everyControlHasAName()
{
    AttachSilentPlayer();
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf&&Alpha"});
    QStringList problems = Nameless(&W());

    // The list speaks its rows, cells and headers.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view->table());
    QVERIFY(list && list->tableInterface());
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Media list"));
    QAccessibleTableInterface* table = list->tableInterface();
    QCOMPARE(table->cellAt(0, kColFile)->text(QAccessible::Name), QStringLiteral("Alpha"));
    QCOMPARE(table->cellAt(0, kColFile)->text(QAccessible::Description), QStringLiteral("Network address"));
    QCOMPARE(table->cellAt(0, kColOriginalFile)->text(QAccessible::Name), QStringLiteral("mms://h/a.asf"));
    QCOMPARE(table->columnDescription(kColOriginalFile), QStringLiteral("Original File"));

    // Every dialog, every page of the preferences.
    view->SelectRow(0);
    const auto inspect = [&problems](QDialog* d) {
        problems << Nameless(d) << KeyboardProblems(d);
        d->reject();
    };
    DialogScript script;
    script.Then<UrlOpenDialog>(inspect);
    view->actions().urlOpen->trigger();
    script.Then<CredentialDialog>(inspect);
    view->actions().setAuthentication->trigger();
    script.Then<QDialog>(inspect);
    view->actions().info->trigger();
    script.Then<PreferencesDialog>([&problems](PreferencesDialog* d) {
        for (int i = 0; i < d->tabs()->count(); ++i) {
            d->tabs()->setCurrentIndex(i);
            problems << Nameless(d) << KeyboardProblems(d);
        }
        d->reject();
    });
    W().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QDialog* tools[] = {W().ShowCut(), W().ShowFileInfo(Path("none.asf"))};
    for (QDialog* d : tools) {
        QVERIFY(QTest::qWaitForWindowExposed(d));
        problems << Nameless(d) << KeyboardProblems(d);
        d->close();
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void MainWindowTest::listLayoutAndWindowKeptBetweenRuns()
{
    W().settings().m_savePlayList = 1;
    W().OpenLaunch(LaunchMode::Open,
                        {"mms://h/b.asf&&Bravo", "mms://h/a.asf&&Alpha", "mms://h/c.asf&&Charlie"});
    QTableView* table = W().view()->table();
    QHeaderView* header = table->horizontalHeader();
    const auto clickHeader = [&header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    };
    const auto shownTitles = [&table] {
        QStringList titles;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            titles << table->model()->index(r, kColFile).data().toString();
        return titles;
    };
    // A click on a header sorts, a second turns the order, a third gives the
    // list's own order back; the list itself keeps its order throughout.
    clickHeader(kColFile);
    QCOMPARE(shownTitles(), (QStringList{"Alpha", "Bravo", "Charlie"}));
    clickHeader(kColFile);
    QCOMPARE(shownTitles(), (QStringList{"Charlie", "Bravo", "Alpha"}));
    clickHeader(kColFile);
    QCOMPARE(shownTitles(), (QStringList{"Bravo", "Alpha", "Charlie"}));
    clickHeader(kColFile);
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Bravo"));
    // Sorted, the view's rows are still the list's rows.
    W().view()->SelectRow(0);
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(W().view()->SelectedRow(), 0);

    header->resizeSection(kColType, 77);
    header->moveSection(header->visualIndex(kColSize), 1);
    W().resize(800, 600);
    W().move(40, 30);
    Reopen();
    table = W().view()->table();
    header = table->horizontalHeader();
    QCOMPARE(shownTitles(), (QStringList{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(header->sortIndicatorSection(), int(kColFile));
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(header->sectionSize(kColType), 77);
    QCOMPARE(header->visualIndex(kColSize), 1);
    QCOMPARE(W().size(), QSize(800, 600));
    QCOMPARE(W().pos(), QPoint(40, 30));
    // Sizes the screen cannot show are cut to it.
    QCOMPARE(MainWindow::StartSize(5000, 4000, QSize(1280, 1024)), QSize(1280, 1024));
    QCOMPARE(MainWindow::StartSize(0, 0, QSize(1280, 1024)), QSize(MainWindow::kWidth, MainWindow::kHeight));
}

void MainWindowTest::AttachSilentPlayer()
{
    player::PlayerOptions silent;
    silent.audio = false;
    W().AttachPlayback(new player::Playback(*W().view(), W().settings(), P(), silent));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
