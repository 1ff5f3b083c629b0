// Record > Scheduled Recordings... on a real window, with systemd's own
// calendar reader and a stand-in for `systemctl --user`.
#include <QtTest>
#include <QtWidgets>

#include "app/main_window.h"
#include "base/display_text.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "schedule/slot_units.h"
#include "ui/media_view.h"
#include "ui/schedule_dialog.h"
#include "ui/schedule_slot_dialog.h"

namespace {

const QString kNews = QStringLiteral("mms://127.0.0.1/news");

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Click(QWidget* w)
{
    QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void Type(QWidget* w, const QString& text)
{
    w->setFocus();
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Backspace);
    QTest::keyClicks(w, text);
}

void Close(ScheduleDialog* dialog)
{
    QPointer<ScheduleDialog> gone(dialog);
    Click(dialog->closeButton());
    QTRY_VERIFY(!gone);
}

}  // namespace

class ScheduleDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void addsASlotForTheSelectedRow();
    void badInputShowsWhyAndWritesNothing();
    void theRowShowsHowARunEnded();
    void removesAfterAsking();

private:
    ScheduleDialog* Open();
    QString Unit(const char* suffix) const
    {
        return dir_.path() + QStringLiteral("/conf/systemd/user/") + QString::fromStdString(schedule::UnitName("1", suffix));
    }
    QString Record(int row) const { return QString::fromStdString(window_->view()->list().Cell(row, kColRecord)); }

    QTemporaryDir dir_;
    QString log_;
    std::unique_ptr<IniProfile> profile_;
    std::unique_ptr<MainWindow> window_;
};

void ScheduleDialogTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    const QString bin = dir_.path() + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(bin));
    QFile shim(bin + QStringLiteral("/systemctl"));
    QVERIFY(shim.open(QIODevice::WriteOnly));
    shim.write("#!/bin/sh\nexec python3 '" BRIMCAST_SOURCE_DIR "/tests/schedule/fake_systemctl.py' \"$@\"\n");
    shim.close();
    shim.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    log_ = dir_.path() + QStringLiteral("/systemctl.log");
    qputenv("PATH", (bin + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH"));
    qputenv("FAKE_SYSTEMCTL_LOG", log_.toLocal8Bit());
    qputenv("FAKE_NEXT_ELAPSE", "Mon 2030-01-07 06:59:00 UTC");
    qputenv("HOME", dir_.path().toLocal8Bit());
    for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "/conf"}, {"XDG_STATE_HOME", "/state"},
                                       {"XDG_DATA_HOME", "/data"}})
        qputenv(name, (dir_.path() + QLatin1String(folder)).toLocal8Bit());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");

    profile_ = std::make_unique<IniProfile>();
    window_ = std::make_unique<MainWindow>(*profile_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    MediaView* view = window_->view();
    view->OpenEntry(QStringLiteral("mms://127.0.0.1/other"), QString(), QString());
    view->OpenEntry(kNews, QStringLiteral("Morning News"), QString());
    view->SelectRow(1);
}

void ScheduleDialogTest::cleanupTestCase() { window_.reset(); }

// Record > Scheduled Recordings (its key), once the schedule is read.
ScheduleDialog* ScheduleDialogTest::Open()
{
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get()))
        return nullptr;
    QTest::keyClick(window_.get(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    auto* dialog = window_->findChild<ScheduleDialog*>();
    if (dialog && QTest::qWaitFor([dialog] { return !dialog->busy(); }))
        return dialog;
    return nullptr;
}

void ScheduleDialogTest::addsASlotForTheSelectedRow()
{
    ScheduleDialog* dialog = Open();
    QVERIFY(dialog);
    QCOMPARE(dialog->table()->rowCount(), 0);
    Click(dialog->addButton());
    ScheduleSlotDialog* slot = dialog->slotDialog();
    QVERIFY(slot);
    QCOMPARE(slot->addressEdit()->text(), kNews);
    for (int day = 0; day < 7; ++day) {
        if (slot->dayBox(day)->isChecked() != (day < 5))
            Click(slot->dayBox(day));
    }
    slot->timeEdit()->setTime(QTime(7, 0));
    Type(slot->lengthBox(), QStringLiteral("90"));
    Click(slot->okButton());
    QTRY_VERIFY(!dialog->slotDialog());
    QTRY_VERIFY(!dialog->busy());

    // One minute of padding before the start moves the timer.
    QVERIFY2(ReadAll(Unit(".timer")).contains("OnCalendar=Mon..Fri *-*-* 06:59:00\n"), ReadAll(Unit(".timer")));
    QVERIFY(ReadAll(log_).contains("--user enable --now brimcast-rec-1.timer\n"));
    QTableWidget* table = dialog->table();
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, ScheduleDialog::ColLength)->text(), QStringLiteral("1:30:00"));
    QVERIFY(table->item(0, ScheduleDialog::ColNext)->text().contains(QStringLiteral("2030-01-0")));
    Close(dialog);
}

