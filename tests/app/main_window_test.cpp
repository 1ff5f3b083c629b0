// The window and its list commands, driven through their actions on a real
// window with a real settings file and real list files in a temporary
// folder. Every dialog is answered by the test.
#include <atomic>
#include <thread>

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "app/main_window.h"
#include "app/translations.h"
#include "base/display_text.h"
#include "dialog_script.h"
#include "kvx_read.h"
#include "medialist/media_list.h"
#include "medialist/row_status.h"
#include "player/playback.h"
#include "qtprofile/ini_profile.h"
#include "ui/credential_dialog.h"
#include "ui/file_info_dialog.h"
#include "ui/media_list_model.h"
#include "ui/media_tools_dialog.h"
#include "ui/media_view.h"
#include "ui/preferences_dialog.h"
#include "ui/qt_text.h"
#include "ui/qt_user_prompts.h"
#include "ui/recent_list.h"
#include "ui/record_page.h"
#include "ui/setup_page.h"
#include "ui/url_open_dialog.h"

namespace {

void ClickButton(QMessageBox* box, QMessageBox::StandardButton which)
{
    box->button(which)->click();
}

auto Answer(QMessageBox::StandardButton which)
{
    return std::function<void(QMessageBox*)>([which](QMessageBox* b) { ClickButton(b, which); });
}

// Types the path into the dialog's name field, as a user would, and
// accepts. (selectFile leaves the field alone while it has the focus.)
void Choose(QFileDialog* d, const QString& path)
{
    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(path);
    static_cast<QDialog*>(d)->accept();
}

auto ChooseFile(const QString& path)
{
    return std::function<void(QFileDialog*)>([path](QFileDialog* d) {
        Choose(d, path);
    });
}

auto EnterText(const QString& text)
{
    return std::function<void(QInputDialog*)>([text](QInputDialog* d) {
        d->setTextValue(text);
        d->accept();
    });
}

void WriteText(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

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

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startPositionRule();
    void openReplacesAndOpenAsKeeps();
    void urlOpenAddsOnceAndKeepsHistory();
    void deleteRulesAndNew();
    void modifyInfoAndClipboard();
    void asxSaveRoundTrip();
    void listFileSaves();
    void dropFilesAndAddresses();
    void launchArgumentsAndRecordRule();
    void preferencesWriteTheProfile();
    void credentialDialogRefusesEmptyFields();
    void frameTogglesAndClose();
    void automaticListFile();
    void webPages();
    void workerQuestionsAndCancel();
    void rowsFollowedByIdAndLocaleWords();
    void checkedRowsDescribeTheirStream();
    void listFileCredentialsAreProbed();
    void modelStaysConsistent();
    void rowCommandsFollowAClick();
    void keysAndMnemonicsAreUnique();
    void everyControlHasAName();
    void listLayoutAndWindowKeptBetweenRuns();

private:
    // A player without sound joins the window, as at start-up.
    void AttachSilentPlayer();
    MainWindow& Window();
    QString Cell(int row, int column) const;
    int Rows() const { return window_->view()->model()->rowCount(); }
    QStringList Addresses() const;
    QString Path(const QString& name) const { return dir_->path() + QLatin1Char('/') + name; }
    void Reopen();

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<IniProfile> profile_;
    std::unique_ptr<MainWindow> window_;
};

void MainWindowTest::initTestCase()
{
    // No session bus: Protect Screen Save degrades quietly.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QuietOffscreenWarnings();
}

void MainWindowTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    qputenv("HOME", dir_->path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Path("conf").toLocal8Bit());
    qputenv("XDG_DATA_HOME", Path("data").toLocal8Bit());
    profile_ = std::make_unique<IniProfile>();
    QCOMPARE(QString::fromStdString(profile_->path()), Path("conf/Brimcast/Brimcast.conf"));
    profile_->WriteString("settings", "base dir", S(Path("rec")));
    profile_->WriteInt("settings", "ScreenSave ", 0);
    window_ = std::make_unique<MainWindow>(*profile_);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void MainWindowTest::cleanup()
{
    window_.reset();
    profile_.reset();
    dir_.reset();
}

MainWindow& MainWindowTest::Window() { return *window_; }

QString MainWindowTest::Cell(int row, int column) const
{
    const MediaListModel* m = window_->view()->model();
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}

QStringList MainWindowTest::Addresses() const
{
    QStringList out;
    for (int r = 0; r < Rows(); ++r)
        out.append(Cell(r, kColOriginalFile));
    return out;
}

void MainWindowTest::Reopen()
{
    window_.reset();
    profile_ = std::make_unique<IniProfile>();
    window_ = std::make_unique<MainWindow>(*profile_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void MainWindowTest::startPositionRule()
{
    const QSize screen(1920, 1080);
    QCOMPARE(MainWindow::StartPosition(100, 200, screen), QPoint(100, 200));
    QCOMPARE(MainWindow::StartPosition(0, 50, screen), QPoint(0, 50));
    QCOMPARE(MainWindow::StartPosition(-5, 50, screen), QPoint(0, 50));
    QCOMPARE(MainWindow::StartPosition(1920, 1079, screen), QPoint(0, 1079));
    QCOMPARE(MainWindow::StartPosition(1919, 1080, screen), QPoint(1919, 0));
    QCOMPARE(Window().size(), QSize(MainWindow::kWidth, MainWindow::kHeight));
}

void MainWindowTest::openReplacesAndOpenAsKeeps()
{
    MediaView* view = Window().view();
    WriteText(Path("two.asx"),
              "<ASX version=\"3.0\">\n<Entry><TITLE>One</TITLE><ref href=\"mms://h/one.asf\"/></Entry>\n"
              "<Entry><TITLE>Two</TITLE><ref href=\"mms://h/two.asf\"/></Entry>\n</ASX>\n");
    WriteText(Path("clip.wmv"), QByteArray(3000, 'x'));
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/before.asf"});
    QCOMPARE(Rows(), 1);
    QSignalSpy played(view, &MediaView::playRequested);

    DialogScript script;
    script.Then<QFileDialog>(ChooseFile(Path("two.asx")));
    view->actions().open->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/one.asf", "mms://h/two.asf"}));
    QCOMPARE(Cell(0, kColType), QStringLiteral("asf"));
    QCOMPARE(view->SelectedRow(), 0);
    QCOMPARE(played.size(), 1);
    QCOMPARE(played.last().at(0).toInt(), 0);
    QCOMPARE(QString::fromStdString(profile_->GetString("Path", "video", "")), dir_->path());

    // Open As keeps the list; a local file gets its size; the same playlist
    // again adds nothing new (same addresses).
    script.Then<QFileDialog>(ChooseFile(Path("clip.wmv")));
    view->actions().openAs->trigger();
    script.Then<QFileDialog>(ChooseFile(Path("two.asx")));
    view->actions().openAs->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/one.asf", "mms://h/two.asf", Path("clip.wmv")}));
    QCOMPARE(Cell(2, kColSize), QStringLiteral("2K"));
    QCOMPARE(Cell(2, kColType), QStringLiteral("wmv"));
    QVERIFY(view->model()->data(view->model()->index(2, 0), Qt::DecorationRole).isValid());

    // Both files are recent files now, the last one first.
    QCOMPARE(view->recentFiles(), (QStringList{Path("two.asx"), Path("clip.wmv")}));
    QCOMPARE(QString::fromStdString(profile_->GetString("FileMRUList\\url", "File0", "")),
             Path("two.asx"));
    QCOMPARE(view->recentMenu()->actions().size(), 2);

    // Cancelling the dialog changes nothing.
    script.Then<QFileDialog>([](QFileDialog* d) { d->reject(); });
    view->actions().open->trigger();
    QVERIFY(script.done());
    QCOMPARE(Rows(), 3);
}

void MainWindowTest::urlOpenAddsOnceAndKeepsHistory()
{
    MediaView* view = Window().view();
    QSignalSpy played(view, &MediaView::playRequested);
    QSignalSpy recorded(view, &MediaView::recordRequested);
    DialogScript script;
    script.Then<UrlOpenDialog>([](UrlOpenDialog* d) {
        d->editor()->setPlainText(" mms://h/a.asf \n\nmms://h/a.asf\nhttp://h/b.wmv\n");
        d->addButton()->click();
    });
    view->actions().urlOpen->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/a.asf", "http://h/b.wmv"}));
    QCOMPARE(played.size() + recorded.size(), 0);
    QCOMPARE(view->SelectedRow(), 0);
    QCOMPARE(QString::fromStdString(profile_->GetString("RecentUrl\\Url", "item0", "")),
             QStringLiteral("mms://h/a.asf"));
    QCOMPARE(QString::fromStdString(profile_->GetString("RecentUrl\\Url", "item1", "")),
             QStringLiteral("http://h/b.wmv"));

    // The history is offered next time; Play plays the first line's row,
    // which for an address already listed is the existing row.
    QStringList offered;
    script.Then<UrlOpenDialog>([&offered](UrlOpenDialog* d) {
        for (int i = 1; i < d->historyBox()->count(); ++i)
            offered.append(d->historyBox()->itemText(i));
        d->editor()->setPlainText(QStringLiteral("http://h/b.wmv"));
        d->playButton()->click();
    });
    view->actions().urlOpen->trigger();
    QVERIFY(script.done());
    QCOMPARE(offered, (QStringList{"mms://h/a.asf", "http://h/b.wmv"}));
    QCOMPARE(Rows(), 2);
    QCOMPARE(played.size(), 1);
    QCOMPARE(played.last().at(0).toInt(), 1);

    script.Then<UrlOpenDialog>([](UrlOpenDialog* d) {
        d->editor()->setPlainText(QStringLiteral("mms://h/c.asf"));
        d->recordButton()->click();
    });
    view->actions().urlOpen->trigger();
    QVERIFY(script.done());
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(recorded.last().at(0).toInt(), 2);

    // The history holds at most 30 addresses, the newest first.
    RecentList history = RecentList::UrlHistory(*profile_);
    for (int i = 0; i < 40; ++i)
        history.Add(QStringLiteral("mms://h/%1").arg(i));
    RecentList again = RecentList::UrlHistory(*profile_);
    QCOMPARE(again.Items().size(), 30);
    QCOMPARE(again.Items().first(), QStringLiteral("mms://h/39"));
}

void MainWindowTest::deleteRulesAndNew()
{
    MediaView* view = Window().view();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/a", "mms://h/b", "mms://h/c", "mms://h/d"});
    QCOMPARE(Rows(), 4);
    view->list().SetItemData(1, 7);  // b records
    view->SetPlayingRow(3);          // d plays

    DialogScript script;
    // A busy row stays even after Yes.
    view->SelectRow(1);
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    view->actions().deleteRow->trigger();
    QVERIFY(script.done());
    QCOMPARE(Rows(), 4);
    // No keeps the row; Yes deletes it. The Delete key on the list is the
    // same command.
    view->SelectRow(0);
    script.Then<QMessageBox>(Answer(QMessageBox::No));
    view->actions().deleteRow->trigger();
    QVERIFY(script.done());
    QCOMPARE(Rows(), 4);
    view->table()->setFocus();
    Window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Window()));
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    QTest::keyClick(view->table(), Qt::Key_Delete);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/b", "mms://h/c", "mms://h/d"}));

    // Nothing selected: no question at all.
    view->table()->selectionModel()->clear();
    view->actions().deleteRow->trigger();
    QCOMPARE(Rows(), 3);

    // New (Ctrl+N) asks first; it keeps the busy and the playing rows and
    // forgets the member credentials.
    Window().settings().m_memberUser = "member";
    Window().settings().m_memberPassword = "secret";
    view->SetPlayingRow(2);
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        Window().activateWindow();  // back from the last question
        QVERIFY(QTest::qWaitForWindowActive(&Window()));
        QCOMPARE(Rows(), 3);
        script.Then<QMessageBox>(Answer(answer));
        QTest::keyClick(view->table(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY2(script.done(), qPrintable(script.missed()));
    }
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/b", "mms://h/d"}));
    QVERIFY(Window().settings().m_memberUser.empty());
    QVERIFY(Window().settings().m_memberPassword.empty());
}

void MainWindowTest::modifyInfoAndClipboard()
{
    MediaView* view = Window().view();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf"});
    view->SelectRow(0);
    DialogScript script;
    script.Then<QInputDialog>(EnterText(QStringLiteral("mms://h/changed.asf")));
    view->actions().modifyUrl->trigger();
    script.Then<QInputDialog>(EnterText(QStringLiteral("Evening News")));
    view->actions().modifyFileName->trigger();
    script.Then<QDialog>([](QDialog* d) {
        d->findChild<QLineEdit*>(QStringLiteral("entryInfo"))->setText(QStringLiteral("row note"));
        d->findChild<QLineEdit*>(QStringLiteral("listInfo"))->setText(QStringLiteral("list note"));
        d->accept();
    });
    view->actions().info->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Cell(0, kColOriginalFile), QStringLiteral("mms://h/changed.asf"));
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Evening News"));
    QCOMPARE(Cell(0, kColInfo), QStringLiteral("row note"));
    QCOMPARE(QString::fromStdString(view->list().InfoText()), QStringLiteral("list note"));
    QVERIFY(view->table()->isColumnHidden(kColInfo));
    QVERIFY(view->table()->isColumnHidden(kColNs));

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    view->actions().copyClipboard->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("mms://h/changed.asf"));
    view->table()->selectionModel()->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    view->actions().copyClipboard->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    // Tool tips show the whole cell while the setting is on; the title's
    // also the address, which tells rows of one title apart.
    view->SelectRow(0);
    const QModelIndex title = view->model()->index(0, kColFile);
    QCOMPARE(title.data(Qt::ToolTipRole).toString(), QStringLiteral("Evening News\nmms://h/changed.asf"));
    QCOMPARE(view->model()->index(0, kColOriginalFile).data(Qt::ToolTipRole).toString(),
             QStringLiteral("mms://h/changed.asf"));
    Window().settings().m_toolTip = 0;
    view->SettingsChanged();
    QVERIFY(!title.data(Qt::ToolTipRole).isValid());
}

