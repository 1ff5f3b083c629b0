#include "cli/record_reporter.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/display_text.h"
#include "base/failed_attempt.h"
#include "base/status_sink.h"
#include "cli/console.h"
#include "cli/terminal_text.h"
#include "formats/printf.h"
#include "record/cmms_thread.h"

namespace {

// A time as "2026-12-06T21:04:05.123Z".
std::string UtcText(int64_t ms)
{
    const time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm t {};
    if (!gmtime_r(&seconds, &t))
        return {};
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ms % 1000));
    return text;
}


}  // namespace

void RecordReporter::Event::Emit(bool json) const
{
    if (json)
        Console::Get().Out(object.Text());
}

// row: the job's row in the list (its position, as --json reports it).
void RecordReporter::Handled(int row, const JobEvent& e, const CmmsThread& thread)
{
    const RecordJob& job = thread.job();
    const uint16_t id = job.jobId;
    Console& console = Console::Get();
    switch (e.kind) {
    case JobEventKind::Connecting:
        if (started_.insert(id).second) {
            startTimes_[id] = std::chrono::steady_clock::now();
            if (!quiet_ && !json_)
                console.Err("Recording " + TerminalText(job.url));
        }
        Json("connecting", job)
            .Add("row", row)
            .Add("transport", TransportName(e.transport))
            .Add("to", e.address)
            .Emit(json_);
        break;
    case JobEventKind::HeaderReceived: {
        // A client may report its header before it knows the duration
        // (0) and again with it: the line waits for the duration, or for
        // the first data of a stream that has none.
        pendingOutput_[id] = {e.text, DurationText(e.durationMs)};
        if (e.durationMs != 0)
            ShowOutput(id);
        Json("header", job)
            .Add("output", e.text)
            .Add("durationMs", static_cast<int64_t>(e.durationMs))
            .Emit(json_);
        break;
    }
    case JobEventKind::Progress: {
        ShowOutput(id);
        const uint64_t bytes = e.bytes;
        const uint32_t progress = e.progress, timeMs = e.timeMs;
        // Progress arrives with every packet: format only what is shown,
        // and redraw the terminal line at most ten times a second.
        const auto now = std::chrono::steady_clock::now();
        if (console.ProgressEnabled() && now - lastDrawn_ >= std::chrono::milliseconds(100)) {
            lastDrawn_ = now;
            auto start = startTimes_.count(id) ? startTimes_[id] : now;
            double seconds = std::chrono::duration<double>(now - start).count();
            console.Progress(ProgressLine(progress, timeMs, bytes, seconds));
        }
        if (!json_)
            break;
        Json("progress", job)
            .Add("bytes", static_cast<int64_t>(bytes))
            .Add("progress", static_cast<int64_t>(progress))
            .Add("timeMs", static_cast<int64_t>(timeMs))
            .Add("text", ProgressText(timeMs, progress))
            .Emit(json_);
        break;
    }
    case JobEventKind::Credentials:
        Json("credentials", job).Add("user", e.user).Emit(json_);
        break;
    case JobEventKind::StreamUrlFound: {
        const std::string& found = e.text;
        found_.push_back(found);
        if (!quiet_ && !json_)
            console.Out("found " + TerminalText(found));
        Json("found", job).Add("found", found).Emit(json_);
        break;
    }
    case JobEventKind::FileKept: {
        const std::string& kept = e.text;
        if (!quiet_ && !json_)
            console.Err("  kept the existing file " + TerminalText(kept));
        Json("kept", job).Add("path", kept).Emit(json_);
        break;
    }
    case JobEventKind::Quit:
        Json("quit", job).Emit(json_);
        break;
    case JobEventKind::Reconnecting:
        if (!quiet_ && !json_) {
            console.ClearProgress();
            console.Err("  " + ReconnectingText(e.attempt));
        }
        Json("reconnecting", job).Add("attempt", static_cast<int64_t>(e.attempt)).Emit(json_);
        break;
    case JobEventKind::Reconnected:
        Json("reconnected", job)
            .Add("attempt", static_cast<int64_t>(e.attempt))
            .Add("at", UtcText(e.outageAtMs))
            .Add("atMs", e.outageAtMs)
            .Add("outageMs", static_cast<int64_t>(e.outageMs))
            .Emit(json_);
        break;
    case JobEventKind::EntryFinished:
        EntryFinished(e, job);
        break;
    case JobEventKind::Finished:
        Finished(e, job);
        break;
    default:
        break;
    }
}

// A user address that is not a network address: it is never recorded.
void RecordReporter::NotNetwork(const std::string& address)
{
    failures_.insert(address);
    if (json_) {
        JsonObject j;
        j.Add("event", "finished").Add("address", address).Add("result", "failed")
            .Add("error", "not a network address").Add("attempts", std::vector<JsonObject>());
        Console::Get().Out(j.Text());
    } else {
        Console::Get().Err(TerminalText(address) + ": failed: not a network address");
    }
}

