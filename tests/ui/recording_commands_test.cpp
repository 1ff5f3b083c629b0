// Recording, URL Check and URL Capture from the real window. Recordings
// run real jobs with scripted protocol clients (the window's part is the
// wiring: rows, actions, questions, shutdown); the login question and the
// URL check go to the fake servers of tests/servers, where the reasons a
// server gives come from the real clients. Runs under dbus-run-session,
// where a fake notification service stands in for the desktop's.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>
#include <thread>
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
#include <QTcpServer>
#include <QTest>
#include <QThread>

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
#include "ui/qt_status_sink.h"
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

// A port on loopback that nothing listens on.
int ClosedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

// A pcap savefile written by hand, so that it can go into a FIFO frame by
// frame: the global header, then records.
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
    QStringList bodies;
public slots:
    uint Notify(const QString& application, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(application);
        Q_UNUSED(replaces);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        Q_UNUSED(timeout);
        summaries.append(summary);
        bodies.append(body);
        return static_cast<uint>(summaries.size());
    }
};

class RecordingCommandsTest : public QObject, public DesktopFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QuietOffscreenWarnings();
        // Loopback requests go straight to the fake servers.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
    }
    void init()
    {
        script_ = std::make_unique<scripted::Script>();
        real_ = false;
        Start([this](ClientKind kind, const ClientEnvironment& env) {
            return real_ ? MakeProtocolClient(kind, env) : script_->Services().factory(kind, env);
        });
    }
    void cleanup()
    {
        Stop();
        SetPassAll(false);  // process-wide: the next test starts without it
    }

    void recordsRowsInTurnAndStopCancels();
    void statusSinkBatchesAndKeepsTheOrder();
    void progressBarFollowsTheEvents();
    void fileExistsButtonsAndResume();
    void stopWhileAQuestionIsOpen();
    void closingDuringARecordingStopsIt();
    void parallelRecordingsFromThePreferences();
    void credentialDialogIsTheJobsQuestion();
    void urlCheckFillsItsCells();
    void captureFromSavefilesAndRecordStartStopsIt();
    void captureFromAnAdapterGoesThroughTheHelper();
    void adapterDialogRules();
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
    // The real protocol clients from here on (the window is made again).
    void UseRealClients()
    {
        real_ = true;
        Reopen();
    }
    void StartServer(testsupport::FakeServer& server, const std::string& script, std::vector<std::string> args)
    {
        args.insert(args.end(), {"--lifetime", "150"});
        QVERIFY2(server.Start(script, args), script.c_str());
    }
    QString Url(const testsupport::FakeServer& server, const QString& scheme, const QString& path)
    {
        return QStringLiteral("%1://127.0.0.1:%2/%3").arg(scheme).arg(server.port()).arg(path);
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
    std::atomic<bool> real_{false};
};

void RecordingCommandsTest::recordsRowsInTurnAndStopCancels()
{
    // (Which rows the chain takes, and that Stop ends it, is the
    // controller's; here, what the window shows of it.)
    script_->OnAll(scripted::Write(scripted::kEnough));
    const QString one = QStringLiteral("mms://h/one.asf"), two = QStringLiteral("http://h/two.asf");
    Add(one);
    Add(two);
    QVERIFY(W().actions().recordStart->isEnabled());
    QVERIFY(!W().actions().recordStop->isEnabled());
    RecordSelected(0);
    QVERIFY(R().Recording());
    QVERIFY(!W().actions().recordStart->isEnabled());  // one recording at a time
    QVERIFY(W().actions().recordStop->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return Item(two).state != RowState::Idle && !R().Recording(); }, 30000));
    for (const auto& [address, file] : {std::pair{one, QStringLiteral("one.asf")},
                                        std::pair{two, QStringLiteral("two.asf")}}) {
        QVERIFY2(Shown(address, kColRecord) == QString::fromUtf8(CompletedText()), Dump().constData());
        QCOMPARE(Item(address).image, int(kImageRecorded));
        QCOMPARE(Shown(address, kColRecordingFile), Rec(file));
        QCOMPARE(Shown(address, kColTime), QStringLiteral("1:02:03"));
        QCOMPARE(testsupport::FileSize(S(Rec(file))), uint64_t(scripted::kEnough));
        // The recording's file is the row right below its row.
        QCOMPARE(Q(L().Cell(RowOf(address) + 1, kColOriginalFile)), Rec(file));
        QCOMPARE(L().Image(RowOf(address) + 1), int(kImageLocal));
    }
    QVERIFY(W().actions().recordStart->isEnabled());
    QVERIFY(!W().actions().recordStop->isEnabled());

    // Record Stop shows the cancelled word.
    std::atomic<int> entered{0};
    script_->OnAll(scripted::WaitForStop(&entered));
    const QString slow = QStringLiteral("mms://h/slow.asf");
    Add(slow);
    RecordSelected(RowOf(slow));
    QVERIFY(QTest::qWaitFor([&] { return entered == 1; }, 10000));
    W().actions().recordStop->trigger();
    QVERIFY(WaitIdle(5000));
    QCOMPARE(Shown(slow, kColRecord), QString::fromUtf8(CancelledText()));
}