void MainWindowTest::asxSaveRoundTrip()
{
    MediaView* view = Window().view();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/live.asf&&Live: News?"});
    view->SelectRow(0);
    view->actions().asxSave->trigger();
    const QString saved = Path("rec/Live_ News_.asx");
    const QByteArray bytes = ReadAll(saved);
    QVERIFY2(bytes.contains("<TITLE>Live_ News_</TITLE>\r\n"), bytes.constData());
    QVERIFY(bytes.contains("<ref href=\"mms://h/live.asf\"/>\r\n"));

    // Saving again asks; No keeps the old file.
    WriteText(saved, "old");
    DialogScript script;
    script.Then<QMessageBox>(Answer(QMessageBox::No));
    view->actions().asxSave->trigger();
    QVERIFY(script.done());
    QCOMPARE(ReadAll(saved), QByteArray("old"));

    // Save As with a row without a title proposes noname.asx.
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/x.asf&&"});
    const int row = Rows() - 1;
    view->list().SetCell(row, kColFile, "");
    view->SelectRow(row);
    QString proposed;
    script.Then<QFileDialog>([&](QFileDialog* d) {
        proposed = d->selectedFiles().value(0);
        Choose(d, Path("mine.asx"));
    });
    view->actions().asxSaveAs->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(proposed, Path("rec/noname.asx"));

    // Read back as a playlist: exactly the one reference.
    // A playlist returns the row count before it was read; its address is
    // already listed, so no row is added.
    const int before = Rows();
    QCOMPARE(view->OpenEntry(Path("mine.asx"), QString(), QString()), before);
    QCOMPARE(Rows(), before);
    view->list().New(-1);
    QCOMPARE(view->OpenEntry(Path("mine.asx"), QString(), QString()), 0);
    QCOMPARE(Addresses(), QStringList{"mms://h/x.asf"});
}

