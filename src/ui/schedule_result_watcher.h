#pragma once

#include <map>
#include <string>

#include <QObject>
#include <QString>

#include "schedule/scheduler.h"

class MediaList;
class QFileSystemWatcher;
class QTimer;

// Shows in the media list how scheduled recordings end: when a slot's run
// ends while the window runs, the row of the slot's address gets its result
// as a recording of the window's own would (a row the window records itself
// is left alone, as are addresses not in the list). Each run writes its
// events to a file of the state folder; the watcher reads a file again when
// it changes, and looks over the folder now and then for what a file watch
// cannot see (the folder made later, a file replaced between two reads).
class ScheduleResultWatcher final : public QObject {
    Q_OBJECT
public:
    ScheduleResultWatcher(MediaList& list, schedule::SchedulePlaces places, QObject* parent = nullptr);

    // Reads the result files that changed and shows the runs that ended.
    void Scan();

signals:
    // A run of a slot ended (its row, if any, shows it now).
    void runEnded(const QString& address);

private:
    struct Seen {
        int64_t size = -1;
        int64_t modified = -1;  // milliseconds since 1970
        std::string shown;      // the result last shown; empty while a run goes on
    };

    void ScanFiles(bool show);
    void Show(const schedule::ScheduleSlot& slot, const schedule::SlotResult& result);

    MediaList& list_;
    schedule::SchedulePlaces places_;
    std::map<std::string, Seen> seen_;  // by file name
    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    QTimer* sweep_;
};