void RecordingCommandsTest::statusSinkBatchesAndKeepsTheOrder()
{
    // Four workers post as fast as they can: connecting, 2000 progress
    // events, a found address, 2000 more, the end. The main thread sees
    // each job's events in their order, the newest progress values, and far
    // fewer calls than events.
    QtStatusSink sink;
    std::map<int, std::vector<JobEvent>> seen;
    sink.SetHandler([&seen](const JobEvent& e) {
        QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
        seen[e.jobId].push_back(e);
    });
    constexpr int kJobs = 4, kSteps = 2000;
    std::vector<std::thread> workers;
    for (int job = 1; job <= kJobs; ++job) {
        workers.emplace_back([&sink, job] {
            sink.Post(JobEvent::Of(uint16_t(job), JobEventKind::Connecting));
            for (int i = 1; i <= 2 * kSteps; ++i) {
                if (i == kSteps + 1) {
                    JobEvent found = JobEvent::Of(uint16_t(job), JobEventKind::StreamUrlFound);
                    found.text = "mms://h/found";
                    sink.Post(found);
                }
                JobEvent p = JobEvent::Of(uint16_t(job), JobEventKind::Progress);
                p.bytes = uint64_t(i);
                p.progress = uint32_t(i);
                sink.Post(p);
            }
            sink.Post(JobEvent::Of(uint16_t(job), JobEventKind::Finished));
        });
    }
    for (std::thread& t : workers)
        t.join();
    QTRY_COMPARE(seen.size(), size_t(kJobs));
    QTRY_VERIFY(std::all_of(seen.begin(), seen.end(), [](const auto& job) {
        return !job.second.empty() && job.second.back().kind == JobEventKind::Finished;
    }));
    for (const auto& [job, events] : seen) {
        QVERIFY(events.front().kind == JobEventKind::Connecting);
        uint64_t last = 0;
        int found = 0;
        for (const JobEvent& e : events) {
            if (e.kind == JobEventKind::StreamUrlFound) {
                ++found;
                QCOMPARE(last, uint64_t(kSteps));  // no later progress overtook it
            } else if (e.kind == JobEventKind::Progress) {
                QVERIFY(e.bytes > last);
                QCOMPARE(uint64_t(e.progress), e.bytes);  // one event's values, never mixed
                last = e.bytes;
            }
        }
        QCOMPARE(found, 1);
        QCOMPARE(last, uint64_t(2 * kSteps));  // the newest values arrive
    }
    QVERIFY(sink.delivered() < uint64_t(kJobs) * (2 * kSteps + 3));
    QVERIFY(sink.batches() <= sink.delivered());

    // A handler that runs the event loop (a dialog) while an event comes in:
    // that event still arrives afterwards.
    QtStatusSink nested;
    std::vector<JobEventKind> kinds;
    nested.SetHandler([&](const JobEvent& e) {
        kinds.push_back(e.kind);
        if (e.kind == JobEventKind::Connecting) {
            nested.Post(JobEvent::Of(1, JobEventKind::Finished));
            QCoreApplication::processEvents();
        }
    });
    nested.Post(JobEvent::Of(1, JobEventKind::Connecting));
    QTRY_VERIFY(kinds == (std::vector<JobEventKind>{JobEventKind::Connecting, JobEventKind::Finished}));
}

