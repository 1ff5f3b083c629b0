#pragma once

#include <QObject>

#include "base/task_poster.h"

// Runs posted tasks on the thread this object lives on (the main thread), as
// queued calls, in the order they were posted. Tasks still pending when the
// object is destroyed are dropped.
class QtTaskPoster final : public QObject, public TaskPoster {
    Q_OBJECT
public:
    using QObject::QObject;
    void Post(std::function<void()> task) override
    {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
    }
};
