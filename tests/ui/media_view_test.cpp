// The media view and its list commands, driven through their actions in the
// real window. Every dialog is answered by the test.
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
#include <QTest>

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
    void modifyInfoAndClipboard();
    void asxSaveAndSaveAs();
    void listFileSaves();
    void workerQuestionsAndCancel();
    void modelStaysConsistent();
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

    // Both files are recent files now, the last one first.
    QCOMPARE(view->recentFiles(), (QStringList{Path("two.asx"), Path("clip.wmv")}));
    QCOMPARE(view->recentMenu()->actions().size(), 2);
}

void MediaViewTest::urlOpenAddsOnceAndKeepsHistory()
{
    MediaView* view = W().view();
    QSignalSpy played(view, &MediaView::playRequested);
    DialogScript script;
    script.Then<UrlOpenDialog>([](UrlOpenDialog* d) {
        d->editor()->setPlainText(" mms://h/a.asf \n\nmms://h/a.asf\nhttp://h/b.wmv\n");
        d->addButton()->click();
    });
    view->actions().urlOpen->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/a.asf", "http://h/b.wmv"}));
    QCOMPARE(played.size(), 0);
    QCOMPARE(view->SelectedRow(), 0);

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

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    view->actions().copyClipboard->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("mms://h/changed.asf"));
    // The title's tool tip names the address (rows of one title apart).
    QCOMPARE(view->model()->index(0, kColFile).data(Qt::ToolTipRole).toString(),
             QStringLiteral("Evening News\nmms://h/changed.asf"));
}

void MediaViewTest::asxSaveAndSaveAs()
{
    // Save names the file after the row in the base folder, never with the
    // title's path signs.
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/live.asf&&Live: News?"});
    view->SelectRow(0);
    view->actions().asxSave->trigger();
    QVERIFY(ReadAll(Path("rec/Live_ News_.asx")).contains("<ref href=\"mms://h/live.asf\"/>"));

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

    // With member credentials the user is asked first; Cancel writes nothing.
    W().settings().m_memberUser = "member";
    W().settings().m_memberPassword = "secret";
    script.Then<QFileDialog>(ChooseFile(Path("creds.kvx"))).Then<QMessageBox>(Answer(QMessageBox::Cancel));
    view->actions().saveAll->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(!QFile::exists(Path("creds.kvx")));
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

    // Not interactive (shutdown by a signal): no dialog, the safe answers.
    prompts.SetInteractive(false);
    QVERIFY(!prompts.AskYesNo("delete?", CancelSignal::Never()));
    QCOMPARE(prompts.AskYesNoCancel("store?", CancelSignal::Never()), UserPrompts::YesNoCancel::No);
    prompts.SetInteractive(true);
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
    dialog.accept();
    QVERIFY(!dialog.isVisible());

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
