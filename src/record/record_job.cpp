#include "record/record_job.h"

#include <utility>

#include "base/status_sink.h"

RecordJob::RecordJob(StatusSink* owner_, uint16_t jobId_, const AppSettings& settings_,
                     std::string url_, std::string title_, std::string playerAgent_,
                     std::string user, std::string password)
    : owner(owner_),
      jobId(jobId_),
      settings(settings_),
      url(std::move(url_)),
      title(std::move(title_)),
      playerAgent(std::move(playerAgent_)),
      user_(std::move(user)),
      password_(std::move(password))
{
}

std::string RecordJob::OutputPath() const
{
    std::lock_guard lock(mutex_);
    return outputPath_;
}

void RecordJob::SetOutputPath(const std::string& path)
{
    std::lock_guard lock(mutex_);
    outputPath_ = path;
}

std::string RecordJob::User() const
{
    std::lock_guard lock(mutex_);
    return user_;
}

std::string RecordJob::Password() const
{
    std::lock_guard lock(mutex_);
    return password_;
}

void RecordJob::SetCredentials(const std::string& user, const std::string& password)
{
    std::lock_guard lock(mutex_);
    user_ = user;
    password_ = password;
}

std::string RecordJob::ErrorText() const
{
    std::lock_guard lock(mutex_);
    return errorText_;
}

void RecordJob::SetErrorText(const std::string& text)
{
    std::lock_guard lock(mutex_);
    errorText_ = text;
}

StreamInfo RecordJob::Stream() const
{
    std::lock_guard lock(mutex_);
    return stream_;
}

void RecordJob::SetStream(const StreamInfo& info)
{
    std::lock_guard lock(mutex_);
    stream_ = info;
}

std::vector<FailedAttempt> RecordJob::Attempts() const
{
    std::lock_guard lock(mutex_);
    return attempts_;
}

void RecordJob::AddAttempt(FailedAttempt attempt)
{
    std::lock_guard lock(mutex_);
    if (attempts_.size() >= kMaxAttempts)
        attempts_.erase(attempts_.begin());
    attempts_.push_back(std::move(attempt));
}

void RecordJob::SetAttempts(std::vector<FailedAttempt> attempts)
{
    std::lock_guard lock(mutex_);
    attempts_ = std::move(attempts);
}

JobResult RecordJob::Result() const
{
    if (errorFlag)
        return JobResult::Failed;
    if (stopRequested)
        return JobResult::Cancelled;
    if (incomplete)
        return JobResult::Incomplete;
    return JobResult::Completed;
}

JobEvent RecordJob::EndEvent() const
{
    JobEvent e = JobEvent::Of(jobId, JobEventKind::Finished);
    e.result = Result();
    e.bytes = bytesWritten;
    e.noNext = noNext;
    e.text = OutputPath();
    e.outages = outages;
    e.outageMs = outageMs;
    if (e.result == JobResult::Failed)
        e.errorText = ErrorText();
    e.attempts = Attempts();
    return e;
}

void RecordJob::Post(JobEvent event) const
{
    if (!owner)
        return;
    event.jobId = jobId;
    owner->Post(event);
}
