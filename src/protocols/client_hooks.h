#pragma once

#include <cstdint>
#include <string>

#include "base/stream_info.h"

// How the media phase of a recording attempt ended (OnStreamEnd).
enum class StreamEnd {
    Unknown,         // the client did not say
    EndOfStream,     // the server signalled the end, or an on-demand stream delivered
                     // everything its header announced
    LimitReached,    // the time or size limit of the settings ended it
    Stopped,         // the user stopped the job
    ConnectionLost,  // a live stream's connection ended without an end-of-stream
                     // signal (a normal end of a live recording)
    Incomplete,      // an on-demand stream ended before its announced end: fewer data
                     // packets than its header announces, or its play duration not reached
                     // (the server marked the end early)
    Interrupted,     // an on-demand stream's connection ended before its announced end
                     // without an end-of-stream signal (close, reset, read error, silence)
    HeaderChanged,   // a broadcast continued after a reconnect sent a header of other
                     // streams: nothing was written
};

// Notifications of the protocol clients. The recording worker (CmmsThread)
// implements them once for all four clients; the bodies here do nothing, so
// a client used on its own (tests, the URL check) needs no implementation.
// Messages arrive already formatted: clients format with Printf().
class ClientHooks {
public:
    virtual ~ClientHooks() = default;

    virtual void OnConnecting(const std::string& /*url*/, int /*port*/) {}
    virtual void OnHeaderReceived(const std::string& /*url*/, uint32_t /*durationMs*/) {}
    // bytesWritten: what this attempt has written to the output so far.
    virtual void OnProgress(uint64_t /*bytesWritten*/, uint32_t /*progress*/, uint32_t /*timeMs*/) {}
    // A data packet was written (a packet the file held already is not
    // one), before its OnProgress; timeMs as OnProgress gives it.
    virtual void OnDataPacket(uint32_t /*timeMs*/) {}
    virtual void OnFinished(uint64_t /*bytesWritten*/) {}
    // Once per attempt that reached the media phase, when that phase ends,
    // before the client returns: how it ended and how many data packets the
    // attempt wrote to the output.
    virtual void OnStreamEnd(StreamEnd /*how*/, uint64_t /*dataPackets*/) {}
    virtual void Trace(const std::string& /*text*/) {}
    virtual void ReportError(const std::string& /*text*/) {}
    // Why the attempt brings nothing, in plain words for the user (see
    // protocols/net/failure_reason.h), beside the error message: the last
    // one a client gives before its Record returns 0 is the attempt's.
    virtual void OnFailureReason(const std::string& /*reason*/) {}
    virtual void OnText(const std::string& /*text*/) {}
    virtual void OnCredentials(const std::string& /*user*/, const std::string& /*password*/) {}
    virtual void OnNoNext() {}
    // The file handed over for a resume holds another stream than the one
    // the server sends (see RecordRequest::keptHeader): nothing was written
    // and the attempt ends.
    virtual void OnResumeRefused() {}
    virtual void OnStreamUrlFound(const std::string& /*url*/) {}
    // What the stream's header says (live or on demand, duration, bit rate,
    // title), once a client has read it; the transport is left None.
    virtual void OnStreamInfo(const StreamInfo& /*info*/) {}
};