void RecordingCommandsTest::progressBarFollowsTheEvents()
{
    const QTableView* table = V().table();
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

    // What is painted follows the value: at 20 % the cell's right part is
    // the bar's groove, at 90 % it is filled like its left part.
    auto pixels = [&] {
        QApplication::processEvents();
        const QImage image = table->viewport()->grab().toImage();
        const QRect r = table->visualRect(V().ViewIndex(0, kColRecord));
        const int y = r.top() + r.height() / 2;
        // Away from the centred text.
        return std::pair{image.pixelColor(r.left() + r.width() / 12, y),
                         image.pixelColor(r.right() - r.width() / 6, y)};
    };
    L().Update(known, [](MediaItem& r) { ShowProgress(r, 1536, 2000, 15000); });
    const auto [left20, right20] = pixels();
    L().Update(known, [](MediaItem& r) { ShowProgress(r, 3072, 9000, 54000); });
    QCOMPARE(RecordColumnDelegate::BarValue(cell), std::optional<int>(9000));
    const auto [left90, right90] = pixels();
    QVERIFY2(left20 != right20, qPrintable(left20.name() + " " + right20.name()));
    QCOMPARE(right90, left90);
    QCOMPARE(left90, left20);

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
    QStringList titles, buttons, texts;
    QString offered;
    bool allBox = false;
    DialogScript script;
    script
        .Then<QMessageBox>([&](QMessageBox* box) {
            titles.append(box->windowTitle());
            // As they stand, from left to right.
            QList<QAbstractButton*> shown = box->buttons();
            std::sort(shown.begin(), shown.end(), [](QAbstractButton* a, QAbstractButton* b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            for (QAbstractButton* b : shown)
                buttons.append(b->text());
            allBox = box->checkBox() && box->checkBox()->text() == QLatin1String("All");
            texts.append(box->text());
            ButtonNamed(box, QStringLiteral("Ok"))->click();
        })
        .Then<QMessageBox>(Click(QStringLiteral("Cancel")))
        .Then<QMessageBox>(Click(QStringLiteral("Save As ...")))
        .Then<QFileDialog>([&](QFileDialog* d) {
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            offered = d->directory().absolutePath() + QLatin1Char('/') + name->text() +
                      QLatin1Char(' ') + d->defaultSuffix();
            name->setText(Rec("chosen.asf"));
            static_cast<QDialog*>(d)->accept();
        })
        .Then<QMessageBox>(Click(QStringLiteral("Quit")));
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return script.done() && !R().Recording(); }, 60000));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(titles, QStringList{"Message"});
    QCOMPARE(buttons, (QStringList{"Ok", "Cancel", "Save As ...", "Pass", "Quit"}));
    QVERIFY(allBox);
    QCOMPARE(texts, QStringList{Rec("ok.asf") + QStringLiteral(" \n\n File exist. Overwrite?")});
    QCOMPARE(offered, Rec("saveas.asf") + QStringLiteral(" asf"));

    const QString cancelled = QString::fromUtf8(CancelledText());
    QCOMPARE(Shown(QStringLiteral("mms://h/ok.asf"), kColRecord), QString::fromUtf8(CompletedText()));
    QCOMPARE(Shown(QStringLiteral("mms://h/cancel.asf"), kColRecord), cancelled);
    QCOMPARE(ReadAll(Rec("cancel.asf")), QByteArray("old cancel"));
    QCOMPARE(Shown(QStringLiteral("mms://h/saveas.asf"), kColRecordingFile), Rec("chosen.asf"));
    QCOMPARE(ReadAll(Rec("saveas.asf")), QByteArray("old saveas"));
    QCOMPARE(Shown(QStringLiteral("mms://h/quit.asf"), kColRecord), cancelled);
    QCOMPARE(ReadAll(Rec("quit.asf")), QByteArray("old quit"));
    QCOMPARE(Shown(QStringLiteral("mms://h/never.asf"), kColRecord), QString());
    QVERIFY(R().controller().StoppedByUser());

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
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(question, Rec("ok.asf") + QStringLiteral(" \n\n File exist. Resumable?"));
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
        QCOMPARE(d->recordPage()->parallelRecordings->value(), 1);
        QCOMPARE(d->recordPage()->parallelRecordings->maximum(), 4);
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
    // (That the slots are never exceeded and the chain goes on is the
    // controller's.)
    go = true;
    const QString last = QStringLiteral("mms://h/p3.asf");
    QVERIFY(QTest::qWaitFor([&] { return Item(last).state != RowState::Idle && !R().Recording(); }, 30000));
    QCOMPARE(Shown(last, kColRecord), QString::fromUtf8(CompletedText()));
}

