#include "ui/schedule_slot_dialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace {

QSpinBox* MinutesBox(int maximum, const QString& name, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setSuffix(ScheduleSlotDialog::tr(" min"));
    box->setAccessibleName(name);
    return box;
}

int RoundedMinutes(int seconds) { return (seconds + 30) / 60; }

// Slots made elsewhere may hold seconds; a box the user left alone keeps them.
int Seconds(const QSpinBox* box, int original)
{
    return box->value() == RoundedMinutes(original) ? original : box->value() * 60;
}

}  // namespace

QString ScheduleSlotDialog::DaysExpression(const std::array<bool, 7>& days, QTime time)
{
    const QString at = time.toString(QStringLiteral("HH:mm"));
    if (std::find(days.begin(), days.end(), false) == days.end())
        return QStringLiteral("*-*-* ") + at;
    // Runs of three or more days read as a range: Mon..Fri.
    QStringList parts;
    for (int d = 0; d < 7;) {
        if (!days[static_cast<size_t>(d)]) {
            ++d;
            continue;
        }
        int end = d;
        while (end + 1 < 7 && days[static_cast<size_t>(end + 1)])
            ++end;
        if (end - d >= 2) {
            parts << QString::fromLatin1(kDayNames[static_cast<size_t>(d)]) + QStringLiteral("..") +
                         QString::fromLatin1(kDayNames[static_cast<size_t>(end)]);
        } else {
            for (int k = d; k <= end; ++k)
                parts << QString::fromLatin1(kDayNames[static_cast<size_t>(k)]);
        }
        d = end + 1;
    }
    return parts.isEmpty() ? QString() : parts.join(QLatin1Char(',')) + QLatin1Char(' ') + at;
}

