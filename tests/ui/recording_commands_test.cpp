// Recording, URL Check and URL Capture from the real window: real jobs with
// scripted protocol clients (what the window shows, asks and stops). Runs
// under dbus-run-session, where a fake notification service stands in for
// the desktop's.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include "app/desktop_notifier.h"
#include "base/display_text.h"
#include "capture/adapter_selection.h"
#include "desktop_fixture.h"
#include "dialog_script.h"
#include "frame_builder.h"
#include "helper_fixture.h"
#include "medialist/row_status.h"
#include "record/client_factory.h"
#include "record/existing_file.h"
#include "record/recorder_controller.h"
#include "scripted_clients.h"
#include "ui/adapter_dialog.h"
#include "ui/credential_dialog.h"
#include "ui/preferences_dialog.h"
#include "ui/qt_text.h"
#include "ui/record_column_delegate.h"
#include "ui/record_page.h"
#include "ui/recording_commands.h"
#include "ui/url_capture_commands.h"
#include "ui/url_check_commands.h"

namespace {

// A sample stream of ten seconds, about 330 KB: above the size under
// which a recording counts as a server's refusal.
std::string Sample()
{
    testsupport::SampleOptions options;
    options.seconds = 10;
    return testsupport::MakeSampleAsf(options);
}

// A pcap savefile by hand, so that it can go into a FIFO: the global header,
// then records.
QByteArray PcapHeader()
{
    return QByteArray::fromStdString(capturetest::Le(0xA1B2C3D4, 4) + capturetest::Le(2, 2) +
                                     capturetest::Le(4, 2) + capturetest::Zeros(8) +
                                     capturetest::Le(262144, 4) + capturetest::Le(1, 4));
}
QByteArray PcapRecord(const std::string& frame)
{
    return QByteArray::fromStdString(capturetest::Le(1, 4) + capturetest::Zeros(4) +
                                     capturetest::Le(frame.size(), 4) +
                                     capturetest::Le(frame.size(), 4) + frame);
}

}  // namespace

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
    void captureFromSavefilesAndRecordStartStopsIt();
    void captureFromAnAdapterGoesThroughTheHelper();
    void notifiesOnlyWhenTheWindowIsNotActive();