void RecordingCommandsTest::credentialDialogIsTheJobsQuestion()
{
    UseRealClients();
    testsupport::FakeServer mmsh;
    StartServer(mmsh, "mmsh_server.py", {"--file", Sample(), "--auth", "member:pw9"});
    const QString address = Url(mmsh, "http", "members.asf");
    Add(address);
    QString site;
    DialogScript script;
    script.Then<CredentialDialog>([&site](CredentialDialog* d) {
        site = d->windowTitle();
        d->userEdit()->setText(QStringLiteral("member"));
        d->passwordEdit()->setText(QStringLiteral("pw9"));
        d->saveBox()->setChecked(true);
        d->accept();
    });
    RecordSelected(0);
    QVERIFY(QTest::qWaitFor([&] { return Item(address).state != RowState::Idle && !R().Recording(); }, 30000));
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QCOMPARE(Shown(address, kColRecord), QString::fromUtf8(CompletedText()));
    // The accepted pair became the run's member credentials, and "save?"
    // stored it for the host.
    QCOMPARE(W().settings().m_memberUser, std::string("member"));
    QCOMPARE(W().settings().m_memberPassword, std::string("pw9"));
    // (Under the server's name as the client resolved it.)
    P().Flush();
    QSettings conf(Path("conf/Brimcast/Brimcast.conf"), QSettings::IniFormat);
    conf.beginGroup(QStringLiteral("NetPassword"));
    QStringList saved;
    for (const QString& host : conf.childGroups())
        saved.append(host + QLatin1Char(' ') + conf.value(host + QStringLiteral("/User")).toString() +
                     QLatin1Char(':') + conf.value(host + QStringLiteral("/Password")).toString());
    QCOMPARE(saved.size(), 1);
    QVERIFY2(saved.first().endsWith(QLatin1String(" member:pw9")), qPrintable(saved.first()));
}