void MainWindowTest::listFileSaves()
{
    MediaView* view = Window().view();
    // Nothing to save: no dialog.
    view->actions().saveAll->trigger();
    WriteText(Path("clip.asf"), QByteArray(10, 'x'));
    Window().OpenLaunch(LaunchMode::Open,
                        {"mms://h/a.asf&&A", Path("clip.asf"), "http://h/b.wmv&&B"});
    QCOMPARE(Rows(), 3);

    DialogScript script;
    const struct {
        QAction* action;
        const char* name;
        int records;
    } saves[] = {{view->actions().saveOnlyUrl, "url.kvx", 2},
                 {view->actions().saveOnlyFile, "file", 1},
                 {view->actions().saveAll, "all.kvx", 3}};
    for (const auto& s : saves) {
        script.Then<QFileDialog>(ChooseFile(Path(s.name)));
        s.action->trigger();
        QVERIFY2(script.done(), qPrintable(script.missed()));
        const QString written = Path(s.name).endsWith(".kvx") ? Path(s.name) : Path(s.name) + ".kvx";
        QCOMPARE(KvxAddresses(written).size(), s.records);
        QCOMPARE(QString::fromStdString(profile_->GetString("Path", "kvx", "")), written);
    }

    // Member credentials: the question says what it is about; Cancel
    // writes nothing at all, Yes stores them.
    Window().settings().m_memberUser = "member";
    Window().settings().m_memberPassword = "secret";
    QString question, explanation;
    script.Then<QFileDialog>(ChooseFile(Path("creds.kvx"))).Then<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        explanation = box->informativeText();
        ClickButton(box, QMessageBox::Cancel);
    });
    view->actions().saveAll->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(!QFile::exists(Path("creds.kvx")));
    QCOMPARE(question, QStringLiteral("Are you sure you want to save ID and Password?"));
    QVERIFY2(explanation.contains(QLatin1String("list file")) && explanation.contains(QLatin1String("login")),
             qPrintable(explanation));
    script.Then<QFileDialog>(ChooseFile(Path("creds.kvx")))
        .Then<QMessageBox>(Answer(QMessageBox::Yes));
    view->actions().saveAll->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    kvx::File file;
    QCOMPARE(KvxAddresses(Path("creds.kvx"), &file).size(), 3);
    QCOMPARE(QString::fromStdString(file.header.user), QStringLiteral("member"));

    // Opening the list as a file replaces the list with its rows and takes
    // its credentials.
    Window().settings().m_memberUser.clear();
    script.Then<QFileDialog>(ChooseFile(Path("all.kvx")));
    view->actions().open->trigger();
    QVERIFY(script.done());
    QCOMPARE(Addresses(), (QStringList{"mms://h/a.asf", Path("clip.asf"), "http://h/b.wmv"}));
    QCOMPARE(Cell(0, kColFile), QStringLiteral("A"));
    QVERIFY(Window().settings().m_memberUser.empty());
}

