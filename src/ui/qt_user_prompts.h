#pragma once

#include <atomic>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "record/user_prompts.h"

class Profile;

// The window's answers to the core's questions: message boxes and dialogs
// owned by the main window. A question asked on another thread is shown on
// the main thread while the asking thread waits.
//
// During a shutdown that must not wait for the user (a signal, a logout)
// SetInteractive(false) makes every question take its safe answer at once:
// No, Cancel, do not resume, do not store credentials.
class QtUserPrompts final : public QObject, public UserPrompts {
    Q_OBJECT
public:
    explicit QtUserPrompts(QWidget* owner);

    void SetInteractive(bool interactive) { interactive_ = interactive; }
    bool interactive() const { return interactive_; }

    bool AskResume(const std::string& message) override;
    FileExists AskFileExists(const std::string& message, bool& all) override;
    bool AskSavePath(std::string& path) override;
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                    const std::string& password) override;
    bool AskYesNo(const std::string& message) override;
    YesNoCancel AskYesNoCancel(const std::string& message) override;

private:
    // Runs fn on the main thread and returns its result.
    template <typename Fn>
    auto OnMainThread(Fn fn) -> decltype(fn());

    QPointer<QWidget> owner_;
    std::atomic<bool> interactive_{true};
};
