#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "record/resume_check.h"

class FileSink;
class RecordJob;
class UserPrompts;

// The process-wide "Pass" + "All" answer: once set, every later existing
// output file is kept without a question.
bool PassAll();
void SetPassAll(bool value);

// What to do when the output file of a recording exists already: resume it,
// overwrite it, give the new recording a numbered or a chosen name, or keep
// it and record nothing, as the job's settings and the user decide. Runs on
// the job's worker; the questions end with their cancel answer when the job
// is stopped.
class ExistingFileDecision {
public:
    ExistingFileDecision(RecordJob& job, UserPrompts* prompts, const ResumeScanner& scanner)
        : job_(job), prompts_(prompts), scanner_(scanner)
    {
    }

    // What Decide settled on a resume: the file open for update, its cursor
    // at point.offset (see ResumePoint).
    struct Resume {
        std::unique_ptr<FileSink> file;
        ResumePoint point;
    };

    // Settles the file at the job's output path (which it may change): a
    // resume fills *resume (only when mayResume). False when the job must
    // end here (the user kept the file, cancelled, quit, the job was
    // stopped, or the output name cannot be used: then with an error).
    bool Decide(Resume* resume, bool mayResume = true);
    // The save dialog on path; false when the user (or a stop) cancelled it.
    bool AskSaveAs(std::string& path);

private:
    // Ends the job as kept: posts FileKept with the path.
    bool Keep(const std::string& path);
    // The output path becomes the first free numbered name; false (an
    // error) when there is none.
    bool Renumber(const std::string& path);
    // Ends the job with this error.
    bool Fail(const std::string& text);

    RecordJob& job_;
    UserPrompts* prompts_;
    const ResumeScanner& scanner_;
};
