// Recording and URL Check from the real window: real jobs with
// scripted protocol clients (what the window shows, asks and stops). Runs
// under dbus-run-session, where a fake notification service stands in for
// the desktop's.

#include <algorithm>
#include <optional>
#include <vector>

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

#include "app/desktop_notifier.h"
#include "base/display_text.h"
#include "desktop_fixture.h"
#include "dialog_script.h"
#include "medialist/row_status.h"
#include "record/existing_file.h"
#include "scripted_clients.h"
#include "ui/preferences_dialog.h"
#include "ui/qt_text.h"
#include "ui/record_column_delegate.h"
#include "ui/record_page.h"
#include "ui/recording_commands.h"
#include "ui/url_check_commands.h"

// The desktop's notification service, as the tests see it.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&, const QStringList&,
                const QVariantMap&, int)
    {
        summaries.append(summary);
        return static_cast<uint>(summaries.size());
    }
};

class RecordingCommandsTest : public QObject, public DesktopFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QuietOffscreenWarnings(); }
    void init()
    {
        script_ = std::make_unique<scripted::Script>();
        Start([this](ClientKind kind, const ClientEnvironment& env) {
            env_ = env;  // for behaviours that ask the user (one job at a time)
            return script_->Services().factory(kind, env);
        });
    }
    void cleanup()
    {
        Stop();
        SetPassAll(false);  // process-wide: the next test starts without it
    }

    void recordsRowsInTurn();
    void progressBarFollowsTheEvents();
    void fileExistsButtonsAndResume();
    void stopWhileAQuestionIsOpen();
    void closingDuringARecordingStopsIt();
    void parallelRecordingsFromThePreferences();
    void credentialDialogIsTheJobsQuestion();
    void urlCheckFillsItsCells();
    void notifiesOnlyWhenTheWindowIsNotActive();

private:
    RecordingCommands& R() { return *W().recording(); }
    static QString Done() { return QString::fromUtf8(CompletedText()); }
    static QString Cancelled() { return QString::fromUtf8(CancelledText()); }
    MediaItem Item(const QString& address) { return L().Row(RowOf(address)); }
    bool WaitIdle(int ms = 60000) { return QTest::qWaitFor([this] { return !R().Recording(); }, ms); }
    void RecordSelected(int row)
    {
        V().SelectRow(row);
        W().actions().recordStart->trigger();
    }
    // Every row as "address | record | size | file", for failure messages.
    QByteArray Dump()
    {
        QStringList lines;
        for (int r = 0; r < L().RowCount(); ++r)
            lines.append(Q(L().Cell(r, kColOriginalFile) + " | " + L().Cell(r, kColRecord) + " | " +
                           L().Cell(r, kColSize) + " | " + L().Cell(r, kColRecordingFile)));
        return lines.join(QLatin1Char('\n')).toUtf8();
    }

    std::unique_ptr<scripted::Script> script_;
    ClientEnvironment env_;  // made before the job's thread starts
};

void RecordingCommandsTest::recordsRowsInTurn()
{
    script_->OnAll(scripted::Write(scripted::kEnough));
    const QString one = QStringLiteral("mms://h/one.asf"), two = QStringLiteral("http://h/two.asf");
    Add(one);
    Add(two);
    RecordSelected(0);
    QVERIFY(R().Recording());
    QVERIFY(!W().actions().recordStart->isEnabled() && W().actions().recordStop->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return Item(two).state != RowState::Idle && !R().Recording(); }, 30000));
    for (const auto& [address, file] : {std::pair{one, QStringLiteral("one.asf")},
                                        std::pair{two, QStringLiteral("two.asf")}}) {
        QVERIFY2(Shown(address, kColRecord) == Done(), Dump().constData());
        QCOMPARE(Shown(address, kColTime), QStringLiteral("1:02:03"));
        QCOMPARE(testsupport::FileSize(S(Rec(file))), uint64_t(scripted::kEnough));
        // The recording's file is the row right below its row.
        QCOMPARE(Q(L().Cell(RowOf(address) + 1, kColOriginalFile)), Rec(file));
    }
    QVERIFY(W().actions().recordStart->isEnabled() && !W().actions().recordStop->isEnabled());
}