private:
    RecordingCommands& R() { return *W().recording(); }
    MediaItem Item(const QString& address) { return L().Row(RowOf(address)); }
    bool WaitIdle(int ms = 60000)
    {
        return QTest::qWaitFor([this] { return !R().Recording(); }, ms);
    }
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
        QVERIFY2(Shown(address, kColRecord) == QString::fromUtf8(CompletedText()), Dump().constData());
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
    const QModelIndex cell = V().model()->index(0, kColRecord);
    const QModelIndex liveCell = V().model()->index(1, kColRecord);
    QCOMPARE(RecordColumnDelegate::BarValue(cell), std::nullopt);

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
    // A whole stream as a client writes it, so that a file cut short can be
    // resumed.
    script_->OnAll(scripted::WriteText(testsupport::ReadFile(Sample())));
    QDir().mkpath(Rec(""));
    for (const char* name : {"ok", "cancel", "saveas", "quit", "never"})
        WriteText(Rec(QString::fromLatin1(name) + ".asf"), QByteArray("old ") + name);
    for (const char* name : {"ok", "cancel", "saveas", "quit", "never"})
        Add(QStringLiteral("mms://h/%1.asf").arg(QString::fromLatin1(name)));

    // Ok overwrites; Cancel keeps the file and the chain goes on; Save As
    // records under the chosen name; Quit stops the chain.
    QStringList buttons;
    DialogScript script;
    script
        .Then<QMessageBox>([&](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                buttons.append(b->text());
            ButtonNamed(box, QStringLiteral("Ok"))->click();
        })
        .Then<QMessageBox>(Click(QStringLiteral("Cancel")))
        .Then<QMessageBox>(Click(QStringLiteral("Save As ...")))
        .Then<QFileDialog>(ChooseFile(Rec("chosen.asf")))
        .Then<QMessageBox>(Click(QStringLiteral("Quit")));
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return script.done() && !R().Recording(); }, 60000));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    buttons.sort();
    QCOMPARE(buttons, (QStringList{"Cancel", "Ok", "Pass", "Quit", "Save As ..."}));

    const QString cancelled = QString::fromUtf8(CancelledText());
    QCOMPARE(Shown(QStringLiteral("mms://h/ok.asf"), kColRecord), QString::fromUtf8(CompletedText()));
    for (const char* kept : {"cancel", "saveas", "quit"})
        QCOMPARE(ReadAll(Rec(QString::fromLatin1(kept) + ".asf")), QByteArray("old ") + kept);
    QCOMPARE(Shown(QStringLiteral("mms://h/cancel.asf"), kColRecord), cancelled);
    QCOMPARE(Shown(QStringLiteral("mms://h/saveas.asf"), kColRecordingFile), Rec("chosen.asf"));
    QCOMPARE(Shown(QStringLiteral("mms://h/quit.asf"), kColRecord), cancelled);
    QCOMPARE(Shown(QStringLiteral("mms://h/never.asf"), kColRecord), QString());

    // "Resumable?": on OK the client is asked to go on where the file
    // breaks off. (The row left untried goes, so that the chain ends there.)
    L().DeleteRows({RowOf(QStringLiteral("mms://h/never.asf"))}, -1);
    const QString okAddress = QStringLiteral("mms://h/ok.asf");
    const qint64 whole = QFileInfo(Rec("ok.asf")).size();
    QVERIFY(QFile::resize(Rec("ok.asf"), whole * 6 / 10));
    QString question;
    script.Then<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            ButtonNamed(box, QStringLiteral("Cancel"))->click();  // not the question expected
    });
    V().RecordRow(RowOf(okAddress));
    QVERIFY2(QTest::qWaitFor([&] { return script.done() && !R().Recording(); }, 30000),
             qPrintable(question + QLatin1Char('\n') + script.missed() + QLatin1Char('\n') + Dump()));
    QVERIFY2(question.endsWith(QLatin1String("Resumable?")), qPrintable(question));
    QCOMPARE(Shown(okAddress, kColRecord), QString::fromUtf8(CompletedText()));
    QVERIFY(script_->Calls().back().resume > 0);
    QVERIFY(script_->Calls().back().filePosition > 0 && script_->Calls().back().filePosition < whole);
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
    QCOMPARE(Shown(address, kColRecord), QString::fromUtf8(CancelledText()));
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

    // No keeps the window and the recording.
    DialogScript script;
    QString asked;
    script.Then<QMessageBox>([&asked](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::No)->click();
    });
    W().close();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(asked.startsWith(QLatin1String("Recordings are running.")));
    QVERIFY(W().isVisible());
    QVERIFY(R().Recording());

    // Yes: every recording ends before the window is gone.
    script.Then<QMessageBox>(Answer(QMessageBox::Yes));
    W().close();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(!W().isVisible());
    QVERIFY(!R().Recording());
    QCOMPARE(Shown(address, kColRecord), QString::fromUtf8(CancelledText()));

    // A termination signal closes without a question and ends it as well.
    Reopen();
    Add(QStringLiteral("mms://h/signalled.asf"));
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return entered == 2; }, 10000));
    W().CloseWithoutQuestions();
    QVERIFY(!W().isVisible());
    QVERIFY(!R().Recording());
    QCOMPARE(script.answered(), 2);
}

void RecordingCommandsTest::parallelRecordingsFromThePreferences()
{
    QCOMPARE(W().settings().m_parallelRecordings, 1);
    DialogScript script;
    script.Then<PreferencesDialog>([](PreferencesDialog* d) {
        d->recordPage()->parallelRecordings->setValue(2);
        d->accept();
    });
    W().actions().preferences->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(W().settings().m_parallelRecordings, 2);
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
    const QString last = QStringLiteral("mms://h/p3.asf");
    QVERIFY(QTest::qWaitFor([&] { return Item(last).state != RowState::Idle && !R().Recording(); }, 30000));
    QCOMPARE(Shown(last, kColRecord), QString::fromUtf8(CompletedText()));
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
    script.Then<CredentialDialog>([](CredentialDialog* d) {
        d->userEdit()->setText(QStringLiteral("member"));
        d->passwordEdit()->setText(QStringLiteral("pw9"));
        d->saveBox()->setChecked(true);
        d->accept();
    });
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return Item(address).state != RowState::Idle && !R().Recording(); }, 30000));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Shown(address, kColRecord), QString::fromUtf8(CompletedText()));
    // The accepted pair became the run's member credentials, and was stored
    // for the site.
    QCOMPARE(W().settings().m_memberUser, std::string("member"));
    QCOMPARE(W().settings().m_memberPassword, std::string("pw9"));
    QCOMPARE(P().GetString("NetPassword\\h:80", "Password", ""), std::string("pw9"));
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
    QCOMPARE(Shown(good, kColRecord), QStringLiteral("Ok"));
    QCOMPARE(Shown(bad, kColRecord), QStringLiteral("Error"));
    QCOMPARE(Shown(bad, kColFile), QStringLiteral("(x)bad"));
    QCOMPARE(Shown(marked, kColFile), QStringLiteral("(x)marked"));
    QCOMPARE(Q(L().Cell(0, kColRecord)), QString());
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