void MainWindowTest::dropFilesAndAddresses()
{
    WriteText(Path("a b.wma"), QByteArray(2048, 'x'));
    WriteText(Path("list.asx"), "<ASX version=\"3.0\"><Entry><ref href=\"mms://h/in-list.asf\"/></Entry></ASX>");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Path("a b.wma")), QUrl(QStringLiteral("mms://h/dropped.asf")),
                  QUrl::fromLocalFile(Path("list.asx"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &drop);
    QCOMPARE(Addresses(), (QStringList{Path("a b.wma"), "mms://h/dropped.asf", "mms://h/in-list.asf"}));
    QCOMPARE(Cell(0, kColSize), QStringLiteral("2K"));

    // Dropped names are not split at "&&".
    QMimeData text;
    text.setText(QStringLiteral("mms://h/x&&y\n"));
    QDragEnterEvent enterText(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &enterText);
    QVERIFY(enterText.isAccepted());
    QDropEvent dropText(QPointF(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &dropText);
    QCOMPARE(Addresses().last(), QStringLiteral("mms://h/x&&y"));
}

void MainWindowTest::launchArgumentsAndRecordRule()
{
    MediaView* view = Window().view();
    QSignalSpy played(view, &MediaView::playRequested);
    QSignalSpy recorded(view, &MediaView::recordRequested);
    Window().OpenLaunch(LaunchMode::Play, {"mms://h/a.asf&&Title A&&1"});
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Title A"));
    QCOMPARE(played.size(), 1);
    Window().OpenLaunch(LaunchMode::Record, {"mms://h/b.asf"});
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(recorded.last().at(0).toInt(), 1);
    // With a busy row the new entry is added and selected, nothing starts.
    view->list().SetItemData(0, 3);
    Window().OpenLaunch(LaunchMode::Record, {"mms://h/c.asf"});
    QCOMPARE(recorded.size(), 1);
    QCOMPARE(view->SelectedRow(), 2);
    // Open plays as Play does; a launch argument naming a list file is
    // remembered.
    Window().OpenLaunch(LaunchMode::Open, {Path("missing.kvx")});
    QCOMPARE(played.size(), 2);
    QCOMPARE(QString::fromStdString(profile_->GetString("Path", "kvx", "")), Path("missing.kvx"));
    // A hand-over does the same.
    Window().HandOver(LaunchMode::Play, {"mms://h/d.asf"});
    QCOMPARE(played.size(), 3);
    QCOMPARE(Addresses().last(), QStringLiteral("mms://h/d.asf"));
}

void MainWindowTest::preferencesWriteTheProfile()
{
    profile_->WriteString("settings\\NSPlyer", "player0", "NSPlayer/7.0");
    profile_->WriteString("RecentUrl\\Url", "item0", "mms://h/old");
    profile_->WriteString("FileMRUList\\url", "File0", "/old.kvx");

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
    Window().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));

    Profile& p = *profile_;
    QCOMPARE(p.GetString("settings", "base dir", ""), S(Path("new/base")));
    QVERIFY(QFileInfo(Path("new/base")).isDir());
    QCOMPARE(p.GetInt("settings", "OverWrite", -1), 0);
    QCOMPARE(p.GetInt("settings", "Resumable", -1), 0);
    QCOMPARE(p.GetInt("settings", "Live Content Save Time Info", -1), 0);
    QCOMPARE(p.GetInt("settings", "size policy", -1), 1);
    QCOMPARE(p.GetInt("settings", "Max Size", -1), 250);
    QCOMPARE(p.GetInt("settings", "time policy", -1), 1);
    QCOMPARE(p.GetInt("settings", "Max Time", -1), 5400);
    QCOMPARE(p.GetInt("settings", "URL Check Parallel", -1), 3);
    QCOMPARE(p.GetInt("settings", "URL Check Seconds", -1), 45);
    QCOMPARE(p.GetInt("settings", "Reconnect", -1), 0);
    QCOMPARE(p.GetInt("settings", "Allow Multiple Instances", -1), 1);
    QCOMPARE(p.GetInt("settings", "Save Play List", -1), 1);
    QCOMPARE(p.GetInt("settings", "Save Full Pos", -1), 1);
    QCOMPARE(p.GetInt("settings", "Tool Tip", -1), 0);
    QCOMPARE(p.GetInt("settings", "Use Proxy", -1), 1);
    QCOMPARE(p.GetString("settings", "Proxy SAerver", ""), std::string("proxy.example"));
    QCOMPARE(p.GetInt("settings", "Proxy Port", -1), 3128);
    QCOMPARE(p.GetInt("settings", "Bypass Proxy", -1), 0);
    QCOMPARE(p.GetString("settings\\NSPlyer", "player0", ""), std::string("NSPlayer/7.0"));
    QCOMPARE(p.GetString("settings\\NSPlyer", "player1", ""), std::string("NSPlayer/9.0.0.2980; {3300AD50-2C39-46c0-AE0A-59FCD8CF430E}"));
    QCOMPARE(p.GetString("settings\\NSPlyer", "player2", ""), std::string("NSPlayer/11.0"));
    QCOMPARE(Window().settings().m_playerAgent, std::string("NSPlayer/11.0"));
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
    Window().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(p.GetString("RecentUrl\\Url", "item0", "gone"), std::string("gone"));
    QCOMPARE(p.GetString("FileMRUList\\url", "File0", "gone"), std::string("gone"));
    QVERIFY(Window().view()->recentFiles().isEmpty());
}

