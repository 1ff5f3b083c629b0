#pragma once

#include "base/job_event.h"

// Receives the status events of recording jobs, from any thread. Must never
// block the caller: the desktop front end queues the event onto its main
// thread, the CLI onto its main loop's queue, and the receiver hands it to
// RecorderController::HandleStatus there. The event carries its own data.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void Post(const JobEvent& event) = 0;
};
