#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include "schedule/scheduler.h"
#include "ui/schedule_slot_dialog.h"

class MediaView;
class Profile;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;
class QWidget;

// Record > Scheduled Recordings...: the slots of the schedule (next start,
// title, address, length, how the latest run ended), and adding one for
// the selected row of the list, changing and removing them. Every call of
// the schedule runs systemctl or systemd-analyze and waits for it, so each
// runs on a thread of its own; the dialog shows it is busy meanwhile.
class ScheduleDialog final : public QDialog {
    Q_OBJECT
public:
    // address and title: the row selected in the list, what Add starts
    // with (empty when none is selected).
    ScheduleDialog(schedule::Scheduler scheduler, const QString& address, const QString& title,
                   QWidget* parent = nullptr);

    // The columns of the list.
    enum Column { ColNext, ColTitle, ColAddress, ColLength, ColResult, ColumnCount };

    // A call of the schedule is running (the list is read again after each).
    bool busy() const { return running_ > 0; }
    // The slot dialog of Add or Edit while it is open, and the question of
    // Remove.
    ScheduleSlotDialog* slotDialog() const { return slotDialog_; }
    QMessageBox* removeQuestion() const { return removeQuestion_; }

    QTableWidget* table() const { return table_; }
    QLabel* notice() const { return notice_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* editButton() const { return edit_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* closeButton() const { return close_; }

    // The schedule of this user, run by the brimcast-cli installed beside
    // this program, its recordings reading the window's settings file.
    static schedule::Scheduler UserScheduler(const Profile& profile);
    // Adds Record > Scheduled Recordings... for the view's selected row to
    // menu, and shows in the view's list how the slots' runs end.
    static QAction* AddTo(QMenu* menu, MediaView& view, const Profile& profile, QWidget* window);

signals:
    // The list shows the schedule as it is now.
    void refreshed();

private:
    struct Reading {
        bool reachable = false;
        std::vector<schedule::SlotListing> listings;
    };

    // Runs work on a thread of its own and then done here, unless the
    // dialog is gone by then.
    template <typename T>
    void Run(std::function<T()> work, std::function<void(const T&)> done);
    void Refresh();
    void ShowReading(const Reading& reading);
    void UpdateButtons();
    void OpenSlotDialog(const schedule::ScheduleSlot& slot, bool editing);
    void Store(const schedule::ScheduleSlot& slot, bool editing);
    void AskRemove();
    const schedule::SlotListing* Selected() const;

    schedule::Scheduler scheduler_;
    QString address_;
    QString title_;
    bool reachable_ = false;
    int running_ = 0;
    std::vector<schedule::SlotListing> slots_;
    QPointer<ScheduleSlotDialog> slotDialog_;
    QPointer<QMessageBox> removeQuestion_;
    QLabel* notice_;
    QTableWidget* table_;
    QPushButton* add_;
    QPushButton* edit_;
    QPushButton* remove_;
    QPushButton* close_;
};