void MainWindowTest::credentialDialogRefusesEmptyFields()
{
    CredentialDialog dialog(QStringLiteral("media.example"), QStringLiteral("user"), QString());
    dialog.show();
    dialog.accept();
    QVERIFY2(dialog.isVisible(), "OK with an empty password must keep the dialog open");
    dialog.passwordEdit()->setText(QStringLiteral("pw"));
    dialog.userEdit()->clear();
    dialog.accept();
    QVERIFY(dialog.isVisible());
    dialog.userEdit()->setText(QStringLiteral("user"));
    dialog.accept();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // Set Authentication: the member credentials, stored on request; typed
    // here, they belong to no server.
    Window().settings().m_memberAddress = "mms://list.example/a.asf";
    DialogScript script;
    script.Then<CredentialDialog>([](CredentialDialog* d) {
        d->userEdit()->setText(QStringLiteral("member"));
        d->passwordEdit()->setText(QStringLiteral("secret"));
        d->saveBox()->setChecked(true);
        d->accept();
    });
    Window().view()->actions().setAuthentication->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Window().settings().m_memberUser, std::string("member"));
    QCOMPARE(Window().settings().m_memberPassword, std::string("secret"));
    QVERIFY(Window().settings().m_memberAddress.empty());
    QCOMPARE(profile_->GetString("NetPassword\\Set user", "Password", ""), std::string("secret"));
}

