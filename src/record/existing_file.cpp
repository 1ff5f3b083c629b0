#include "record/existing_file.h"

#include <atomic>

#include "base/user_prompts.h"
#include "formats/file_sink.h"
#include "formats/printf.h"
#include "record/output_names.h"
#include "record/record_job.h"

namespace {

std::atomic<bool> g_passAll{false};

}  // namespace

bool PassAll() { return g_passAll.load(); }
void SetPassAll(bool value) { g_passAll.store(value); }

bool ExistingFileDecision::Keep(const std::string& path)
{
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::FileKept);
    e.text = path;
    job_.Post(std::move(e));
    job_.stopRequested = true;
    return false;
}

bool ExistingFileDecision::Fail(const std::string& text)
{
    job_.SetErrorText(text);
    job_.errorFlag = true;
    return false;
}

bool ExistingFileDecision::Renumber(const std::string& path)
{
    const std::string numbered = MakeUniqueName(path);
    if (numbered.empty())
        return Fail(Printf("No free numbered name for %s", path.c_str()));
    job_.SetOutputPath(numbered);
    return true;
}

bool ExistingFileDecision::Decide(Resume* resume, bool mayResume)
{
    std::string path = job_.OutputPath();
    if (!PathExists(path))
        return true;
    const CancelSignal& cancel = job_.StopSignal();

    // A link could lead the recording anywhere and a FIFO would hold the
    // worker: nothing but a regular file is read, resumed or replaced. A
    // numbered name leaves it alone.
    const std::string other = NotRegularFile(path);
    if (!other.empty()) {
        if (!job_.settings.m_overWrite)
            return Renumber(path);
        return Fail(NotRegularFileText(path, other));
    }

    ResumePoint point;
    if (mayResume && scanner_ && scanner_(path, &point)) {
        bool ok = true;
        if (job_.settings.m_resumable)
            ok = prompts_ &&
                     prompts_->AskResume(Printf("%s \n\n File exist. Resumable?", path.c_str()), cancel);
        if (job_.stopRequested)
            return false;
        if (ok) {
            if (std::unique_ptr<FileSink> f = FileSink::OpenExisting(path)) {
                f->Seek(point.offset);
                resume->file = std::move(f);
                resume->point = std::move(point);
            }
            return true;  // otherwise recreated from scratch, resume values 0
        }
        // Declining to resume is not consent to destroy the file: it gets
        // the same treatment as any other existing file below.
    }

    if (!job_.settings.m_overWrite)
        return Renumber(path);
    if (PassAll())
        return Keep(path);

    bool all = false;
    const UserPrompts::FileExists answer =
        prompts_ ? prompts_->AskFileExists(Printf("%s \n\n File exist. Overwrite?", path.c_str()), all, cancel)
                 : UserPrompts::FileExists::Cancel;
    if (job_.stopRequested)
        return false;
    switch (answer) {
    case UserPrompts::FileExists::Ok:
        return true;
    case UserPrompts::FileExists::SaveAs:
        if (!AskSaveAs(path)) {
            job_.stopRequested = true;
            return false;
        }
        job_.SetOutputPath(path);
        return true;
    case UserPrompts::FileExists::Pass:
        SetPassAll(all);
        return Keep(path);
    case UserPrompts::FileExists::Quit:
        job_.Post(JobEventKind::Quit);
        job_.stopRequested = true;
        return false;
    case UserPrompts::FileExists::Cancel:
        break;
    }
    job_.stopRequested = true;
    return false;
}

bool ExistingFileDecision::AskSaveAs(std::string& path)
{
    std::string chosen = path;
    if (!prompts_ || !prompts_->AskSavePath(chosen, job_.StopSignal()) || chosen.empty() ||
        job_.stopRequested)
        return false;
    path = chosen;
    return true;
}