RecordReporter::Event RecordReporter::Json(const char* name, const RecordJob& job)
{
    Event e;
    e.object.Add("event", name).Add("job", static_cast<int64_t>(job.jobId)).Add("address", job.url);
    return e;
}

// "  to PATH (DURATION)", once per output file of a job.
void RecordReporter::ShowOutput(uint16_t id)
{
    auto pending = pendingOutput_.find(id);
    if (pending == pendingOutput_.end())
        return;
    const auto& [path, duration] = pending->second;
    if (shownOutput_[id] != path && !quiet_ && !json_)
        Console::Get().Err("  to " + TerminalText(path) + " (" + duration + ")");
    shownOutput_[id] = path;
    pendingOutput_.erase(pending);
}

// One entry of a playlist of several: a line of its own, as a job's.
void RecordReporter::EntryFinished(const JobEvent& e, const RecordJob& job)
{
    Entries& entries = entries_[job.jobId];
    ++entries.count;
    entries.bytes += e.bytes;
    if (json_) {
        JsonObject j;
        j.Add("event", "entry").Add("job", static_cast<int64_t>(job.jobId)).Add("address", job.url)
            .Add("entry", e.address).Add("result", JobResultWord(e.result)).Add("output", e.text)
            .Add("bytes", static_cast<int64_t>(e.bytes));
        if (e.result == JobResult::Failed)
            j.Add("error", e.errorText);
        j.Add("attempts", AttemptsJson(e.attempts));
        Console::Get().Out(j.Text());
    } else {
        Show(e.result, EndLine(e.address, e));
    }
}

// ", 2 outages, 0:00:07": the outages a recording went through, summed.
std::string RecordReporter::OutagesText(const JobEvent& e)
{
    if (e.outages == 0)
        return {};
    return Printf(", %u outage%s, %s", e.outages, e.outages == 1 ? "" : "s",
                  DurationText(static_cast<uint32_t>(std::min<uint64_t>(e.outageMs, UINT32_MAX))).c_str());
}

// "ADDRESS: completed -> PATH (SIZE)", "ADDRESS: failed: TEXT (REASONS)", ...
std::string RecordReporter::EndLine(const std::string& address, const JobEvent& e)
{
    const std::string& output = e.text;
    const std::string size = " (" + HumanSize(e.bytes) + OutagesText(e) + ")";
    if (e.result == JobResult::Completed)
        return address + ": " + CompletedText() + " -> " + output + size;
    if (e.result == JobResult::Incomplete)
        return address + ": " + kIncompleteText + " -> " + output + size;
    if (e.result == JobResult::Failed) {
        std::string text = e.errorText;
        if (text.empty())
            text = "the recording is too small to be a stream";
        if (text == "File Creation Error" && !output.empty())
            text += " (" + output + ")";
        return address + ": failed: " + FailureText(text, e.attempts);
    }
    return address + ": " + CancelledText();
}

// Failures and incomplete recordings on stderr, the rest on stdout
// unless quiet. The line quotes addresses, paths and server texts: it is
// printed escaped.
void RecordReporter::Show(JobResult result, const std::string& line) const
{
    Console& console = Console::Get();
    if (result == JobResult::Failed || result == JobResult::Incomplete) {
        console.ClearProgress();
        console.Err(TerminalText(line));
    } else if (!quiet_) {
        console.Out(TerminalText(line));
    } else {
        console.ClearProgress();
    }
}

void RecordReporter::Finished(const JobEvent& e, const RecordJob& job)
{
    // An incomplete file is kept (and can be resumed), but the address
    // did not give its whole stream: it counts as not done.
    if (e.result == JobResult::Failed || e.result == JobResult::Incomplete)
        failures_.insert(job.url);
    // A playlist of several entries has had a line for each: this one
    // gives their number and total size.
    const auto entries = entries_.find(job.jobId);
    const bool several = entries != entries_.end();
    const uint64_t bytes = several ? entries->second.bytes : e.bytes;
    if (json_) {
        JsonObject j;
        j.Add("event", "finished").Add("job", static_cast<int64_t>(job.jobId)).Add("address", job.url)
            .Add("result", JobResultWord(e.result)).Add("output", e.text)
            .Add("bytes", static_cast<int64_t>(bytes));
        if (several)
            j.Add("entries", static_cast<int64_t>(entries->second.count));
        j.Add("outages", static_cast<int64_t>(e.outages)).Add("outageMs", static_cast<int64_t>(e.outageMs));
        if (e.result == JobResult::Failed)
            j.Add("error", e.errorText);
        j.Add("attempts", AttemptsJson(e.attempts));
        Console::Get().Out(j.Text());
        return;
    }
    std::string line = EndLine(job.url, e);
    if (several && (e.result == JobResult::Completed || e.result == JobResult::Incomplete))
        line = job.url + ": " + (e.result == JobResult::Completed ? CompletedText() : std::string(kIncompleteText)) +
               Printf(" (%d entries, ", entries->second.count) + HumanSize(bytes) + OutagesText(e) + ")";
    Show(e.result, line);
}
