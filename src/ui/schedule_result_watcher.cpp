#include "ui/schedule_result_watcher.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "base/display_text.h"
#include "medialist/media_list.h"
#include "medialist/row_status.h"
#include "schedule/slot_result.h"
#include "schedule/slot_units.h"
#include "ui/qt_text.h"

ScheduleResultWatcher::ScheduleResultWatcher(MediaList& list, schedule::SchedulePlaces places, QObject* parent)
    : QObject(parent),
      list_(list),
      places_(std::move(places)),
      watcher_(new QFileSystemWatcher(this)),
      settle_(new QTimer(this)),
      sweep_(new QTimer(this))
{
    // The many writes of a run come as one read.
    settle_->setSingleShot(true);
    settle_->setInterval(200);
    connect(settle_, &QTimer::timeout, this, &ScheduleResultWatcher::Scan);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
    connect(watcher_, &QFileSystemWatcher::fileChanged, settle_, qOverload<>(&QTimer::start));
    sweep_->setInterval(5000);
    connect(sweep_, &QTimer::timeout, this, &ScheduleResultWatcher::Scan);
    sweep_->start();
    // Runs that ended before the window started are not news.
    ScanFiles(false);
}

void ScheduleResultWatcher::Scan() { ScanFiles(true); }

void ScheduleResultWatcher::ScanFiles(bool show)
{
    const QString dir = Q(places_.stateDir);
    if (!QFileInfo(dir).isDir())
        return;
    if (!watcher_->directories().contains(dir))
        watcher_->addPath(dir);
    const QString prefix = QStringLiteral("brimcast-rec-"), suffix = QStringLiteral(".jsonl");
    const schedule::Scheduler units(places_, {}, {});
    std::map<std::string, Seen> now;
    for (const QString& name : QDir(dir).entryList({prefix + QLatin1Char('*') + suffix}, QDir::Files)) {
        const std::string id = S(name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()));
        const QString path = dir + QLatin1Char('/') + name;
        const QFileInfo info(path);
        if (!schedule::IsSlotId(id) || !info.isFile())
            continue;
        Seen seen;
        if (auto it = seen_.find(S(name)); it != seen_.end())
            seen = it->second;
        const int64_t modified = info.lastModified().toMSecsSinceEpoch();
        if (seen.size != info.size() || seen.modified != modified) {
            seen.size = info.size();
            seen.modified = modified;
            schedule::ScheduleSlot slot;
            if (units.Find(id, &slot)) {
                const schedule::SlotResult result = schedule::ReadSlotResult(S(path), slot.address);
                // A new run empties the file: its end is news even when it
                // ends as the one before did.
                const std::string key = result.result.empty() ? std::string()
                                        : result.result + '\n' + result.output + '\n' +
                                              std::to_string(result.bytes) + '\n' + result.error;
                if (show && !key.empty() && key != seen.shown)
                    Show(slot, result);
                seen.shown = key;
            }
        }
        now[S(name)] = seen;
        if (!watcher_->files().contains(path))
            watcher_->addPath(path);
    }
    seen_.swap(now);
}

void ScheduleResultWatcher::Show(const schedule::ScheduleSlot& slot, const schedule::SlotResult& result)
{
    RowState state;
    if (result.result == "completed")
        state = RowState::Completed;
    else if (result.result == "incomplete")
        state = RowState::Incomplete;
    else if (result.result == "cancelled")
        state = RowState::Cancelled;
    else if (result.result == "failed")
        state = RowState::Failed;
    else
        return;
    const int row = list_.FindAddress(slot.address);
    const MediaItem item = list_.Row(row);
    // A row the window records itself shows that recording's end.
    if (row >= 0 && item.itemData == 0) {
        list_.Update(item.id, [&](MediaItem& m) {
            ShowRecordingEnd(m, state, result.output, result.error.empty() ? result.result : result.error);
            if (state == RowState::Completed || state == RowState::Incomplete) {
                m.bytes = static_cast<uint64_t>(result.bytes);
                m.cells[kColSize] = KilobyteText(m.bytes);
            }
        });
    }
    emit runEnded(Q(slot.address));
}