void MainWindowTest::frameTogglesAndClose()
{
    MainWindow& w = Window();
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
    profile_->WriteInt("position", "full mode x", 10);
    profile_->WriteInt("position", "full mode y", 20);
    profile_->WriteInt("position", "full mode cx", 640);
    profile_->WriteInt("position", "full mode cy", 480);
    const QRect normal = w.geometry();
    w.actions().bigScreen->trigger();
    QVERIFY(w.bigScreen());
    QCOMPARE(w.geometry().size(), QSize(640, 480));
    QVERIFY(!w.menuBar()->isVisible());
    w.actions().bigScreen->trigger();
    QVERIFY(!w.bigScreen());
    QVERIFY(w.menuBar()->isVisible());
    QCOMPARE(w.geometry().size(), normal.size());
    QCOMPARE(profile_->GetInt("position", "full mode cx", 0), 640);

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

void MainWindowTest::automaticListFile()
{
    const QString autoList = MediaView::AutoListPath();
    QCOMPARE(autoList, Path("data/Brimcast/brimcast.kvx"));
    Window().settings().m_savePlayList = 1;
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/kept.asf&&Kept"});
    Reopen();
    QCOMPARE(Addresses(), QStringList{"mms://h/kept.asf"});
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Kept"));
    // Turned off, the file goes at exit.
    Window().settings().m_savePlayList = 0;
    Reopen();
    QVERIFY(!QFile::exists(autoList));
    QCOMPARE(Rows(), 0);
}

void MainWindowTest::webPages()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    Window().view()->actions().asxDataBank->trigger();
    Window().view()->actions().kvxDataBank->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls, (QList<QUrl>{QUrl(QString::fromLatin1(MediaView::kAsxDataBankUrl)),
                                        QUrl(QString::fromLatin1(MediaView::kKvxDataBankUrl))}));
}

void MainWindowTest::workerQuestionsAndCancel()
{
    QtUserPrompts& prompts = Window().view()->prompts();
    // A worker's question is shown on the main thread and answered there.
    DialogScript script;
    script.Then<QMessageBox>([](QMessageBox* box) {
        box->checkBox()->setChecked(true);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QLatin1String("Pass"))
                b->click();
    });
    UserPrompts::FileExists answer = UserPrompts::FileExists::Ok;
    bool all = false;
    std::thread worker([&] {
        answer = prompts.AskFileExists("/rec/a.asf \n\n File exist.", all, CancelSignal::Never());
    });
    QTRY_VERIFY(script.answered() == 1);
    QTRY_VERIFY_WITH_TIMEOUT(answer == UserPrompts::FileExists::Pass, 5000);
    worker.join();
    QVERIFY(all);

    // A stop while the dialog is open gives the worker the cancel answer at
    // once and closes the dialog.
    CancelSignal stop;
    std::atomic<int> result{-1};
    std::thread asking([&] {
        result = prompts.AskCredentials("media.example", "u", "", stop).accepted ? 1 : 0;
    });
    // The stop comes while the dialog is open (from the script's timer; the
    // dialog runs the main thread's event loop meanwhile).
    script.Then<CredentialDialog>([&stop](CredentialDialog*) { stop.Cancel(); });
    QTRY_COMPARE(result.load(), 0);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    asking.join();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);

    // Not interactive (shutdown by a signal): no dialog, the safe answers.
    prompts.SetInteractive(false);
    QVERIFY(!prompts.AskYesNo("delete?", CancelSignal::Never()));
    QCOMPARE(prompts.AskYesNoCancel("store?", CancelSignal::Never()), UserPrompts::YesNoCancel::No);
    prompts.SetInteractive(true);
}

