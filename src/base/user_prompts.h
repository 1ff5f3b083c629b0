#pragma once

#include <string>

#include "base/cancel_signal.h"

// The decisions only a user can take. The core calls these from worker
// threads; the desktop front end answers on its main thread, the CLI from its
// flags or the terminal, tests from a script. Every implementation must be
// callable from any thread.
//
// Every question carries a cancel signal: the asking job's stop (and so the
// program's shutdown), or CancelSignal::Never() for a question asked on the
// front end's own thread. When the signal is set while the question is open,
// the implementation must return at once with the question's cancel answer
// (false, Cancel, not accepted) and withdraw whatever it shows. A front end
// that answers on another thread gets this from AsyncQuestion
// (base/async_question.h); the worker never waits for that thread directly,
// so the thread may stop and join the workers with a question open.
class UserPrompts {
public:
    enum class FileExists { Ok, Cancel, SaveAs, Pass, Quit };
    enum class YesNoCancel { Yes, No, Cancel };

    struct CredentialAnswer {
        bool accepted = false;  // false: the user cancelled
        std::string user;
        std::string password;
        bool save = false;  // the "save?(&S)" box
    };

    virtual ~UserPrompts() = default;

    // "%s \n\n File exist. Resumable?" (OK/Cancel); true for OK.
    virtual bool AskResume(const std::string& message, const CancelSignal& cancel) = 0;
    // The file-exists dialog: "Ok", "Cancel", "Save As ...", "Pass", "Quit"
    // and the "All" box, which is only meaningful with Pass.
    virtual FileExists AskFileExists(const std::string& message, bool& all,
                                     const CancelSignal& cancel) = 0;
    // The save dialog; path is the proposal on entry and the choice on true.
    virtual bool AskSavePath(std::string& path, const CancelSignal& cancel) = 0;
    // "Username and Password Required" for a site, prefilled with user and
    // password. An implementation only accepts when both are non-empty.
    virtual CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                            const std::string& password,
                                            const CancelSignal& cancel) = 0;
    // A Yes/No question (overwrite an ASX file, delete rows, ...).
    virtual bool AskYesNo(const std::string& message, const CancelSignal& cancel) = 0;
    // A Yes/No/Cancel question ("Are you sure you want to save ID and Password?").
    virtual YesNoCancel AskYesNoCancel(const std::string& message, const CancelSignal& cancel) = 0;
};