ScheduleSlotDialog::ScheduleSlotDialog(const schedule::ScheduleSlot& slot, bool editing, QWidget* parent)
    : QDialog(parent),
      original_(slot),
      address_(new QLineEdit(Q(slot.address), this)),
      title_(new QLineEdit(Q(slot.title), this)),
      weekly_(new QRadioButton(tr("&Every week on"), this)),
      once_(new QRadioButton(tr("&Once, on"), this)),
      custom_(new QRadioButton(tr("As a &calendar time"), this)),
      date_(new QDateEdit(QDate::currentDate(), this)),
      customWhen_(new QLineEdit(this)),
      time_(new QTimeEdit(this)),
      length_(MinutesBox(schedule::kMaxDurationSeconds / 60, tr("Length in minutes"), this)),
      before_(MinutesBox(schedule::kMaxPaddingSeconds / 60, tr("Start earlier by, in minutes"), this)),
      after_(MinutesBox(schedule::kMaxPaddingSeconds / 60, tr("End later by, in minutes"), this)),
      folder_(new QLineEdit(Q(slot.dir), this)),
      browse_(new QPushButton(tr("&Browse..."), this)),
      problem_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Cancel, this)),
      ok_(new QPushButton(editing ? tr("&Save") : tr("&Add"), this))
{
    setWindowTitle(editing ? tr("Change Scheduled Recording") : tr("Add Scheduled Recording"));
    address_->setAccessibleName(tr("Address"));
    title_->setAccessibleName(tr("Title"));
    title_->setPlaceholderText(tr("named after the address"));
    date_->setAccessibleName(tr("Date"));
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    customWhen_->setAccessibleName(tr("Calendar time"));
    customWhen_->setPlaceholderText(tr("like Mon..Fri 07:00, daily or 2026-12-24 20:00"));
    time_->setAccessibleName(tr("Start time"));
    time_->setDisplayFormat(QStringLiteral("HH:mm"));
    length_->setMinimum(1);
    length_->setValue(RoundedMinutes(slot.durationSeconds));
    before_->setValue(RoundedMinutes(slot.preSeconds));
    after_->setValue(RoundedMinutes(slot.postSeconds));
    folder_->setAccessibleName(tr("Folder"));
    folder_->setPlaceholderText(tr("the base folder of the settings"));
    problem_->setObjectName(QStringLiteral("scheduleSlotProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("QLabel { color: #b00020; }"));
    problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem_->hide();

    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {weekly_, once_, custom_})
        group->addButton(b);
    auto* dayRow = new QHBoxLayout;
    const QString dayTexts[] = {tr("Mon"), tr("Tue"), tr("Wed"), tr("Thu"), tr("Fri"), tr("Sat"), tr("Sun")};
    for (size_t d = 0; d < days_.size(); ++d) {
        days_[d] = new QCheckBox(dayTexts[d], this);
        dayRow->addWidget(days_[d]);
    }
    dayRow->addStretch();
    auto* when = new QGridLayout;
    when->addWidget(weekly_, 0, 0);
    when->addLayout(dayRow, 0, 1);
    when->addWidget(once_, 1, 0);
    when->addWidget(date_, 1, 1, Qt::AlignLeft);
    when->addWidget(custom_, 2, 0);
    when->addWidget(customWhen_, 2, 1);
    ShowWhen(Q(slot.when));
    for (QRadioButton* b : {weekly_, once_, custom_})
        connect(b, &QRadioButton::toggled, this, &ScheduleSlotDialog::UpdateEnabled);
    UpdateEnabled();

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    connect(browse_, &QPushButton::clicked, this, &ScheduleSlotDialog::Browse);

    auto* form = new QFormLayout;
    form->addRow(tr("A&ddress:"), address_);
    form->addRow(tr("&Title:"), title_);
    form->addRow(tr("Repeats:"), when);
    form->addRow(tr("Start t&ime:"), time_);
    form->addRow(tr("&Length:"), length_);
    form->addRow(tr("Start ea&rlier by:"), before_);
    form->addRow(tr("E&nd later by:"), after_);
    auto* folderLabel = new QLabel(tr("&Folder:"), this);
    folderLabel->setBuddy(folder_);
    form->addRow(folderLabel, folderRow);

    buttons_->addButton(ok_, QDialogButtonBox::AcceptRole);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, [this] {
        problem_->hide();
        emit slotChosen(Slot());
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons_);
}

void ScheduleSlotDialog::ShowWhen(const QString& when)
{
    // The forms this dialog writes; anything else (a time written with the
    // command line, say) is shown and kept as it is.
    static const QRegularExpression form(QStringLiteral("^(\\S+) (\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(when);
    const QTime at = m.hasMatch() ? QTime(m.captured(2).toInt(), m.captured(3).toInt()) : QTime();
    time_->setTime(at.isValid() ? at : QTime(QTime::currentTime().hour(), 0).addSecs(3600));
    custom_->setChecked(true);
    customWhen_->setText(when);
    if (!at.isValid())
        return;
    const QString days = m.captured(1);
    const QDate date = QDate::fromString(days, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid()) {
        date_->setDate(date);
        once_->setChecked(true);
        return;
    }
    std::array<bool, 7> chosen{};
    for (const QString& part : days.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QStringLiteral(".."));
        int first = -1, last = -1;
        for (int d = 0; d < 7; ++d) {
            if (ends.first() == QLatin1String(kDayNames[static_cast<size_t>(d)]))
                first = d;
            if (ends.last() == QLatin1String(kDayNames[static_cast<size_t>(d)]))
                last = d;
        }
        for (int d = first; d >= 0 && d <= last && ends.size() <= 2; ++d)
            chosen[static_cast<size_t>(d)] = true;
    }
    if (days == QLatin1String("*-*-*"))
        chosen.fill(true);
    // Only a time that reads back the same is shown as days.
    if (DaysExpression(chosen, at) != when)
        return;
    for (size_t d = 0; d < days_.size(); ++d)
        days_[d]->setChecked(chosen[d]);
    weekly_->setChecked(true);
}

void ScheduleSlotDialog::UpdateEnabled()
{
    for (QCheckBox* box : days_)
        box->setEnabled(weekly_->isChecked());
    date_->setEnabled(once_->isChecked());
    customWhen_->setEnabled(custom_->isChecked());
    time_->setEnabled(!custom_->isChecked());
}

schedule::ScheduleSlot ScheduleSlotDialog::Slot() const
{
    schedule::ScheduleSlot slot = original_;
    slot.address = S(address_->text().trimmed());
    slot.title = S(title_->text());
    if (weekly_->isChecked()) {
        std::array<bool, 7> chosen{};
        for (size_t d = 0; d < days_.size(); ++d)
            chosen[d] = days_[d]->isChecked();
        slot.when = S(DaysExpression(chosen, time_->time()));
    } else if (once_->isChecked()) {
        slot.when = S(date_->date().toString(QStringLiteral("yyyy-MM-dd ")) + time_->time().toString(QStringLiteral("HH:mm")));
    } else {
        slot.when = S(customWhen_->text().trimmed());
    }
    slot.durationSeconds = Seconds(length_, original_.durationSeconds);
    slot.preSeconds = Seconds(before_, original_.preSeconds);
    slot.postSeconds = Seconds(after_, original_.postSeconds);
    const QString folder = folder_->text().trimmed();
    slot.dir = folder.isEmpty() ? std::string() : S(QDir::cleanPath(folder));
    return slot;
}

void ScheduleSlotDialog::ShowProblem(const QString& text)
{
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
}

void ScheduleSlotDialog::SetBusy(bool busy)
{
    busy_ = busy;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != problem_)
            w->setEnabled(!busy);
    if (!busy)
        UpdateEnabled();
}

void ScheduleSlotDialog::reject()
{
    if (!busy_)
        QDialog::reject();
}

void ScheduleSlotDialog::Browse()
{
    const QString start = folder_->text().trimmed().isEmpty() ? QDir::homePath() : folder_->text().trimmed();
    const QString dir = QFileDialog::getExistingDirectory(this, tr("Folder for the Recordings"), start,
                                                          QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!dir.isEmpty())
        folder_->setText(dir);
}