void RecordingCommandsTest::captureFromSavefilesAndRecordStartStopsIt()
{
    using namespace capturetest;
    // A capture that goes on (a FIFO its writer keeps open) shows the
    // indicator until Record Start ends it.
    script_->OnAll(scripted::Write(scripted::kEnough));
    const QString captured = QStringLiteral("http://127.0.0.1:8080/more.asf");
    const QString fifo = Path("live.pcap");
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDWR);  // never blocks
    QVERIFY(fd >= 0);
    const QByteArray head = PcapHeader() + PcapRecord(Frame(80, HttpGet(S(captured))));
    QCOMPARE(::write(fd, head.constData(), static_cast<size_t>(head.size())), ssize_t(head.size()));
    DialogScript script;
    script.Then<AdapterDialog>([&](AdapterDialog* d) {
        d->captureFileEdit()->setText(fifo);
        d->rtspBox()->setChecked(false);
        d->accept();
    });
    W().actions().urlCapture->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(QTest::qWaitFor([&] { return RowOf(captured) >= 0; }, 10000));
    QCOMPARE(W().settings().m_captureRtsp, 0);  // the dialog's choices are the settings now
    QVERIFY(W().urlCapture()->Capturing() && W().urlCapture()->indicator()->isVisible());
    QVERIFY(!W().actions().urlCapture->isEnabled() && W().actions().urlCaptureStop->isEnabled());

    RecordSelected(RowOf(captured));
    QVERIFY(!W().urlCapture()->Capturing() && !W().urlCapture()->indicator()->isVisible());
    ::close(fd);  // the capture thread reads the end and leaves
    QVERIFY(WaitIdle(30000));
    QCOMPARE(Shown(captured, kColRecord), QString::fromUtf8(CompletedText()));
}

// The adapters come from the capture helper (a stand-in that replays a
// savefile); the requests in its frames become rows.
void RecordingCommandsTest::captureFromAnAdapterGoesThroughTheHelper()
{
    using namespace capturetest;
    {
        SavefileWriter writer(S(Path("frames.pcap")), 1 /* Ethernet */);
        writer.Write(Frame(80, HttpGet("/adapter.asf")));
    }
    W().urlCapture()->SetCaptureHelper(InstallFakeHelper(S(Home()), S(Path("frames.pcap"))));
    DialogScript script;
    script.Then<AdapterDialog>([&](AdapterDialog* d) {
        QCOMPARE(d->adapterList()->count(), 2);
        d->adapterList()->setCurrentRow(0);  // "replay"
        d->accept();
    });
    W().actions().urlCapture->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(QTest::qWaitFor([&] { return RowOf(QStringLiteral("http://10.0.0.5/adapter.asf")) >= 0; }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return !W().urlCapture()->Capturing(); }, 10000));

    // When the helper may not capture, the dialog says why, and only a
    // capture file can be chosen.
    AppSettings settings;
    AdapterSelection selection({}, settings);
    AdapterDialog d(selection, QStringLiteral("Cannot list the network adapters: denied"), false,
                    QStringLiteral("/usr/libexec/brimcast/brimcast-capture"));
    QVERIFY(d.rightsNote()->text().contains(QLatin1String("denied")));
    QVERIFY(!d.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
    d.captureFileEdit()->setText(QStringLiteral("/tmp/x.pcap"));
    QVERIFY(d.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
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
    const QString away = QStringLiteral("mms://h/away.asf"), here = QStringLiteral("mms://h/here.asf");
    Add(away, QStringLiteral("Away Show"));

    // Another window has the focus while the recording ends.
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!W().isActiveWindow());
    V().RecordRow(0);
    QVERIFY(WaitIdle(30000));
    QTRY_COMPARE(fake.summaries.size(), 1);
    QCOMPARE(fake.summaries.first(), QStringLiteral("Recording ended: Away Show"));

    // With the window active the list says it: no notification.
    other.hide();
    W().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&W()));
    Add(here);
    V().RecordRow(RowOf(here));
    QVERIFY(WaitIdle(30000));
    QCOMPARE(Shown(here, kColRecord), QString::fromUtf8(CompletedText()));
    QTest::qWait(200);
    QCOMPARE(fake.summaries.size(), 1);

    service.unregisterService(QString::fromLatin1(DesktopNotifier::kService));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
}

QTEST_MAIN(RecordingCommandsTest)
#include "recording_commands_test.moc"