void RecordingCommandsTest::progressBarFollowsTheEvents()
{
    Add(QStringLiteral("mms://h/known.asf"));
    Add(QStringLiteral("mms://h/live.asf"));
    const uint64_t known = L().IdAt(0), live = L().IdAt(1);
    const QModelIndex cell = V().model()->index(0, kColRecord), liveCell = V().model()->index(1, kColRecord);
    // A stream of known duration shows a bar with the progress; a live one
    // (no duration) only its text; an ended recording neither.
    L().Update(known, [](MediaItem& r) { ShowHeader(r, 60000, "/rec/known.asf"); });
    L().Update(live, [](MediaItem& r) { ShowHeader(r, 0, "/rec/live.asf"); });
    QCOMPARE(RecordColumnDelegate::BarValue(cell), std::nullopt);  // no progress yet
    L().Update(known, [](MediaItem& r) { ShowProgress(r, 1536, 2500, 15000); });
    L().Update(live, [](MediaItem& r) { ShowProgress(r, 1536, 0, 15000); });
    QCOMPARE(RecordColumnDelegate::BarValue(cell), std::optional<int>(2500));
    QCOMPARE(RecordColumnDelegate::BarValue(liveCell), std::nullopt);
    QCOMPARE(cell.data().toString(), QStringLiteral("0:15(25 %)"));

    L().Update(known, [](MediaItem& r) { ShowRecordingEnd(r, RowState::Completed, "/rec/known.asf", ""); });
    QCOMPARE(RecordColumnDelegate::BarValue(cell), std::nullopt);
}

void RecordingCommandsTest::fileExistsButtonsAndResume()
{
    // A whole stream as a client writes it (ten seconds, above the size under
    // which a recording counts as a refusal), so that a file cut short can
    // be resumed.
    testsupport::SampleOptions sample;
    sample.seconds = 10;
    script_->OnAll(scripted::WriteText(testsupport::ReadFile(testsupport::MakeSampleAsf(sample))));
    QDir().mkpath(Rec(""));
    const QStringList names = {"ok", "cancel", "saveas", "quit", "never"};
    for (const QString& name : names) {
        WriteText(Rec(name + ".asf"), "old " + name.toLatin1());
        Add("mms://h/" + name + ".asf");
    }
    // Ok overwrites; Cancel keeps the file and the chain goes on; Save As
    // records under the chosen name; Quit stops the chain.
    DialogScript script;
    script.Then<QMessageBox>(Click("Ok")).Then<QMessageBox>(Click("Cancel")).Then<QMessageBox>(Click("Save As ..."));
    script.Then<QFileDialog>(ChooseFile(Rec("chosen.asf"))).Then<QMessageBox>(Click("Quit"));
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return script.done() && !R().Recording(); }, 60000));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QStringList outcome;
    for (const QString& name : names)
        outcome << name + ": " + Shown("mms://h/" + name + ".asf", kColRecord) +
                       (ReadAll(Rec(name + ".asf")) == "old " + name.toLatin1() ? " kept" : " replaced");
    QCOMPARE(outcome.join(", "), QStringLiteral("ok: %1 replaced, cancel: %2 kept, saveas: %1 kept, quit: %2 kept, "
                                                "never:  kept").arg(Done(), Cancelled()));
    QCOMPARE(Shown("mms://h/saveas.asf", kColRecordingFile), Rec("chosen.asf"));

    // "Resumable?": on OK the client is asked to go on where the file
    // breaks off. (The row left untried goes, so that the chain ends there.)
    L().DeleteRows({RowOf("mms://h/never.asf")}, -1);
    const qint64 whole = QFileInfo(Rec("ok.asf")).size();
    QVERIFY(QFile::resize(Rec("ok.asf"), whole * 6 / 10));
    QString question;
    script.Then<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        (ok ? ok : ButtonNamed(box, "Cancel"))->click();  // Cancel: not the question expected
    });
    V().RecordRow(RowOf("mms://h/ok.asf"));
    QVERIFY2(QTest::qWaitFor([&] { return script.done() && !R().Recording(); }, 30000),
             qPrintable(question + '\n' + script.missed() + '\n' + Dump()));
    QVERIFY2(question.endsWith(QLatin1String("Resumable?")), qPrintable(question));
    QCOMPARE(Shown("mms://h/ok.asf", kColRecord), Done());
    const scripted::Call resumed = script_->Calls().back();
    QVERIFY(resumed.resume > 0 && resumed.filePosition > 0 && resumed.filePosition < whole);
}

