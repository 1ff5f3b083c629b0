#pragma once

#include <atomic>
#include <string>

#include "base/user_prompts.h"

struct AppSettings;

// What the CLI does with an output file that already exists (--if-exists).
enum class IfExists { Ask, Resume, Overwrite, Rename, Skip };

// Parses "ask", "resume", ...; false for anything else.
bool ParseIfExists(const std::string& text, IfExists* out);

// The CLI's answers to the recording engine's questions: from --if-exists,
// or, for "ask" on a terminal, from the user. Without a terminal "ask"
// renames (a numbered name next to the existing file) and every other
// question takes its safe answer (no, cancel).
class TerminalPrompts final : public UserPrompts {
public:
    TerminalPrompts(IfExists policy, bool interactive);

    // Sets the settings the engine consults before it asks, so that each
    // policy leads to the wanted decision.
    void Configure(AppSettings& settings) const;

    bool AskResume(const std::string& message, const CancelSignal& cancel) override;
    FileExists AskFileExists(const std::string& message, bool& all, const CancelSignal& cancel) override;
    bool AskSavePath(std::string& path, const CancelSignal& cancel) override;
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                    const std::string& password, const CancelSignal& cancel) override;
    bool AskYesNo(const std::string& message, const CancelSignal& cancel) override;
    YesNoCancel AskYesNoCancel(const std::string& message, const CancelSignal& cancel) override;

private:
    // Shows the question and reads one line from stdin, polling it in short
    // ticks; false on end of input, when SIGINT arrived or when `cancel` was
    // set (the question is then refused).
    bool ReadAnswer(const std::string& question, std::string* answer, const CancelSignal& cancel,
                    bool echo = true);

    IfExists policy_;
    bool interactive_;
    // Set while a "Save As ..." answer that stands for a rename is pending:
    // the next save path is then the numbered name, not a question.
    std::atomic<bool> renamePending_{false};
};
