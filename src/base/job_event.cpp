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