void RecordingCommandsTest::stopWhileAQuestionIsOpen()
{
    script_->OnAll(scripted::Write(scripted::kEnough));
    QDir().mkpath(Rec(""));
    WriteText(Rec("q.asf"), "old q");
    const QString address = QStringLiteral("mms://h/q.asf");
    Add(address);
    // The stop comes while the question is open: the dialog goes by itself.
    DialogScript script;
    script.Then<QMessageBox>([this](QMessageBox*) { W().actions().recordStop->trigger(); });
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return script.answered() == 1 && !R().Recording(); }, 10000));
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Shown(address, kColRecord), Cancelled());
    QCOMPARE(ReadAll(Rec("q.asf")), QByteArray("old q"));
    QVERIFY(script_->Calls().empty());
}

void RecordingCommandsTest::closingDuringARecordingStopsIt()
{
    std::atomic<int> entered{0};
    script_->OnAll(scripted::WaitForStop(&entered));
    const QString address = QStringLiteral("mms://h/closing.asf");
    Add(address);
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return entered == 1; }, 10000));
    // No keeps the window and the recording; Yes ends every recording
    // before the window is gone.
    QString asked;
    DialogScript script;
    script.Then<QMessageBox>([&asked](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::No)->click();
    });
    W().close();
    QVERIFY2(script.done() && W().isVisible() && R().Recording(), qPrintable(script.missed()));
    QVERIFY(asked.startsWith(QLatin1String("Recordings are running.")));
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    W().close();
    QVERIFY2(script.done() && !W().isVisible() && !R().Recording(), qPrintable(script.missed()));
    QCOMPARE(Shown(address, kColRecord), Cancelled());

    // A termination signal closes without a question and ends it as well.
    Reopen();
    Add(QStringLiteral("mms://h/signalled.asf"));
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return entered == 2; }, 10000));
    W().CloseWithoutQuestions();
    QVERIFY(!W().isVisible() && !R().Recording());
    QCOMPARE(script.answered(), 2);
}

void RecordingCommandsTest::parallelRecordingsFromThePreferences()
{
    DialogScript script;
    script.Then<PreferencesDialog>([](PreferencesDialog* d) {
        d->recordPage()->parallelRecordings->setValue(2);
        d->accept();
    });
    QVERIFY2(script.Run(W().actions().preferences), qPrintable(script.missed()));
    QCOMPARE(P().GetInt("settings", "Parallel Recordings", 0), 2);

    // Each client waits until the test lets it write.
    std::atomic<bool> go{false};
    std::atomic<int> entered{0};
    script_->OnAll([&](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        ++entered;
        scripted::WaitUntil([&] { return go || stop; });
        return scripted::Write(scripted::kEnough)(r, hooks, stop);
    });
    for (const char* name : {"p1", "p2", "p3"})
        Add(QStringLiteral("mms://h/%1.asf").arg(QString::fromLatin1(name)));
    RecordSelected(0);
    QCOMPARE(L().BusyRowCount(), 2);
    QVERIFY(!W().actions().recordStart->isEnabled());  // both slots busy
    QVERIFY(QTest::qWaitFor([&] { return entered == 2; }, 10000));
    go = true;
    QVERIFY(QTest::qWaitFor([&] { return Item("mms://h/p3.asf").state != RowState::Idle && !R().Recording(); }, 30000));
    QCOMPARE(Shown("mms://h/p3.asf", kColRecord), Done());
}

void RecordingCommandsTest::credentialDialogIsTheJobsQuestion()
{
    // The client is refused and asks the user, as the stream clients do.
    script_->OnAll([this](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        std::string user, password;
        const ClientEnvironment& env = env_;
        if (LookupCredentials(env.profile, env.prompts, CredentialSite{"h", 80, 80}, false, user, password,
                              env.Cancel()) != CredentialLookup::Found)
            return uint64_t{0};
        hooks.OnCredentials(user, password);
        return scripted::Write(scripted::kEnough)(r, hooks, stop);
    });
    const QString address = QStringLiteral("http://h/members.asf");
    Add(address);
    DialogScript script;
    script.Then<CredentialDialog>(EnterLogin("member", "pw9"));
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return Item(address).state != RowState::Idle && !R().Recording(); }, 30000));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Shown(address, kColRecord), Done());
    // The accepted pair became the run's member credentials, and was stored
    // for the site.
    const AppSettings& set = W().settings();
    QCOMPARE(set.m_memberUser + ":" + set.m_memberPassword + " " + P().GetString("NetPassword\\h:80", "Password", ""),
             std::string("member:pw9 pw9"));
}

