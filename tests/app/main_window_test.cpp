// The window itself; every dialog is answered by the test.
#include <QtTest>
#include <QtWidgets>

#include "desktop_fixture.h"
#include "dialog_script.h"
#include "ui/file_info_dialog.h"
#include "ui/media_tools_dialog.h"
#include "ui/playback.h"
#include "ui/player_page.h"
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
    void sortedViewKeepsTheListsRows();

private:
    // A player without sound joins the window, as at start-up.
    void AttachSilentPlayer();
};

void MainWindowTest::startPositionRule()
{
    // A stored position off the screen starts at its edge; a size it cannot
    // show is cut to it.
    const QSize screen(1920, 1080);
    QCOMPARE(MainWindow::StartPosition(-5, 50, screen), QPoint(0, 50));
    QCOMPARE(MainWindow::StartPosition(1920, 1079, screen), QPoint(0, 1079));
    QCOMPARE(MainWindow::StartPosition(1919, 1080, screen), QPoint(1919, 0));
    QCOMPARE(MainWindow::StartSize(5000, 4000, QSize(1280, 1024)), QSize(1280, 1024));
    QCOMPARE(MainWindow::StartSize(0, 0, QSize(1280, 1024)), QSize(MainWindow::kWidth, MainWindow::kHeight));
}

void MainWindowTest::dropFilesAndAddresses()
{
    // Files, addresses and a playlist's entries become rows; dropped text is
    // not split at "&&".
    WriteText(Path("list.asx"), "<ASX version=\"3.0\"><Entry><ref href=\"mms://h/in-list.asf\"/></Entry></ASX>");
    QMimeData urls, text;
    urls.setUrls({QUrl(QStringLiteral("mms://h/dropped.asf")), QUrl::fromLocalFile(Path("list.asx"))});
    text.setText(QStringLiteral("mms://h/x&&y\n"));
    for (QMimeData* mime : {&urls, &text}) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&W(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&W(), &drop);
    }
    QCOMPARE(Addresses(), (QStringList{"mms://h/dropped.asf", "mms://h/in-list.asf", "mms://h/x&&y"}));
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
    AttachSilentPlayer();
    P().WriteString("settings\\NSPlyer", "player0", "NSPlayer/7.0");
    DialogScript script;
    script.Then<PreferencesDialog>([&](PreferencesDialog* d) {
        RecordPage* r = d->recordPage();
        SetupPage* s = d->setupPage();
        auto* player = d->findChild<player::PlayerPage*>();
        QVERIFY(player);
        r->baseDir->setText(Path("new/base/"));
        for (QCheckBox* box : {r->overWrite, s->toolTip, player->repeat()})
            box->setChecked(false);
        for (QCheckBox* box : {r->timePolicy, s->multipleInstances, r->useProxy})
            box->setChecked(true);
        r->maxMinutes->setValue(90);
        r->maxSeconds->setValue(0);
        r->checkParallel->setValue(3);
        r->reconnect->setValue(0);
        player->captionSize()->setValue(18);
        r->playerAgent->setEditText(QStringLiteral("NSPlayer/11.0"));
        r->newFileType->setText(QStringLiteral("MP3"));
        r->addFileType->click();
        r->proxyServer->setText(QStringLiteral(" proxy.example "));
        r->proxyPort->setValue(3128);
        d->buttons()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY2(script.Run(W().actions().preferences), qPrintable(script.missed()));

    Profile& p = P();
    QCOMPARE(p.GetString("settings", "base dir", ""), S(Path("new/base")));
    QVERIFY(QFileInfo(Path("new/base")).isDir());
    QString stored;
    for (const char* key : {"OverWrite", "Tool Tip", "Repeat", "time policy", "Allow Multiple Instances", "Use Proxy",
                            "Max Time", "URL Check Parallel", "Reconnect", "Caption Size", "Proxy Port"})
        stored += QStringLiteral("%1=%2 ").arg(QLatin1String(key)).arg(p.GetInt("settings", key, -1));
    QCOMPARE(stored, QStringLiteral("OverWrite=0 Tool Tip=0 Repeat=0 time policy=1 Allow Multiple Instances=1 Use Proxy=1 "
                                    "Max Time=5400 URL Check Parallel=3 Reconnect=0 Caption Size=18 Proxy Port=3128 "));
    // A new agent goes after the stored ones; a new file type after the defaults.
    QCOMPARE(p.GetString("settings", "Proxy SAerver", "") + " " + p.GetString("settings\\NSPlyer", "player0", "") + " " +
                 p.GetString("settings\\NSPlyer", "player2", "") + " " + W().settings().m_playerAgent + " " +
                 p.GetString("FileTypeList\\type", "type8", ""),
             std::string("proxy.example NSPlayer/7.0 NSPlayer/11.0 NSPlayer/11.0 .mp3"));
}

void MainWindowTest::frameTogglesAndClose()
{
    MainWindow& w = W();
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    w.actions().onTop->trigger();
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.isVisible());
    // Without a session bus, Protect Screen Save says so and stays off.
    w.actions().protectScreenSave->trigger();
    QTRY_COMPARE(w.settings().m_screenSave, 0);
    QVERIFY(!w.actions().protectScreenSave->isChecked());

    // Exit saves the settings and the position.
    w.move(120, 90);
    w.actions().exit->trigger();
    QVERIFY(!w.isVisible());
    QSettings conf(Path("conf/Brimcast/Brimcast.conf"), QSettings::IniFormat);
    QCOMPARE(conf.value(QStringLiteral("settings/OnTop")).toInt(), 1);
    QCOMPARE(conf.value(QStringLiteral("Settings/xPos")).toInt(), 120);
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
    QAccessibleTableInterface* table = list->tableInterface();
    QCOMPARE(QStringList({list->text(QAccessible::Name), table->cellAt(0, kColFile)->text(QAccessible::Name),
                          table->cellAt(0, kColFile)->text(QAccessible::Description),
                          table->columnDescription(kColOriginalFile)}).join('|'),
             QStringLiteral("Media list|Alpha|Network address|Original File"));

    // Every dialog, every page of the preferences.
    view->SelectRow(0);
    const auto inspect = [&problems](QDialog* d) {
        problems << Nameless(d);
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
            problems << Nameless(d);
        }
        d->reject();
    });
    QVERIFY2(script.Run(W().actions().preferences), qPrintable(script.missed()));
    QDialog* tools[] = {W().ShowCut(), W().ShowFileInfo(Path("none.asf"))};
    for (QDialog* d : tools) {
        QVERIFY(QTest::qWaitForWindowExposed(d));
        problems << Nameless(d);
        d->close();
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void MainWindowTest::sortedViewKeepsTheListsRows()
{
    W().OpenLaunch(LaunchMode::Open, {"mms://h/b.asf&&Bravo", "mms://h/a.asf&&Alpha", "mms://h/c.asf&&Charlie"});
    QTableView* table = W().view()->table();
    QHeaderView* header = table->horizontalHeader();
    // A click on a header sorts the view; the list keeps its order, and the
    // view's rows are still the list's rows.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(kColFile) + 5, header->height() / 2));
    QStringList shown;
    for (int r = 0; r < table->model()->rowCount(); ++r)
        shown << table->model()->index(r, kColFile).data().toString();
    QCOMPARE(shown, (QStringList{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Bravo"));
    W().view()->SelectRow(0);
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(W().view()->SelectedRow(), 0);
}

void MainWindowTest::AttachSilentPlayer()
{
    player::PlayerOptions silent;
    silent.audio = false;
    W().AttachPlayback(new player::Playback(*W().view(), W().settings(), P(), silent));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
