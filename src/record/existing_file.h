#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

    // Settles the file at the job's output path (which it may change). On a
    // resume *file is open for update, its cursor at *resumeOffset, with
    // *resumePacket whole packets kept. False when the job must end here
    // (the user kept the file, cancelled, quit, or the job was stopped).
    bool Decide(std::unique_ptr<FileSink>* file, uint64_t* resumePacket, uint64_t* resumeOffset);
    // The save dialog on path; false when the user (or a stop) cancelled it.
    bool AskSaveAs(std::string& path);

private:
    // Ends the job as kept: posts code 11 with the path.
    bool Keep(const std::string& path);

    RecordJob& job_;
    UserPrompts* prompts_;
    const ResumeScanner& scanner_;
};