void RecordingCommandsTest::urlCheckFillsItsCells()
{
    UseRealClients();
    testsupport::FakeServer mmsh;
    StartServer(mmsh, "mmsh_server.py", {"--file", Sample()});
    WriteText(Path("local.wmv"), "x");
    const QString good = Url(mmsh, "http", "good.asf");
    const QString bad = QStringLiteral("mms://127.0.0.1:%1/bad.asf").arg(ClosedPort());
    const QString marked = QStringLiteral("mms://127.0.0.1:%1/marked.asf").arg(ClosedPort());
    Add(Path("local.wmv"));
    Add(good);
    Add(bad);
    Add(marked, QStringLiteral("(x)marked"));
    QVERIFY(W().actions().urlCheck->isEnabled());
    QVERIFY(!W().actions().urlCheckStop->isEnabled());
    V().table()->selectionModel()->clear();  // no selection: from the first row
    W().actions().urlCheck->trigger();
    QVERIFY(W().urlCheck()->Running());
    QVERIFY(!W().actions().urlCheck->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return !W().urlCheck()->Running(); }, 60000));
    QCOMPARE(Shown(good, kColRecord), QStringLiteral("Ok"));
    QCOMPARE(Shown(bad, kColRecord), QStringLiteral("Error"));
    QCOMPARE(Shown(bad, kColFile), QStringLiteral("(x)bad"));
    QCOMPARE(Shown(marked, kColFile), QStringLiteral("(x)marked"));
    QCOMPARE(Q(L().Cell(0, kColRecord)), QString());
    QCOMPARE(V().SelectedRow(), RowOf(marked));  // the walk selects each row in turn
    QVERIFY(W().actions().urlCheck->isEnabled());
    // Why the row failed, transport by transport, is its tool tip.
    const QModelIndex badRecord = V().model()->index(RowOf(bad), kColRecord);
    QCOMPARE(badRecord.data(Qt::ToolTipRole).toString(),
             QStringLiteral("Error\nMMS over TCP: connection refused\nMMS over HTTP: connection refused\n"
                            "HTTP: connection refused"));

    // A recording that fails says so in the status line, with the reasons,
    // and its row keeps them in its tool tip.
    RecordSelected(RowOf(bad));
    QVERIFY(WaitIdle());
    const QString reasons = QStringLiteral(
        "Not Found (MMS over TCP: connection refused; MMS over HTTP: connection refused; HTTP: connection refused)");
    QCOMPARE(W().statusBar()->currentMessage(), QStringLiteral("(x)bad: ") + reasons);
    QCOMPARE(badRecord.data(Qt::ToolTipRole).toString(),
             QStringLiteral("Not Found\nMMS over TCP: connection refused\nMMS over HTTP: connection refused\n"
                            "HTTP: connection refused"));

    // Stop: the row being probed gets its result, no later row is probed
    // (one address at a time; with more, every row handed out finishes).
    W().settings().m_checkParallel = 1;
    const QString first = Url(mmsh, "http", "first.asf"), later = Url(mmsh, "http", "later.asf");
    Add(first);
    Add(later);
    V().SelectRow(RowOf(first));
    W().actions().urlCheck->trigger();
    W().actions().urlCheckStop->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !W().urlCheck()->Running(); }, 30000));
    QCOMPARE(Shown(first, kColRecord), QStringLiteral("Ok"));
    QCOMPARE(Shown(later, kColRecord), QString());
}

void RecordingCommandsTest::captureFromSavefilesAndRecordStartStopsIt()
{
    using namespace capturetest;
    // A saved capture of one request. (What a capture makes of each kind of
    // request is the capture's own.)
    script_->OnAll(scripted::Write(scripted::kEnough));
    const std::string captured = "http://127.0.0.1:8080/captured.asf";
    WriteText(Path("saved.pcap"), PcapHeader() + PcapRecord(Frame(80, HttpGet(captured))));

    DialogScript script;
    script.Then<AdapterDialog>([&](AdapterDialog* d) {
        d->captureFileEdit()->setText(Path("saved.pcap"));
        d->rtspBox()->setChecked(false);
        d->fileTypeEdit()->setText(QStringLiteral("MP4"));
        d->insertButton()->click();
        d->accept();
    });
    W().actions().urlCapture->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(QTest::qWaitFor([&] { return RowOf(Q(captured)) >= 0; }, 10000));
    QCOMPARE(L().Image(RowOf(Q(captured))), int(kImageNetwork));
    // The dialog's choices are the settings now.
    QCOMPARE(W().settings().m_captureRtsp, 0);
    QVERIFY(std::count(W().settings().m_fileTypes.begin(), W().settings().m_fileTypes.end(), ".mp4") == 1);
    // The end of the file ends the capture; the indicator goes.
    QVERIFY(QTest::qWaitFor([&] { return !W().urlCapture()->Capturing(); }, 10000));
    QTRY_VERIFY(!W().urlCapture()->indicator()->isVisible());

    // A capture that goes on (a FIFO its writer keeps open) shows the
    // indicator until Record Start ends it.
    const QString fifo = Path("live.pcap");
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDWR);  // never blocks
    QVERIFY(fd >= 0);
    const QByteArray head = PcapHeader() + PcapRecord(Frame(80, HttpGet("http://127.0.0.1:8080/more.asf")));
    QCOMPARE(::write(fd, head.constData(), static_cast<size_t>(head.size())), ssize_t(head.size()));
    script.Then<AdapterDialog>([&](AdapterDialog* d) {
        d->captureFileEdit()->setText(fifo);
        d->accept();
    });
    W().actions().urlCapture->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(QTest::qWaitFor([&] { return RowOf(QStringLiteral("http://127.0.0.1:8080/more.asf")) >= 0; }, 10000));
    QVERIFY(W().urlCapture()->Capturing());
    QVERIFY(W().urlCapture()->indicator()->isVisible());
    QVERIFY(W().urlCapture()->indicator()->text().contains(QLatin1String("live.pcap")));
    QVERIFY(!W().actions().urlCapture->isEnabled());
    QVERIFY(W().actions().urlCaptureStop->isEnabled());

    RecordSelected(RowOf(Q(captured)));
    QVERIFY(!W().urlCapture()->Capturing());
    QVERIFY(!W().urlCapture()->indicator()->isVisible());
    QVERIFY(W().actions().urlCapture->isEnabled());
    ::close(fd);  // the capture thread reads the end and leaves
    QVERIFY(WaitIdle(30000));
    QCOMPARE(Shown(Q(captured), kColRecord), QString::fromUtf8(CompletedText()));
}