void MainWindowTest::rowsFollowedByIdAndLocaleWords()
{
    MediaView* view = Window().view();
    MediaList& list = view->list();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf", "mms://h/b.asf", "mms://h/c.asf"});
    view->SetPlayingRow(2);
    const uint64_t b = list.IdAt(1);
    QCOMPARE(view->model()->index(1, 0).data(MediaListModel::RowIdRole).toULongLong(), b);

    // The row's state shows in its "Record" cell; a removal above it moves
    // the playing row with it.
    list.Update(b, [](MediaItem& r) { ShowRecordingEnd(r, RowState::Completed, "/rec/b.asf", ""); });
    list.DeleteRows({0}, view->playingRow());
    QCOMPARE(view->playingRow(), 1);
    QCOMPARE(view->model()->RowOf(b), 0);
    QCOMPARE(Cell(0, kColRecord), QStringLiteral("completed"));
    QCOMPARE(view->model()->index(0, 0).data(MediaListModel::StateRole).toInt(),
             int(RowState::Completed));
    QCOMPARE(Cell(0, kColRecordingFile), QStringLiteral("/rec/b.asf"));

    // Under a Korean locale the completed and cancelled words are Korean,
    // as is the window; the list's own texts stay as they are.
    InstallTranslations(*QCoreApplication::instance(), QLocale(QLocale::Korean, QLocale::SouthKorea));
    list.Update(list.IdAt(1), [](MediaItem& r) { ShowRecordingEnd(r, RowState::Cancelled, "/rec/c.asf", ""); });
    QCOMPARE(Cell(0, kColRecord), QString::fromUtf8("\xEC\x99\x84\xEB\xA3\x8C"));
    QCOMPARE(Cell(1, kColRecord), QString::fromUtf8("\xEC\xB7\xA8\xEC\x86\x8C"));
    QCOMPARE(view->model()->headerData(kColFile, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString::fromUtf8("\xED\x8C\x8C\xEC\x9D\xBC"));
    QCOMPARE(Cell(0, kColRecordingFile), QStringLiteral("/rec/b.asf"));
    // The core's status words show in Korean; the list keeps them as written.
    list.AddEntry("mms://h/d.asf", "", " ", "");
    list.SetCell(2, kColRecord, ReconnectingText(3));
    list.SetCell(2, kColSize, kSizeErrorText);
    QCOMPARE(Cell(2, kColRecord), QStringLiteral("다시 연결 중 (3)"));
    QCOMPARE(Cell(2, kColSize), QStringLiteral("오류"));
    QCOMPARE(list.Cell(2, kColRecord), ReconnectingText(3));
    SetDisplayLanguage(DisplayLanguage::English);
}

void MainWindowTest::listFileCredentialsAreProbed()
{
    // A server that lets in only member2:pw2.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int requests = 0;
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket* s = server.nextPendingConnection();
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QTcpSocket::readyRead, s, [&requests, s] {
            const QByteArray head = s->peek(65536);
            if (!head.contains("\r\n\r\n"))
                return;
            ++requests;
            const bool let = head.contains("Authorization: Basic " + QByteArray("member2:pw2").toBase64());
            s->write(let ? "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"
                         : "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n"
                           "Content-Length: 0\r\n\r\n");
            s->disconnectFromHost();
        });
    });
    kvx::Header header;
    header.user = "member";
    header.password = "old";
    kvx::Record record;
    record.title = "Members";
    record.address = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/stream.asf";
    uint8_t head[kvx::kHeaderSize];
    uint8_t rec[kvx::kRecordSize];
    kvx::EncodeHeader(header, head);
    kvx::EncodeRecord(record, rec);
    WriteText(Path("members.kvx"), QByteArray(reinterpret_cast<const char*>(head), sizeof head) +
                                       QByteArray(reinterpret_cast<const char*>(rec), sizeof rec));

    DialogScript script;
    script.Then<CredentialDialog>([](CredentialDialog* d) {
        d->userEdit()->setText(QStringLiteral("member2"));
        d->passwordEdit()->setText(QStringLiteral("pw2"));
        d->accept();
    });
    QCOMPARE(Window().view()->OpenEntry(Path("members.kvx"), QString(), QString()), 0);
    QCOMPARE(Window().settings().m_memberUser, std::string("member"));
    QTRY_COMPARE_WITH_TIMEOUT(Window().settings().m_memberUser, std::string("member2"), 15000);
    QCOMPARE(Window().settings().m_memberPassword, std::string("pw2"));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QTRY_VERIFY(!Window().view()->probeRunning());
    QVERIFY(requests >= 2);
}

