#include "ui/qt_status_sink.h"

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
    queue_.Post(event);
    {
        std::lock_guard lock(mutex_);
        if (event.kind != JobEventKind::Progress) {
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
    {
        // What is posted from now on asks for a call of its own, so one
        // batch per call: a steady stream of progress cannot hold the
        // event loop here. (Reset before the batch is taken, so that no
        // event is left without a call.)
        std::lock_guard lock(mutex_);
        wakePending_ = false;
        tickPending_ = false;
    }
    const std::deque<JobEvent> batch = queue_.TakeEvents();
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
