// The media view and its list commands (File and Edit menus, the row
// commands, the credential probe, the model), driven through their actions
// in the real window. Every dialog is answered by the test.
#include <atomic>
#include <thread>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTranslator>

#include "app/translations.h"
#include "base/display_text.h"
#include "desktop_fixture.h"
#include "dialog_script.h"
#include "kvx_read.h"
#include "medialist/row_status.h"
#include "ui/credential_dialog.h"
#include "ui/qt_text.h"
#include "ui/qt_user_prompts.h"
#include "ui/recent_list.h"
#include "ui/url_open_dialog.h"

class MediaViewTest : public QObject, public DesktopFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QuietOffscreenWarnings();
    }
    void init() { Start(); }
    void cleanup() { Stop(); }

    void openReplacesAndOpenAsKeeps();
    void urlOpenAddsOnceAndKeepsHistory();
    void deleteRulesAndNew();
    void modifyInfoAndClipboard();
    void asxSaveAndSaveAs();
    void listFileSaves();
    void automaticListFile();
    void workerQuestionsAndCancel();
    void rowsFollowedByIdAndLocaleWords();
    void listFileCredentialsAreProbed();
    void modelStaysConsistent();
    void checkedRowsDescribeTheirStream();
    void rowCommandsFollowAClick();
    void credentialDialogRefusesEmptyFields();
};

void MediaViewTest::openReplacesAndOpenAsKeeps()
{
    MediaView* view = W().view();
    WriteText(Path("two.asx"),
              "<ASX version=\"3.0\">\n<Entry><TITLE>One</TITLE><ref href=\"mms://h/one.asf\"/></Entry>\n"
              "<Entry><TITLE>Two</TITLE><ref href=\"mms://h/two.asf\"/></Entry>\n</ASX>\n");
    WriteText(Path("clip.wmv"), QByteArray(3000, 'x'));
    W().OpenLaunch(LaunchMode::Open, {"mms://h/before.asf"});
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
    QCOMPARE(QString::fromStdString(P().GetString("Path", "video", "")), Home());

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
    QCOMPARE(QString::fromStdString(P().GetString("FileMRUList\\url", "File0", "")),
             Path("two.asx"));
    QCOMPARE(view->recentMenu()->actions().size(), 2);

    // Cancelling the dialog changes nothing.
    script.Then<QFileDialog>([](QFileDialog* d) { d->reject(); });
    view->actions().open->trigger();
    QVERIFY(script.done());
    QCOMPARE(Rows(), 3);
}

void MediaViewTest::urlOpenAddsOnceAndKeepsHistory()
{
    MediaView* view = W().view();
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
    QCOMPARE(QString::fromStdString(P().GetString("RecentUrl\\Url", "item0", "")),
             QStringLiteral("mms://h/a.asf"));
    QCOMPARE(QString::fromStdString(P().GetString("RecentUrl\\Url", "item1", "")),
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
    RecentList history = RecentList::UrlHistory(P());
    for (int i = 0; i < 40; ++i)
        history.Add(QStringLiteral("mms://h/%1").arg(i));
    RecentList again = RecentList::UrlHistory(P());
    QCOMPARE(again.Items().size(), 30);
    QCOMPARE(again.Items().first(), QStringLiteral("mms://h/39"));
}

void MediaViewTest::deleteRulesAndNew()
{
    // (Which rows a deletion or New keeps is the list's own rule.)
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a", "mms://h/b", "mms://h/c", "mms://h/d"});
    view->SetPlayingRow(3);  // d plays
    DialogScript script;
    // No keeps the row; Yes by the Delete key on the list deletes it.
    view->SelectRow(0);
    script.Then<QMessageBox>(Answer(QMessageBox::No));
    view->actions().deleteRow->trigger();
    QVERIFY(script.done());
    QCOMPARE(Rows(), 4);
    view->table()->setFocus();
    W().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&W()));
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    QTest::keyClick(view->table(), Qt::Key_Delete);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/b", "mms://h/c", "mms://h/d"}));

    // Nothing selected: no question at all.
    view->table()->selectionModel()->clear();
    view->actions().deleteRow->trigger();
    QCOMPARE(Rows(), 3);

    // New (Ctrl+N) asks first and keeps the playing row.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        W().activateWindow();  // back from the last question
        QVERIFY(QTest::qWaitForWindowActive(&W()));
        QCOMPARE(Rows(), 3);
        script.Then<QMessageBox>(Answer(answer));
        QTest::keyClick(view->table(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY2(script.done(), qPrintable(script.missed()));
    }
    QCOMPARE(Addresses(), QStringList{"mms://h/d"});
}

void MediaViewTest::modifyInfoAndClipboard()
{
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf"});
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
    W().settings().m_toolTip = 0;
    view->SettingsChanged();
    QVERIFY(!title.data(Qt::ToolTipRole).isValid());
}