void MainWindowTest::modelStaysConsistent()
{
    // Qt's model checker follows every signal of the model while the list
    // grows, changes, loses a few rows (one by one) and many (a reset).
    MediaView* view = Window().view();
    QAbstractItemModelTester tester(view->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    MediaList& list = view->list();
    for (int i = 0; i < 60; ++i)
        list.AddEntry("mms://h/" + std::to_string(i), "", " ", "");
    list.InsertEntry(5, "mms://h/inserted");
    list.SetCell(7, kColInfo, "note");
    list.SetItemData(3, 9);
    view->SelectRow(40);
    list.DeleteRows({1, 2, 3, 4}, -1);
    QCOMPARE(Rows(), 58);  // the busy row stays
    QCOMPARE(Cell(1, kColOriginalFile), QStringLiteral("mms://h/3"));
    view->SetPlayingRow(10);
    const QString playing = Cell(10, kColOriginalFile);
    DialogScript script;
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    view->actions().newList->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Rows(), 2);
    QCOMPARE(Addresses(), (QStringList{"mms://h/3", playing}));
    QCOMPARE(view->playingRow(), 1);
    QCOMPARE(view->table()->model()->rowCount(), 2);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

void MainWindowTest::checkedRowsDescribeTheirStream()
{
    // The words of an earlier test's Korean locale go.
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    MediaView* view = Window().view();
    MediaList& list = view->list();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/cam.asf", "mms://h/noted.asf"});
    list.SetCell(1, kColInfo, "my note");
    QVERIFY(view->table()->isColumnHidden(kColInfo));
    StreamInfo info;
    info.transport = StreamTransport::Rtsp;
    info.delivery = StreamDelivery::OnDemand;
    info.durationMs = 3723000;
    info.bitrate = 364000;
    info.title = "Harbour Camera";
    for (int row : {0, 1})
        list.Update(list.IdAt(row), [&](MediaItem& r) { ShowCheckResult(r, true, info); });

    // The description in the Info cell, which shows now; a user's text stays.
    QVERIFY(!view->table()->isColumnHidden(kColInfo));
    QVERIFY(view->table()->columnWidth(kColInfo) > 0);
    QCOMPARE(Cell(0, kColInfo), QStringLiteral("RTSP, on demand, 1:02:03, 364 kbps, Harbour Camera"));
    QCOMPARE(Cell(1, kColInfo), QStringLiteral("my note"));
    // Every fact a line in the tool tip of the Record and Info cells.
    const QString tip = QStringLiteral("Protocol: RTSP\nOn demand\nDuration: 1:02:03\nBit rate: 364 kbps\n"
                                       "Title: Harbour Camera");
    for (int row : {0, 1}) {
        for (int column : {kColRecord, kColInfo})
            QCOMPARE(view->model()->index(row, column).data(Qt::ToolTipRole).toString(), tip);
    }
    // A row that fails later has no description left.
    list.Update(list.IdAt(0), [](MediaItem& r) { ShowCheckResult(r, false); });
    QCOMPARE(Cell(0, kColInfo), QString());
    QCOMPARE(view->model()->index(0, kColRecord).data(Qt::ToolTipRole).toString(), QStringLiteral("Error"));
}

void MainWindowTest::AttachSilentPlayer()
{
    player::PlayerOptions silent;
    silent.audio = false;
    Window().AttachPlayback(new player::Playback(*Window().view(), Window().settings(), *profile_, silent));
}

void MainWindowTest::rowCommandsFollowAClick()
{
    MediaView* view = Window().view();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf", "mms://h/b.asf", "mms://h/c.asf"});
    view->table()->selectionModel()->clear();
    const MediaView::Actions& a = view->actions();
    const QList<QAction*> rowCommands = {a.deleteRow, a.copyClipboard, a.modifyUrl, a.modifyFileName, a.play};
    for (QAction* command : rowCommands)
        QVERIFY(!command->isEnabled());

    // One click on a row, and the row's commands are there.
    QSignalSpy played(view, &MediaView::playRequested);
    const QRect rect = view->table()->visualRect(view->ViewIndex(1, kColFile));
    QTest::mouseClick(view->table()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(view->SelectedRow(), 1);
    for (QAction* command : rowCommands)
        QVERIFY2(command->isEnabled(), qPrintable(command->text()));

    // Enter plays it, Del asks and deletes it.
    QTest::keyClick(view->table(), Qt::Key_Return);
    QCOMPARE(played.size(), 1);
    QCOMPARE(played.last().at(0).toInt(), 1);
    DialogScript script;
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    QTest::keyClick(view->table(), Qt::Key_Delete);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/a.asf", "mms://h/c.asf"}));
}

void MainWindowTest::keysAndMnemonicsAreUnique()
{
    AttachSilentPlayer();
    MainWindow& w = Window();
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
    MediaView* view = Window().view();
    Window().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf&&Alpha"});
    QStringList problems = Nameless(&Window());

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
    Window().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QDialog* tools[] = {Window().ShowCut(), Window().ShowFileInfo(Path("none.asf"))};
    for (QDialog* d : tools) {
        QVERIFY(QTest::qWaitForWindowExposed(d));
        problems << Nameless(d) << KeyboardProblems(d);
        d->close();
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void MainWindowTest::listLayoutAndWindowKeptBetweenRuns()
{
    Window().settings().m_savePlayList = 1;
    Window().OpenLaunch(LaunchMode::Open,
                        {"mms://h/b.asf&&Bravo", "mms://h/a.asf&&Alpha", "mms://h/c.asf&&Charlie"});
    QTableView* table = Window().view()->table();
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
    Window().view()->SelectRow(0);
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(Window().view()->SelectedRow(), 0);

    header->resizeSection(kColType, 77);
    header->moveSection(header->visualIndex(kColSize), 1);
    Window().resize(800, 600);
    Window().move(40, 30);
    Reopen();
    table = Window().view()->table();
    header = table->horizontalHeader();
    QCOMPARE(shownTitles(), (QStringList{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(header->sortIndicatorSection(), int(kColFile));
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(header->sectionSize(kColType), 77);
    QCOMPARE(header->visualIndex(kColSize), 1);
    QCOMPARE(Window().size(), QSize(800, 600));
    QCOMPARE(Window().pos(), QPoint(40, 30));
    // Sizes the screen cannot show are cut to it.
    QCOMPARE(MainWindow::StartSize(5000, 4000, QSize(1280, 1024)), QSize(1280, 1024));
    QCOMPARE(MainWindow::StartSize(0, 0, QSize(1280, 1024)), QSize(MainWindow::kWidth, MainWindow::kHeight));
}
