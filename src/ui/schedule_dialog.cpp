#include "ui/schedule_dialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include "base/display_text.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "ui/media_view.h"
#include "ui/qt_text.h"
#include "ui/schedule_result_watcher.h"
#include "ui/schedule_slot_dialog.h"

namespace {

QString NextStartText(const schedule::SlotListing& l)
{
    QString text = l.next.unixTime >= 0
                       ? QLocale().toString(QDateTime::fromSecsSinceEpoch(l.next.unixTime),
                                            QStringLiteral("ddd yyyy-MM-dd HH:mm"))
                       : Q(l.next.text);
    if (text.isEmpty())
        text = ScheduleDialog::tr("none");
    return l.enabled ? text : ScheduleDialog::tr("%1 (timer off)").arg(text);
}

QString ResultText(const schedule::SlotListing& l)
{
    if (l.running)
        return ScheduleDialog::tr("recording");
    if (!l.last.ran)
        return ScheduleDialog::tr("not run yet");
    const std::string& r = l.last.result;
    const QString size = QLocale().formattedDataSize(l.last.bytes);
    if (r == "completed")
        return ScheduleDialog::tr("completed (%1)").arg(size);
    if (r == "incomplete")
        return ScheduleDialog::tr("incomplete (%1)").arg(size);
    if (r == "failed")
        return ScheduleDialog::tr("failed");
    if (r == "cancelled")
        return ScheduleDialog::tr("cancelled");
    return ScheduleDialog::tr("no result");
}

QString Minutes(int seconds)
{
    return seconds % 60 ? ScheduleDialog::tr("%1 s").arg(seconds) : ScheduleDialog::tr("%1 min").arg(seconds / 60);
}

// What the columns leave out: the time as written, the padding, the folder,
// and the latest run's file or error.
QString Details(const schedule::SlotListing& l)
{
    const schedule::ScheduleSlot& s = l.slot;
    QStringList lines;
    lines << ScheduleDialog::tr("At %1, from %2 before to %3 after")
                 .arg(Q(s.when), Minutes(s.preSeconds), Minutes(s.postSeconds));
    lines << ScheduleDialog::tr("Into %1").arg(s.dir.empty() ? ScheduleDialog::tr("the base folder") : Q(s.dir));
    if (!l.last.output.empty())
        lines << ScheduleDialog::tr("Last file: %1").arg(Q(l.last.output));
    if (!l.last.error.empty())
        lines << ScheduleDialog::tr("Last error: %1").arg(Q(l.last.error));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

ScheduleDialog::ScheduleDialog(schedule::Scheduler scheduler, const QString& address, const QString& title,
                               QWidget* parent)
    : QDialog(parent),
      scheduler_(std::move(scheduler)),
      address_(address),
      title_(title),
      notice_(new QLabel(this)),
      table_(new QTableWidget(0, ColumnCount, this)),
      add_(new QPushButton(tr("&Add..."), this)),
      edit_(new QPushButton(tr("&Edit..."), this)),
      remove_(new QPushButton(tr("&Remove"), this)),
      close_(new QPushButton(tr("&Close"), this))
{
    setWindowTitle(tr("Scheduled Recordings"));
    notice_->setObjectName(QStringLiteral("scheduleNotice"));
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    table_->setAccessibleName(tr("Scheduled recordings"));
    table_->setHorizontalHeaderLabels({tr("Next Start"), tr("Title"), tr("Address"), tr("Length"), tr("Last Result")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // The address takes the room the others leave.
    for (int c = 0; c < ColumnCount; ++c)
        table_->horizontalHeader()->setSectionResizeMode(
            c, c == ColAddress ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &ScheduleDialog::UpdateButtons);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] {
        if (edit_->isEnabled())
            edit_->click();
    });

    add_->setToolTip(tr("Schedule a recording of the row selected in the list"));
    connect(add_, &QPushButton::clicked, this, [this] {
        schedule::ScheduleSlot slot;
        slot.address = S(address_);
        slot.title = S(title_);
        // Today, from the next full hour, for an hour.
        std::array<bool, 7> today{};
        today[static_cast<size_t>(QDate::currentDate().dayOfWeek() - 1)] = true;
        const QTime hour(QTime::currentTime().hour(), 0);
        slot.when = S(ScheduleSlotDialog::DaysExpression(today, hour.addSecs(3600)));
        slot.durationSeconds = 3600;
        slot.preSeconds = 60;
        slot.postSeconds = 120;
        OpenSlotDialog(slot, false);
    });
    connect(edit_, &QPushButton::clicked, this, [this] {
        if (const schedule::SlotListing* l = Selected())
            OpenSlotDialog(l->slot, true);
    });
    connect(remove_, &QPushButton::clicked, this, &ScheduleDialog::AskRemove);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QDialogButtonBox(this);
    for (QPushButton* b : {add_, edit_, remove_})
        buttons->addButton(b, QDialogButtonBox::ActionRole);
    buttons->addButton(close_, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(notice_);
    layout->addWidget(buttons);
    resize(760, 320);
    Refresh();
}

template <typename T>
void ScheduleDialog::Run(std::function<T()> work, std::function<void(const T&)> done)
{
    ++running_;
    UpdateButtons();
    auto result = std::make_shared<T>();
    QThread* thread = QThread::create([work = std::move(work), result] { *result = work(); });
    // The dialog may be closed first: then nobody waits for the result.
    connect(thread, &QThread::finished, this, [this, result, done = std::move(done)] {
        --running_;
        done(*result);
        UpdateButtons();
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void ScheduleDialog::Refresh()
{
    if (slots_.empty())
        notice_->setText(tr("Reading the schedule..."));
    Run<Reading>(
        [scheduler = scheduler_] {
            Reading r;
            r.reachable = scheduler.UserManagerReachable();
            r.listings = scheduler.List();
            return r;
        },
        [this](const Reading& r) { ShowReading(r); });
}

void ScheduleDialog::ShowReading(const Reading& reading)
{
    const schedule::SlotListing* selected = Selected();
    const std::string selectedId = selected ? selected->slot.id : std::string();
    reachable_ = reading.reachable;
    slots_ = reading.listings;
    table_->setRowCount(0);
    table_->setRowCount(static_cast<int>(slots_.size()));
    for (size_t i = 0; i < slots_.size(); ++i) {
        const schedule::SlotListing& l = slots_[i];
        const int row = static_cast<int>(i);
        const QString cells[ColumnCount] = {NextStartText(l), Q(l.slot.title), Q(l.slot.address),
                                            Q(DurationText(static_cast<uint32_t>(l.slot.durationSeconds) * 1000u)),
                                            ResultText(l)};
        const QString details = Details(l);
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(details);
            table_->setItem(row, c, item);
        }
        if (l.slot.id == selectedId)
            table_->selectRow(row);
    }
    if (!reachable_)
        notice_->setText(tr("Scheduled recordings need a systemd user session (systemctl --user). "
                            "None can be added until there is one."));
    else if (slots_.empty())
        notice_->setText(tr("No recordings are scheduled. Add one for the row selected in the list."));
    else
        notice_->clear();
    emit refreshed();
}

void ScheduleDialog::UpdateButtons()
{
    const bool idle = !busy();
    add_->setEnabled(idle && reachable_);
    edit_->setEnabled(idle && Selected());
    remove_->setEnabled(idle && Selected());
}

const schedule::SlotListing* ScheduleDialog::Selected() const
{
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const size_t row = static_cast<size_t>(items.first()->row());
    return row < slots_.size() ? &slots_[row] : nullptr;
}

void ScheduleDialog::OpenSlotDialog(const schedule::ScheduleSlot& slot, bool editing)
{
    auto* dialog = new ScheduleSlotDialog(slot, editing, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ScheduleSlotDialog::slotChosen, this,
            [this, editing](const schedule::ScheduleSlot& chosen) { Store(chosen, editing); });
    slotDialog_ = dialog;
    dialog->open();
}

void ScheduleDialog::Store(const schedule::ScheduleSlot& slot, bool editing)
{
    if (slotDialog_)
        slotDialog_->SetBusy(true);
    Run<schedule::Outcome>(
        [scheduler = scheduler_, slot, editing]() mutable {
            schedule::NextStart next;
            schedule::ScheduleSlot added = slot;
            return editing ? scheduler.Edit(slot, &next) : scheduler.Add(&added, false, &next);
        },
        [this](const schedule::Outcome& outcome) {
            if (slotDialog_) {
                slotDialog_->SetBusy(false);
                if (outcome.ok())
                    slotDialog_->accept();
                else
                    slotDialog_->ShowProblem(Q(outcome.message));
            }
            if (outcome.ok())
                Refresh();
        });
}

void ScheduleDialog::AskRemove()
{
    const schedule::SlotListing* l = Selected();
    if (!l)
        return;
    const std::string id = l->slot.id;
    auto* box = new QMessageBox(QMessageBox::Question, tr("Remove Scheduled Recording"),
                                tr("Remove the scheduled recording of %1?\n\nA recording of it in progress "
                                   "is stopped; its file is kept.")
                                    .arg(Q(l->slot.title.empty() ? l->slot.address : l->slot.title)),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, id] {
        if (box->clickedButton() != box->button(QMessageBox::Yes))
            return;
        Run<schedule::Outcome>([scheduler = scheduler_, id]() mutable { return scheduler.Remove(id); },
                               [this](const schedule::Outcome& outcome) {
                                   // A refusal comes before anything is changed.
                                   if (outcome.ok())
                                       Refresh();
                                   else
                                       notice_->setText(Q(outcome.message));
                               });
    });
    removeQuestion_ = box;
    box->open();
}

schedule::Scheduler ScheduleDialog::UserScheduler(const Profile& profile)
{
    // The brimcast-cli beside this program (installed, or in a build tree
    // beside its cli folder), else the one on the PATH.
    const QString here = QCoreApplication::applicationDirPath();
    QString cli;
    for (const QString& candidate : {here + QStringLiteral("/brimcast-cli"), here + QStringLiteral("/../cli/brimcast-cli")}) {
        if (QFileInfo(candidate).isExecutable()) {
            cli = QFileInfo(candidate).canonicalFilePath();
            break;
        }
    }
    if (cli.isEmpty())
        cli = QStandardPaths::findExecutable(QStringLiteral("brimcast-cli"));
    if (cli.isEmpty())
        cli = QStringLiteral("/usr/bin/brimcast-cli");
    const auto* ini = dynamic_cast<const IniProfile*>(&profile);
    return schedule::Scheduler(schedule::SchedulePlaces::FromEnvironment(), S(cli),
                               ini ? ini->path() : IniProfile::DefaultPath());
}

QAction* ScheduleDialog::AddTo(QMenu* menu, MediaView& view, const Profile& profile, QWidget* window)
{
    auto* watcher = new ScheduleResultWatcher(view.list(), schedule::SchedulePlaces::FromEnvironment(), window);
    auto* action = menu->addAction(tr("Scheduled Recordings..."));
    action->setObjectName(QStringLiteral("scheduledRecordings"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    auto dialog = std::make_shared<QPointer<ScheduleDialog>>();
    QObject::connect(action, &QAction::triggered, window, [&view, &profile, window, watcher, dialog] {
        if (*dialog) {
            (*dialog)->raise();
            (*dialog)->activateWindow();
            return;
        }
        const int row = view.SelectedRow();
        // The title without the mark of an address the URL check could not reach.
        const QString mark = QString::fromLatin1(kUnreachableMark);
        QString title = Q(view.list().Cell(row, kColFile));
        if (title.startsWith(mark))
            title = title.mid(mark.size());
        auto* d = new ScheduleDialog(UserScheduler(profile), row < 0 ? QString() : Q(view.list().Cell(row, kColOriginalFile)),
                                     row < 0 ? QString() : title, window);
        d->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(watcher, &ScheduleResultWatcher::runEnded, d, &ScheduleDialog::Refresh);
        // The first slot makes the state folder, which the watcher then watches.
        QObject::connect(d, &ScheduleDialog::refreshed, watcher, &ScheduleResultWatcher::Scan);
        *dialog = d;
        d->show();
    });
    return action;
}