void ScheduleDialogTest::badInputShowsWhyAndWritesNothing()
{
    ScheduleDialog* dialog = Open();
    QVERIFY(dialog);
    Click(dialog->addButton());
    ScheduleSlotDialog* slot = dialog->slotDialog();
    QVERIFY(slot);
    Click(slot->customButton());
    Type(slot->customEdit(), QStringLiteral("Mon..Fry 07:00"));
    Click(slot->okButton());
    QTRY_VERIFY(!dialog->busy());
    QVERIFY(slot->problemLabel()->isVisible());
    QVERIFY2(slot->problemLabel()->text().startsWith(QLatin1String("systemd cannot read the time 'Mon..Fry 07:00'")),
             qPrintable(slot->problemLabel()->text()));
    QCOMPARE(QDir(dir_.path() + QStringLiteral("/conf/systemd/user")).entryList(QDir::Files).size(), 2);
    QTest::keyClick(slot, Qt::Key_Escape);
    QTRY_VERIFY(!dialog->slotDialog());
    Close(dialog);
}

void ScheduleDialogTest::theRowShowsHowARunEnded()
{
    const QString state = dir_.path() + QStringLiteral("/state/Brimcast/schedule");
    // Each run's events replace the file of the run before, as systemd does.
    auto run = [&](const QByteArray& end) {
        QFile f(state + QStringLiteral("/next"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"event\":\"connecting\",\"job\":1,\"address\":\"mms://127.0.0.1/news\"}\n" + end + "\n");
        f.close();
        QFile::remove(state + QStringLiteral("/brimcast-rec-1.jsonl"));
        QVERIFY(f.rename(state + QStringLiteral("/brimcast-rec-1.jsonl")));
    };
    QCOMPARE(Record(1), QString());
    run(R"({"event":"finished","job":1,"address":"mms://127.0.0.1/news","result":"completed",)"
        R"("output":"/r/news.asf","bytes":2048000,"outages":0,"attempts":[]})");
    QTRY_COMPARE(Record(1), QString::fromUtf8(CompletedText()));
    run(R"({"event":"finished","job":1,"address":"mms://127.0.0.1/news","result":"failed","output":"",)"
        R"("bytes":0,"error":"Connection refused","attempts":[{"transport":"MMS over TCP","reason":"refused"}]})");
    QTRY_COMPARE(Record(1), QStringLiteral("Connection refused"));
    // The other row is no slot's.
    QCOMPARE(Record(0), QString());
    ScheduleDialog* dialog = Open();
    QVERIFY(dialog);
    QCOMPARE(dialog->table()->item(0, ScheduleDialog::ColResult)->text(), ScheduleDialog::tr("failed"));
    Close(dialog);
}

void ScheduleDialogTest::removesAfterAsking()
{
    ScheduleDialog* dialog = Open();
    QVERIFY(dialog);
    QTableWidget* table = dialog->table();
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(0, 1)).center());
        Click(dialog->removeButton());
        QMessageBox* box = dialog->removeQuestion();
        QVERIFY(box);
        Click(box->button(answer));
        QTRY_VERIFY(!dialog->busy());
        QCOMPARE(QFile::exists(Unit(".service")), answer == QMessageBox::No);
        QCOMPARE(QFile::exists(Unit(".timer")), answer == QMessageBox::No);
    }
    QCOMPARE(table->rowCount(), 0);
    Close(dialog);
}

QTEST_MAIN(ScheduleDialogTest)
#include "schedule_dialog_test.moc"