void MediaViewTest::asxSaveAndSaveAs()
{
    // (What an ASX file holds, and the question before one is replaced, are
    // the writer's own.) Save names the file after the row in the base folder.
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/live.asf&&Live: News?"});
    view->SelectRow(0);
    view->actions().asxSave->trigger();
    QVERIFY(ReadAll(Path("rec/Live_ News_.asx")).contains("<ref href=\"mms://h/live.asf\"/>"));

    // Save As with a row without a title proposes noname.asx.
    W().OpenLaunch(LaunchMode::Open, {"mms://h/x.asf&&"});
    const int row = Rows() - 1;
    view->list().SetCell(row, kColFile, "");
    view->SelectRow(row);
    QString proposed;
    DialogScript script;
    script.Then<QFileDialog>([&](QFileDialog* d) {
        proposed = d->selectedFiles().value(0);
        Choose(d, Path("mine.asx"));
    });
    view->actions().asxSaveAs->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(proposed, Path("rec/noname.asx"));
    QVERIFY(ReadAll(Path("mine.asx")).contains("<ref href=\"mms://h/x.asf\"/>"));
}

void MediaViewTest::listFileSaves()
{
    MediaView* view = W().view();
    // Nothing to save: no dialog.
    view->actions().saveAll->trigger();
    WriteText(Path("clip.asf"), QByteArray(10, 'x'));
    W().OpenLaunch(LaunchMode::Open,
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
        QCOMPARE(QString::fromStdString(P().GetString("Path", "kvx", "")), written);
    }

    // Member credentials: the question says what it is about; Cancel
    // writes nothing at all. (Yes, and reading them back, are the list's.)
    W().settings().m_memberUser = "member";
    W().settings().m_memberPassword = "secret";
    QString question, explanation;
    script.Then<QFileDialog>(ChooseFile(Path("creds.kvx"))).Then<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        explanation = box->informativeText();
        box->button(QMessageBox::Cancel)->click();
    });
    view->actions().saveAll->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(!QFile::exists(Path("creds.kvx")));
    QCOMPARE(question, QStringLiteral("Are you sure you want to save ID and Password?"));
    QVERIFY2(explanation.contains(QLatin1String("list file")) && explanation.contains(QLatin1String("login")),
             qPrintable(explanation));
}

void MediaViewTest::automaticListFile()
{
    const QString autoList = MediaView::AutoListPath();
    QCOMPARE(autoList, Path("data/Brimcast/brimcast.kvx"));
    W().settings().m_savePlayList = 1;
    W().OpenLaunch(LaunchMode::Open, {"mms://h/kept.asf&&Kept"});
    Reopen();
    QCOMPARE(Addresses(), QStringList{"mms://h/kept.asf"});
    QCOMPARE(Cell(0, kColFile), QStringLiteral("Kept"));
    // Turned off, the file goes at exit.
    W().settings().m_savePlayList = 0;
    Reopen();
    QVERIFY(!QFile::exists(autoList));
    QCOMPARE(Rows(), 0);
}

void MediaViewTest::workerQuestionsAndCancel()
{
    QtUserPrompts& prompts = W().view()->prompts();
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

void MediaViewTest::rowsFollowedByIdAndLocaleWords()
{
    MediaView* view = W().view();
    MediaList& list = view->list();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf", "mms://h/b.asf", "mms://h/c.asf"});
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

void MediaViewTest::listFileCredentialsAreProbed()
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
    WriteText(Path("members.kvx"),
              KvxWithLogin("member", "old", "Members",
                           "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/stream.asf"));

    DialogScript script;
    script.Then<CredentialDialog>([](CredentialDialog* d) {
        d->userEdit()->setText(QStringLiteral("member2"));
        d->passwordEdit()->setText(QStringLiteral("pw2"));
        d->accept();
    });
    QCOMPARE(W().view()->OpenEntry(Path("members.kvx"), QString(), QString()), 0);
    QCOMPARE(W().settings().m_memberUser, std::string("member"));
    QTRY_COMPARE_WITH_TIMEOUT(W().settings().m_memberUser, std::string("member2"), 15000);
    QCOMPARE(W().settings().m_memberPassword, std::string("pw2"));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QTRY_VERIFY(!W().view()->probeRunning());
    QVERIFY(requests >= 2);
}

void MediaViewTest::modelStaysConsistent()
{
    // Qt's model checker follows every signal of the model while the list
    // grows, changes, loses a few rows (one by one) and many (a reset).
    MediaView* view = W().view();
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

void MediaViewTest::checkedRowsDescribeTheirStream()
{
    // The words of an earlier test's Korean locale go.
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    MediaView* view = W().view();
    MediaList& list = view->list();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/cam.asf", "mms://h/noted.asf"});
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

void MediaViewTest::rowCommandsFollowAClick()
{
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf", "mms://h/b.asf", "mms://h/c.asf"});
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

void MediaViewTest::credentialDialogRefusesEmptyFields()
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
    W().settings().m_memberAddress = "mms://list.example/a.asf";
    DialogScript script;
    script.Then<CredentialDialog>([](CredentialDialog* d) {
        d->userEdit()->setText(QStringLiteral("member"));
        d->passwordEdit()->setText(QStringLiteral("secret"));
        d->saveBox()->setChecked(true);
        d->accept();
    });
    W().view()->actions().setAuthentication->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(W().settings().m_memberUser, std::string("member"));
    QCOMPARE(W().settings().m_memberPassword, std::string("secret"));
    QVERIFY(W().settings().m_memberAddress.empty());
    QCOMPARE(P().GetString("NetPassword\\Set user", "Password", ""), std::string("secret"));
}

QTEST_MAIN(MediaViewTest)
#include "media_view_test.moc"
