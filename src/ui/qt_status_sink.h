#pragma once

#include <functional>
#include <mutex>

#include <QObject>

#include "base/event_queue.h"
#include "base/status_sink.h"

class QTimer;

// The jobs' status events, carried onto the thread this object lives on
// (the main thread) and handed to the handler there in batches, in the
// order they were posted. A worker never waits: Post takes a lock for a
// moment and at most once per batch asks the event loop for a call.
//
// Progress is coalesced as EventQueue does it (a job's newest queued progress
// takes the values of a newer one); and progress alone waits for the next tick
// (kProgressIntervalMs) instead of waking the main thread per packet. Any
// other event is delivered at the next turn of the event loop, with the
// progress queued before it.
class QtStatusSink final : public QObject, public StatusSink {
    Q_OBJECT
public:
    static constexpr int kProgressIntervalMs = 100;

    explicit QtStatusSink(QObject* parent = nullptr);
    ~QtStatusSink() override;

    // Main thread; set before the first job starts.
    void SetHandler(std::function<void(const JobEvent&)> handler) { handler_ = std::move(handler); }
    // Any thread.
    void Post(const JobEvent& event) override;
    // Main thread: hands everything queued to the handler now, until
    // nothing is left (the end events of the jobs joined at shutdown,
    // before the list is saved).
    void Drain();
    // Events delivered so far (for the benchmark and tests).
    uint64_t delivered() const { return delivered_; }
    uint64_t batches() const { return batches_; }

private:
    // Hands the events queued now to the handler; false when there were none.
    bool DeliverBatch();

    EventQueue queue_;
    std::mutex mutex_;
    bool wakePending_ = false;    // guarded by mutex_: a call to Drain is queued
    bool tickPending_ = false;    // guarded by mutex_: the tick timer is (being) started
    QTimer* tick_;
    std::function<void(const JobEvent&)> handler_;
    bool draining_ = false;
    bool missedTurn_ = false;  // a call came while draining_
    uint64_t delivered_ = 0;
    uint64_t batches_ = 0;
};
