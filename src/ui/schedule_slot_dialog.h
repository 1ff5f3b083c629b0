#pragma once

#include <array>

#include <QDialog>
#include <QTime>

#include "schedule/schedule_slot.h"

class QCheckBox;
class QDateEdit;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

// One scheduled recording to add or change: the address and title, when it
// starts (days of the week, one date, or a calendar time as systemd writes
// them), its length, the padding on either side and the folder. The dialog
// only builds the slot; whoever opened it checks and stores it on
// slotChosen, then closes the dialog or shows why not (ShowProblem).
class ScheduleSlotDialog final : public QDialog {
    Q_OBJECT
public:
    // Days of the week in the dialog's order, Monday first, as systemd
    // names them.
    static constexpr std::array<const char*, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

    // slot: what the fields start with; editing: the slot exists already.
    ScheduleSlotDialog(const schedule::ScheduleSlot& slot, bool editing, QWidget* parent = nullptr);

    // The slot as the fields say it.
    schedule::ScheduleSlot Slot() const;
    // Shows why the slot was not taken, and lets the user change it.
    void ShowProblem(const QString& text);
    // While the slot is being stored, nothing can be changed.
    void SetBusy(bool busy);
    bool busy() const { return busy_; }
    // Not while the slot is being stored: its outcome belongs here.
    void reject() override;

    // "Mon..Fri 07:00", "Mon,Wed 07:00", "*-*-* 07:00" for every day; empty
    // when no day is chosen.
    static QString DaysExpression(const std::array<bool, 7>& days, QTime time);

    QLineEdit* addressEdit() const { return address_; }
    QLineEdit* titleEdit() const { return title_; }
    QRadioButton* weeklyButton() const { return weekly_; }
    QRadioButton* onceButton() const { return once_; }
    QRadioButton* customButton() const { return custom_; }
    QCheckBox* dayBox(int day) const { return days_[static_cast<size_t>(day)]; }
    QDateEdit* dateEdit() const { return date_; }
    QLineEdit* customEdit() const { return customWhen_; }
    QTimeEdit* timeEdit() const { return time_; }
    QSpinBox* lengthBox() const { return length_; }
    QSpinBox* beforeBox() const { return before_; }
    QSpinBox* afterBox() const { return after_; }
    QLineEdit* folderEdit() const { return folder_; }
    QLabel* problemLabel() const { return problem_; }
    QPushButton* okButton() const { return ok_; }

signals:
    void slotChosen(const schedule::ScheduleSlot& slot);

private:
    // Sets the fields from a time the dialog can show as days or a date;
    // any other time is shown as it is written.
    void ShowWhen(const QString& when);
    void UpdateEnabled();
    void Browse();

    schedule::ScheduleSlot original_;
    bool busy_ = false;
    QLineEdit* address_;
    QLineEdit* title_;
    QRadioButton* weekly_;
    QRadioButton* once_;
    QRadioButton* custom_;
    std::array<QCheckBox*, 7> days_{};
    QDateEdit* date_;
    QLineEdit* customWhen_;
    QTimeEdit* time_;
    QSpinBox* length_;
    QSpinBox* before_;
    QSpinBox* after_;
    QLineEdit* folder_;
    QPushButton* browse_;
    QLabel* problem_;
    QDialogButtonBox* buttons_;
    QPushButton* ok_;
};