// An adapter is listed and read through the capture helper (a stand-in that
// replays a savefile): the dialog shows the helper's adapters, and the
// requests in the frames it sends become rows.
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
        QVERIFY(d->rightsNote()->isHidden());
        d->adapterList()->setCurrentRow(0);  // "replay"
        d->accept();
    });
    W().actions().urlCapture->trigger();
    QVERIFY2(script.done(), qPrintable(script.missed()));
    QVERIFY(QTest::qWaitFor([&] { return RowOf(QStringLiteral("http://10.0.0.5/adapter.asf")) >= 0; }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return !W().urlCapture()->Capturing(); }, 10000));
}

void RecordingCommandsTest::adapterDialogRules()
{
    // (Which adapter is kept, how file types are taken, and the rights
    // texts are the selection's and the helper's own; here, the dialog.)
    AppSettings settings;
    settings.m_fileTypes = {".asf", ".wmv"};
    settings.m_captureDriver = "lo";
    const std::vector<CaptureAdapter> adapters = {{"eth0", "Ethernet", {"192.0.2.7", "fe80::1"}},
                                                  {"lo", "", {"127.0.0.1"}}};
    {
        AdapterSelection selection(adapters, settings);
        AdapterDialog d(selection, QString(), true, QStringLiteral("/usr/libexec/brimcast/brimcast-capture"));
        QCOMPARE(d.adapterList()->count(), 2);
        QVERIFY(d.adapterList()->item(0)->text().contains(QLatin1String("Ethernet")));
        QVERIFY(d.adapterList()->item(0)->text().contains(QLatin1String("192.0.2.7, fe80::1")));
        QCOMPARE(d.adapterList()->currentRow(), 1);  // the kept adapter
        QVERIFY(d.saveBox()->isChecked());
        QVERIFY(d.rightsNote()->isHidden());
        d.fileTypeList()->item(0)->setSelected(true);
        d.deleteButton()->click();
        QCOMPARE(d.fileTypeList()->count(), 1);
        d.adapterList()->setCurrentRow(0);
        d.saveBox()->setChecked(false);
        d.accept();
        QCOMPARE(selection.Accept(settings), 0);
        QCOMPARE(settings.m_fileTypes, std::vector<std::string>{".wmv"});
    }
    // When the capture helper may not capture, the dialog says why; without
    // adapters only a capture file can be chosen.
    AdapterSelection selection({}, settings);
    AdapterDialog d(selection, QStringLiteral("Cannot list the network adapters: denied"), false,
                    QStringLiteral("/usr/libexec/brimcast/brimcast-capture"));
    QVERIFY(!d.rightsNote()->isHidden());
    QVERIFY2(d.rightsNote()->text().contains(QLatin1String("denied")), qPrintable(d.rightsNote()->text()));
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
    QCOMPARE(fake.bodies.first(), QStringLiteral("completed: ") + Rec("Away Show.asf"));
    QCOMPARE(W().notifier()->sent(), 1);

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
    QCOMPARE(W().notifier()->sent(), 1);

    service.unregisterService(QString::fromLatin1(DesktopNotifier::kService));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
}

QTEST_MAIN(RecordingCommandsTest)
#include "recording_commands_test.moc"
