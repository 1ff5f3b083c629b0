#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/failed_attempt.h"
#include "base/stream_info.h"

// Status codes of a recording job, as its owner receives them.
enum RecorderStatusCode : int {
    kStatusConnecting = 0,      // a client starts connecting: transport, address
    kStatusHeaderReceived = 2,  // the stream header arrived: text = output path, durationMs
    kStatusFinished = 3,        // the job has ended: result, text, errorText, bytes, noNext
    kStatusProgress = 5,        // bytes, progress, timeMs
    kStatusCredentials = 9,     // new credentials were accepted: user, password
    kStatusStreamUrlFound = 10, // a client found a stream address: text = the address
    kStatusFileKept = 11,       // an existing output file was kept: text = its path
    kStatusQuit = 12,           // the user quit the file-exists question
    kStatusEntryFinished = 13,  // one entry of a playlist of several has ended: address, result,
                                // text (its output path), errorText, bytes
    kStatusReconnecting = 14,   // the connection dropped; attempt `attempt` follows its wait
    kStatusReconnected = 15,    // an outage ended: outageAtMs, outageMs, attempt
};

// How a job ended (code 3).
enum class JobResult {
    None,        // not an end event
    Completed,   // recorded
    Cancelled,   // stopped by the user, or a question answered "cancel"
    Failed,      // errorText says why
    Incomplete,  // the server ended an on-demand stream before its announced end; the
                 // file is finalised and can be resumed
};

// One status event of a job, by value: everything the receiver needs to show
// it, so that it never reads the job's fields later (when they may already
// tell of a later event). Fields a code does not name stay at their defaults.
struct JobEvent {
    uint16_t jobId = 0;
    int code = 0;  // a RecorderStatusCode

    uint64_t bytes = 0;       // codes 5, 3 and 13: bytes the job (13: the entry) has written
    uint32_t progress = 0;    // code 5: hundredths of a percent (0..10000)
    uint32_t timeMs = 0;      // code 5: recorded stream time
    uint32_t durationMs = 0;  // code 2: the stream's duration (0: unknown or live)
    // Code 2: the output path; 10: the found address; 11: the kept file;
    // 3: the job's (last) output path, whatever the result.
    std::string text;

    // Code 9: the credentials the user gave (for the run's member credentials).
    std::string user;
    std::string password;

    // Code 13: the entry's address; code 0: the address the client tries
    // (a playlist's entry, the mms:// form of an rtsp:// address, ...).
    std::string address;
    // Code 0: the client that connects.
    StreamTransport transport = StreamTransport::None;

    // Codes 14 and 15: the reconnect attempt (from 1; 15: the one that worked).
    uint32_t attempt = 0;
    // Code 15: when the connection dropped (ms since 1970, UTC) and how long
    // the outage lasted; code 3: the outages of the job and their sum.
    int64_t outageAtMs = 0;
    uint64_t outageMs = 0;
    uint32_t outages = 0;

    // Codes 3 and 13.
    JobResult result = JobResult::None;
    std::string errorText;  // Failed: the last error text (may be empty)
    // The attempts of the fallback chain that brought no recording, in the
    // order tried, each with its reason (also beside a job that recorded
    // after some failed).
    std::vector<FailedAttempt> attempts;
    bool noNext = false;    // the chain of recordings must not go on after this job

    static JobEvent Of(uint16_t jobId, int code)
    {
        JobEvent e;
        e.jobId = jobId;
        e.code = code;
        return e;
    }
};

// The word a result has in machine-readable output ("completed", "cancelled",
// "failed", "incomplete"; "" for None).
const char* JobResultWord(JobResult result);
