// Record > Scheduled Recordings... on a real window: slots added for the
// selected row, refused, changed and removed through the dialog, with
// systemd's own calendar reader and a stand-in for `systemctl --user`; and
// the list row of a slot's address showing how its run ended.
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

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

// Every control the dialog holds is named for a screen reader.
void CheckNamed(QWidget* dialog)
{
    for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->focusPolicy() || qobject_cast<QLabel*>(w))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QVERIFY2(a && !a->text(QAccessible::Name).isEmpty(), w->metaObject()->className());
    }
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
    void editsTheSlot();
    void withoutAUserManagerNothingIsAdded();
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
    CheckNamed(dialog);
    QCOMPARE(dialog->table()->rowCount(), 0);
    Click(dialog->addButton());
    ScheduleSlotDialog* slot = dialog->slotDialog();
    QVERIFY(slot);
    CheckNamed(slot);
    QCOMPARE(slot->addressEdit()->text(), kNews);
    QCOMPARE(slot->titleEdit()->text(), QStringLiteral("Morning News"));
    QVERIFY(slot->weeklyButton()->isChecked());
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
    QCOMPARE(table->item(0, ScheduleDialog::ColTitle)->text(), QStringLiteral("Morning News"));
    QCOMPARE(table->item(0, ScheduleDialog::ColAddress)->text(), kNews);
    QCOMPARE(table->item(0, ScheduleDialog::ColLength)->text(), QStringLiteral("1:30:00"));
    QVERIFY(table->item(0, ScheduleDialog::ColNext)->text().contains(QStringLiteral("2030-01-0")));
    QCOMPARE(table->item(0, ScheduleDialog::ColResult)->text(), ScheduleDialog::tr("not run yet"));
    Close(dialog);
}

void ScheduleDialogTest::badInputShowsWhyAndWritesNothing()
{
    ScheduleDialog* dialog = Open();
    QVERIFY(dialog);
    const struct {
        const char* when;
        const char* folder;
        const char* message;
    } cases[] = {
        {"Mon..Fry 07:00", "", "systemd cannot read the time 'Mon..Fry 07:00'"},
        {"daily", "/no/such/folder", "the folder /no/such/folder does not exist"},
    };
    Click(dialog->addButton());
    ScheduleSlotDialog* slot = dialog->slotDialog();
    QVERIFY(slot);
    Click(slot->customButton());
    for (const auto& c : cases) {
        Type(slot->customEdit(), QString::fromLatin1(c.when));
        Type(slot->folderEdit(), QString::fromLatin1(c.folder));
        Click(slot->okButton());
        QTRY_VERIFY(!dialog->busy());
        QVERIFY2(slot->problemLabel()->isVisible(), c.when);
        QVERIFY2(slot->problemLabel()->text().startsWith(QString::fromLatin1(c.message)),
                 qPrintable(slot->problemLabel()->text()));
    }
    QCOMPARE(QDir(dir_.path() + QStringLiteral("/conf/systemd/user")).entryList(QDir::Files).size(), 2);
    QTest::keyClick(slot, Qt::Key_Escape);
    QTRY_VERIFY(!dialog->slotDialog());
    Close(dialog);
}

void ScheduleDialogTest::editsTheSlot()
{
    ScheduleDialog* dialog = Open();
    QVERIFY(dialog);
    QTableWidget* table = dialog->table();
    // A double click: press and release, then the second press.
    const QPoint cell = table->visualItemRect(table->item(0, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
    ScheduleSlotDialog* slot = dialog->slotDialog();
    QVERIFY(slot);
    // The time the dialog wrote reads back as days.
    QVERIFY(slot->weeklyButton()->isChecked());
    QVERIFY(slot->dayBox(0)->isChecked() && slot->dayBox(4)->isChecked() && !slot->dayBox(5)->isChecked());
    QCOMPARE(slot->timeEdit()->time(), QTime(7, 0));
    Type(slot->titleEdit(), QStringLiteral("News at 7"));
    Type(slot->lengthBox(), QStringLiteral("45"));
    Click(slot->okButton());
    QTRY_VERIFY(!dialog->slotDialog());
    QTRY_VERIFY(!dialog->busy());

    schedule::ScheduleSlot back;
    QVERIFY(ScheduleDialog::UserScheduler(*profile_).Find("1", &back));
    QCOMPARE(back.title, std::string("News at 7"));
    QCOMPARE(back.durationSeconds, 45 * 60);
    QCOMPARE(back.preSeconds, 60);
    QCOMPARE(table->item(0, ScheduleDialog::ColTitle)->text(), QStringLiteral("News at 7"));
    Close(dialog);
}

void ScheduleDialogTest::withoutAUserManagerNothingIsAdded()
{
    qputenv("FAKE_SYSTEMCTL_FAIL", "show");
    ScheduleDialog* dialog = Open();
    qunsetenv("FAKE_SYSTEMCTL_FAIL");
    QVERIFY(dialog);
    QVERIFY2(dialog->notice()->text().contains(QStringLiteral("need a systemd user session (systemctl --user)")),
             qPrintable(dialog->notice()->text()));
    QVERIFY(!dialog->addButton()->isEnabled());
    // The slots written are still listed, their next start read from the calendar.
    QCOMPARE(dialog->table()->rowCount(), 1);
    QVERIFY(dialog->table()->item(0, ScheduleDialog::ColNext)->text().contains(ScheduleDialog::tr("(timer off)")));
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
    QCOMPARE(window_->view()->list().Cell(1, kColSize), std::string("2000K"));
    QCOMPARE(window_->view()->list().Cell(1, kColRecordingFile), std::string("/r/news.asf"));
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