void RecordingCommandsTest::urlCheckFillsItsCells()
{
    // Addresses on host "bad" are refused by every transport.
    script_->OnAll([](const RecordRequest& r, ClientHooks& hooks, std::atomic<bool>& stop) {
        if (r.url.find("//bad/") == std::string::npos)
            return scripted::Write(scripted::kEnough)(r, hooks, stop);
        hooks.OnFailureReason("connection refused");
        hooks.ReportError("Not Found");
        return uint64_t{0};
    });
    WriteText(Path("local.wmv"), "x");
    const QString good = QStringLiteral("http://good/good.asf"), bad = QStringLiteral("mms://bad/bad.asf");
    const QString marked = QStringLiteral("mms://bad/marked.asf");
    Add(Path("local.wmv"));
    Add(good);
    Add(bad);
    Add(marked, QStringLiteral("(x)marked"));
    QVERIFY(!W().actions().urlCheckStop->isEnabled());
    V().table()->selectionModel()->clear();  // no selection: from the first row
    W().actions().urlCheck->trigger();
    QVERIFY(W().urlCheck()->Running() && !W().actions().urlCheck->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return !W().urlCheck()->Running(); }, 60000));
    QCOMPARE(QStringList({Q(L().Cell(0, kColRecord)), Shown(good, kColRecord), Shown(bad, kColRecord),
                          Shown(bad, kColFile), Shown(marked, kColFile)}).join('|'),
             QStringLiteral("|Ok|Error|(x)bad|(x)marked"));
    QVERIFY(W().actions().urlCheck->isEnabled());
    // Why the row failed, transport by transport, is its tool tip.
    const QModelIndex badRecord = V().model()->index(RowOf(bad), kColRecord);
    const QString why = QStringLiteral("\nMMS over TCP: connection refused\nMMS over HTTP: connection refused\n"
                                       "HTTP: connection refused");
    QCOMPARE(badRecord.data(Qt::ToolTipRole).toString(), QStringLiteral("Error") + why);

    // A recording that fails says so in the status line, with the reasons.
    RecordSelected(RowOf(bad));
    QVERIFY(WaitIdle());
    QCOMPARE(W().statusBar()->currentMessage(),
             QStringLiteral("(x)bad: Not Found (MMS over TCP: connection refused; MMS over HTTP: connection "
                            "refused; HTTP: connection refused)"));
    QCOMPARE(badRecord.data(Qt::ToolTipRole).toString(), QStringLiteral("Not Found") + why);
}

void RecordingCommandsTest::notifiesOnlyWhenTheWindowIsNotActive()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        QSKIP("no session bus (run under dbus-run-session)");
    FakeNotifications fake;
    QDBusConnection service =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-notifications"));
    QVERIFY(service.registerObject(QString::fromLatin1(DesktopNotifier::kPath), &fake,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QString::fromLatin1(DesktopNotifier::kService)));
    script_->OnAll(scripted::Write(scripted::kEnough));
    Add(QStringLiteral("mms://h/away.asf"), QStringLiteral("Away Show"));

    // Another window has the focus while the first recording ends; the
    // second ends with the window active, where the list says it.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    V().RecordRow(0);
    QVERIFY(WaitIdle(30000));
    QTRY_COMPARE(fake.summaries, QStringList{"Recording ended: Away Show"});
    other.hide();
    W().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&W()));
    V().RecordRow(Add(QStringLiteral("mms://h/here.asf")));
    QVERIFY(WaitIdle(30000));
    QCOMPARE(Shown(QStringLiteral("mms://h/here.asf"), kColRecord), Done());
    QTest::qWait(200);
    QCOMPARE(fake.summaries.size(), 1);
    service.unregisterService(QString::fromLatin1(DesktopNotifier::kService));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
}

QTEST_MAIN(RecordingCommandsTest)
#include "recording_commands_test.moc"
