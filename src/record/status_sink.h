#pragma once

#include <cstdint>

// Status codes a recording job posts to its owner (the recorder controller).
enum RecorderStatusCode : int {
    kStatusConnecting = 0,
    kStatusHeaderReceived = 2,
    kStatusFinished = 3,
    kStatusProgress = 5,
    kStatusCredentials = 9,
    kStatusStreamUrlFound = 10,
    kStatusFileKept = 11,
    kStatusQuit = 12,
};

// Receives (jobId, code) from any thread. Must never block the caller: the
// desktop front end queues the call onto its main thread, the CLI onto its
// event queue. The receiver reads the job's fields when it handles the code.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void Post(uint16_t jobId, int code) = 0;
};
