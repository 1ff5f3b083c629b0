#include "base/job_event.h"

const char* JobResultWord(JobResult result)
{
    switch (result) {
    case JobResult::None: return "";
    case JobResult::Completed: return "completed";
    case JobResult::Cancelled: return "cancelled";
    case JobResult::Failed: return "failed";
    case JobResult::Incomplete: return "incomplete";
    }
    return "";
}

const char* JobEventKindName(JobEventKind kind)
{
    switch (kind) {
    case JobEventKind::Connecting: return "Connecting";
    case JobEventKind::HeaderReceived: return "HeaderReceived";
    case JobEventKind::Finished: return "Finished";
    case JobEventKind::Progress: return "Progress";
    case JobEventKind::Credentials: return "Credentials";
    case JobEventKind::StreamUrlFound: return "StreamUrlFound";
    case JobEventKind::FileKept: return "FileKept";
    case JobEventKind::Quit: return "Quit";
    case JobEventKind::EntryFinished: return "EntryFinished";
    case JobEventKind::Reconnecting: return "Reconnecting";
    case JobEventKind::Reconnected: return "Reconnected";
    }
    return "";
}
