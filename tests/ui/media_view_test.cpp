// The media view and its list commands, driven through their actions in the
// real window. Every dialog is answered by the test.
#include <thread>

#include <QtTest>
#include <QtWidgets>

#include "base/display_text.h"
#include "desktop_fixture.h"
#include "dialog_script.h"
#include "kvx_read.h"
#include "medialist/row_status.h"
#include "ui/qt_text.h"
#include "ui/qt_user_prompts.h"
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

    void openCommandsReplaceOrAddOnce();
    void modifyAddressTitleAndCopy();
    void asxSaveNamesTheFileSafely();
    void listFileSaves();
    void workerQuestionsAndCancel();
    void modelStaysConsistent();
    void rowCommandsFollowAClick();
    void credentialDialogRefusesEmptyFields();
};

void MediaViewTest::openCommandsReplaceOrAddOnce()
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
    QVERIFY2(script.Run(view->actions().open), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/one.asf", "mms://h/two.asf"}));
    QCOMPARE(view->SelectedRow(), 0);
    QCOMPARE(played.size(), 1);
    QCOMPARE(played.last().at(0).toInt(), 0);

    // Open As keeps the list; a local file gets its size; the same playlist
    // again adds nothing new (same addresses).
    script.Then<QFileDialog>(ChooseFile(Path("clip.wmv")));
    view->actions().openAs->trigger();
    script.Then<QFileDialog>(ChooseFile(Path("two.asx")));
    QVERIFY2(script.Run(view->actions().openAs), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/one.asf", "mms://h/two.asf", Path("clip.wmv")}));
    QCOMPARE(Cell(2, kColSize), QStringLiteral("2K"));

    // URL Open adds each address once, and plays nothing.
    played.clear();
    script.Then<UrlOpenDialog>([](UrlOpenDialog* d) {
        d->editor()->setPlainText(" mms://h/a.asf \n\nmms://h/a.asf\nmms://h/one.asf\n");
        d->addButton()->click();
    });
    QVERIFY2(script.Run(view->actions().urlOpen), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/one.asf", "mms://h/two.asf", Path("clip.wmv"), "mms://h/a.asf"}));
    QCOMPARE(played.size(), 0);
}

void MediaViewTest::modifyAddressTitleAndCopy()
{
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf"});
    view->SelectRow(0);
    DialogScript script;
    script.Then<QInputDialog>(EnterText(QStringLiteral("mms://h/changed.asf")));
    view->actions().modifyUrl->trigger();
    script.Then<QInputDialog>(EnterText(QStringLiteral("Evening News")));
    QVERIFY2(script.Run(view->actions().modifyFileName), qPrintable(script.missed()));
    QCOMPARE(Cell(0, kColOriginalFile) + '|' + Cell(0, kColFile), QStringLiteral("mms://h/changed.asf|Evening News"));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    view->actions().copyClipboard->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("mms://h/changed.asf"));
}

void MediaViewTest::asxSaveNamesTheFileSafely()
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
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf&&A", Path("clip.asf"), "http://h/b.wmv&&B"});
    QCOMPARE(Rows(), 3);

    DialogScript script;
    const std::tuple<QAction*, const char*, int> saves[] = {
        {view->actions().saveOnlyUrl, "url.kvx", 2}, {view->actions().saveOnlyFile, "file", 1},
        {view->actions().saveAll, "all.kvx", 3}};
    for (const auto& [action, name, records] : saves) {
        script.Then<QFileDialog>(ChooseFile(Path(name)));
        QVERIFY2(script.Run(action), qPrintable(script.missed()));
        const QString written = Path(name).endsWith(".kvx") ? Path(name) : Path(name) + ".kvx";
        QCOMPARE(KvxAddresses(written).size(), records);
        QCOMPARE(QString::fromStdString(P().GetString("Path", "kvx", "")), written);
    }

    // With member credentials the user is asked first; Cancel writes nothing.
    W().settings().m_memberUser = "member";
    W().settings().m_memberPassword = "secret";
    script.Then<QFileDialog>(ChooseFile(Path("creds.kvx"))).Then<QMessageBox>(Answer(QMessageBox::Cancel));
    QVERIFY2(script.Run(view->actions().saveAll), qPrintable(script.missed()));
    QVERIFY(!QFile::exists(Path("creds.kvx")));
}

void MediaViewTest::workerQuestionsAndCancel()
{
    QtUserPrompts& prompts = W().view()->prompts();
    // A worker's question is shown on the main thread and answered there.
    DialogScript script;
    script.Then<QMessageBox>([](QMessageBox* box) {
        box->checkBox()->setChecked(true);
        Click("Pass")(box);
    });
    UserPrompts::FileExists answer = UserPrompts::FileExists::Ok;
    bool all = false;
    std::thread worker([&] {
        answer = prompts.AskFileExists("/rec/a.asf \n\n File exist.", all, CancelSignal::Never());
    });
    QTRY_VERIFY_WITH_TIMEOUT(answer == UserPrompts::FileExists::Pass, 5000);
    worker.join();
    QVERIFY(all && script.answered() == 1);

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
    QAbstractItemModelTester tester(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
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
    QVERIFY2(script.Run(view->actions().newList), qPrintable(script.missed()));
    QCOMPARE(Addresses(), (QStringList{"mms://h/3", playing}));
    QVERIFY(view->playingRow() == 1 && view->table()->model()->rowCount() == 2);
}

void MediaViewTest::rowCommandsFollowAClick()
{
    MediaView* view = W().view();
    W().OpenLaunch(LaunchMode::Open, {"mms://h/a.asf", "mms://h/b.asf", "mms://h/c.asf"});
    view->table()->selectionModel()->clear();
    const MediaView::Actions& a = view->actions();
    const QList<QAction*> rowCommands = {a.deleteRow, a.copyClipboard, a.modifyUrl, a.modifyFileName, a.play};
    QVERIFY(std::none_of(rowCommands.begin(), rowCommands.end(), [](QAction* c) { return c->isEnabled(); }));

    // One click on a row, and the row's commands are there.
    QSignalSpy played(view, &MediaView::playRequested);
    const QRect rect = view->table()->visualRect(view->ViewIndex(1, kColFile));
    QTest::mouseClick(view->table()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(view->SelectedRow(), 1);
    for (QAction* command : rowCommands)
        QVERIFY2(command->isEnabled(), qPrintable(command->text()));

    // Enter plays it, Del asks and deletes it.
    QTest::keyClick(view->table(), Qt::Key_Return);
    QVERIFY(played.size() == 1 && played.last().at(0).toInt() == 1);
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
    script.Then<CredentialDialog>(EnterLogin("member", "secret"));
    QVERIFY2(script.Run(W().view()->actions().setAuthentication), qPrintable(script.missed()));
    QCOMPARE(W().settings().m_memberUser, std::string("member"));
    QCOMPARE(W().settings().m_memberPassword, std::string("secret"));
    QVERIFY(W().settings().m_memberAddress.empty());
    QCOMPARE(P().GetString("NetPassword\\Set user", "Password", ""), std::string("secret"));
}

QTEST_MAIN(MediaViewTest)
#include "media_view_test.moc"
