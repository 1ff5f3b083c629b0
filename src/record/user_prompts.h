#pragma once

#include <string>

// The decisions only a user can take. The core calls these from worker
// threads; the desktop front end answers on its main thread (blocking queued
// call), the CLI from its flags or the terminal, tests from a script.
// Every implementation must be callable from any thread.
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
    virtual bool AskResume(const std::string& message) = 0;
    // The file-exists dialog: "Ok", "Cancel", "Save As ...", "Pass", "Quit"
    // and the "All" box, which is only meaningful with Pass.
    virtual FileExists AskFileExists(const std::string& message, bool& all) = 0;
    // The save dialog; path is the proposal on entry and the choice on true.
    virtual bool AskSavePath(std::string& path) = 0;
    // "Username and Password Required" for a site, prefilled with user and
    // password. An implementation only accepts when both are non-empty.
    virtual CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                            const std::string& password) = 0;
    // A Yes/No question (overwrite an ASX file, delete rows, ...).
    virtual bool AskYesNo(const std::string& message) = 0;
    // A Yes/No/Cancel question ("Are you sure you want to save ID and Password?").
    virtual YesNoCancel AskYesNoCancel(const std::string& message) = 0;
};
