#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/failed_attempt.h"
#include "base/stream_info.h"

// What an event of a recording job tells its owner.
enum class JobEventKind {
    Connecting,      // a client starts connecting: transport, address
    HeaderReceived,  // the stream header arrived: text = output path, durationMs
    Finished,        // the job has ended: result, text, errorText, bytes, noNext
    Progress,        // bytes, progress, timeMs
    Credentials,     // new credentials were accepted: user, password
    StreamUrlFound,  // a client found a stream address: text = the address
    FileKept,        // an existing output file was kept: text = its path
    Quit,            // the user quit the file-exists question
    EntryFinished,   // one entry of a playlist of several has ended: address, result,
                     // text (its output path), errorText, bytes
    Reconnecting,    // the connection dropped; attempt `attempt` follows its wait
    Reconnected,     // an outage ended: outageAtMs, outageMs, attempt
};

// The kind's name ("Connecting", ...), for diagnostics.
const char* JobEventKindName(JobEventKind kind);

// How a job ended (Finished).
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
// tell of a later event). Fields its kind does not name stay at their defaults.
struct JobEvent {
    uint16_t jobId = 0;
    JobEventKind kind = JobEventKind::Connecting;

    // Progress, Finished and EntryFinished: bytes the job (EntryFinished: the
    // entry) has written.
    uint64_t bytes = 0;
    uint32_t progress = 0;    // Progress: hundredths of a percent (0..10000)
    uint32_t timeMs = 0;      // Progress: recorded stream time
    uint32_t durationMs = 0;  // HeaderReceived: the stream's duration (0: unknown or live)
    // HeaderReceived: the output path; StreamUrlFound: the found address;
    // FileKept: the kept file; Finished: the job's (last) output path, whatever
    // the result.
    std::string text;

    // Credentials: the credentials the user gave (for the run's member credentials).
    std::string user;
    std::string password;

    // EntryFinished: the entry's address; Connecting: the address the client tries
    // (a playlist's entry, the mms:// form of an rtsp:// address, ...).
    std::string address;
    // Connecting: the client that connects.
    StreamTransport transport = StreamTransport::None;

    // Reconnecting and Reconnected: the reconnect attempt (from 1; Reconnected:
    // the one that worked).
    uint32_t attempt = 0;
    // Reconnected: when the connection dropped (ms since 1970, UTC) and how long
    // the outage lasted; Finished: the outages of the job and their sum.
    int64_t outageAtMs = 0;
    uint64_t outageMs = 0;
    uint32_t outages = 0;

    // Finished and EntryFinished.
    JobResult result = JobResult::None;
    std::string errorText;  // Failed: the last error text (may be empty)
    // The attempts of the fallback chain that brought no recording, in the
    // order tried, each with its reason (also beside a job that recorded
    // after some failed).
    std::vector<FailedAttempt> attempts;
    bool noNext = false;    // the chain of recordings must not go on after this job

    static JobEvent Of(uint16_t jobId, JobEventKind kind)
    {
        JobEvent e;
        e.jobId = jobId;
        e.kind = kind;
        return e;
    }
};

// The word a result has in machine-readable output ("completed", "cancelled",
// "failed", "incomplete"; "" for None).
const char* JobResultWord(JobResult result);
