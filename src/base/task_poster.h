#pragma once

#include <functional>

// Hands work to the thread that owns the front end's state (the media list):
// capture and URL-check threads post what must happen there. The CLI runs
// the tasks from its main loop's queue, the desktop program as queued calls
// on its main thread.
//
// Post is callable from any thread and never blocks; the tasks run later, on
// the owner's thread, in the order they were posted. Whoever posts must make
// sure that what a task touches lives until it has run or been dropped (the
// owner drops its pending tasks only when it shuts down).
class TaskPoster {
public:
    virtual ~TaskPoster() = default;
    virtual void Post(std::function<void()> task) = 0;
};
