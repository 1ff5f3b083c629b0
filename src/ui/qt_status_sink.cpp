#include "ui/qt_status_sink.h"

#include <algorithm>

#include <QTimer>

QtStatusSink::QtStatusSink(QObject* parent) : QObject(parent), tick_(new QTimer(this))
{
    tick_->setSingleShot(true);
    tick_->setInterval(kProgressIntervalMs);
    connect(tick_, &QTimer::timeout, this, &QtStatusSink::DeliverBatch);
}

QtStatusSink::~QtStatusSink() = default;

void QtStatusSink::Post(const JobEvent& event)
{
    bool wake = false;
    bool tick = false;
    {
        std::lock_guard lock(mutex_);
        bool merged = false;
        if (event.code == kStatusProgress) {
            // Only the job's newest queued event may take the values: no
            // progress overtakes the job's other events. The queue holds at
            // most about one batch, so the scan is short.
            auto last = std::find_if(queue_.rbegin(), queue_.rend(),
                                     [&](const JobEvent& e) { return e.jobId == event.jobId; });
            if (last != queue_.rend() && last->code == kStatusProgress) {
                *last = event;
                merged = true;
            }
        }
        if (!merged)
            queue_.push_back(event);
        if (event.code != kStatusProgress) {
            wake = !wakePending_;
            wakePending_ = true;
        } else if (!wakePending_ && !tickPending_) {
            tick = tickPending_ = true;
        }
    }
    // Queued calls to this object are dropped when it is destroyed.
    if (wake)
        QMetaObject::invokeMethod(
            this, [this] { DeliverBatch(); }, Qt::QueuedConnection);
    if (tick)
        QMetaObject::invokeMethod(
            this, [this] { tick_->start(); }, Qt::QueuedConnection);
}

void QtStatusSink::Drain()
{
    while (DeliverBatch()) {
    }
}

bool QtStatusSink::DeliverBatch()
{
    if (draining_) {
        // A handler that runs the event loop; the outer call asks for
        // another turn when it is done.
        missedTurn_ = true;
        return false;
    }
    std::deque<JobEvent> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
        // What is posted from now on asks for a call of its own, so one
        // batch per call: a steady stream of progress cannot hold the
        // event loop here.
        wakePending_ = false;
        tickPending_ = false;
    }
    if (batch.empty())
        return false;
    draining_ = true;
    ++batches_;
    for (const JobEvent& e : batch) {
        ++delivered_;
        if (handler_)
            handler_(e);
    }
    draining_ = false;
    if (missedTurn_) {
        // The calls queued for what arrived meanwhile were swallowed.
        missedTurn_ = false;
        QMetaObject::invokeMethod(
            this, [this] { DeliverBatch(); }, Qt::QueuedConnection);
    }
    return true;
}
