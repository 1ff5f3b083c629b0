#pragma once

#include <atomic>
#include <functional>
#include <optional>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "base/user_prompts.h"

class QDialog;

// The window's answers to the core's questions: message boxes and dialogs
// owned by the main window. A question asked on the main thread is shown at
// once; one asked by a worker is shown on the main thread while the worker
// waits (base/async_question.h), and the question's cancel signal (the job
// stops, the program shuts down) closes the dialog and gives the worker the
// cancel answer without waiting for the user.
//
// During a shutdown that must not wait for the user (a signal, a logout)
// SetInteractive(false) makes every question take its cancel answer at once
// (do not resume, Cancel, not accepted), except Yes/No/Cancel, which answers
// No: a list file is still written, without the member credentials.
class QtUserPrompts final : public QObject, public UserPrompts {
    Q_OBJECT
public:
    explicit QtUserPrompts(QWidget* owner);

    void SetInteractive(bool interactive) { interactive_ = interactive; }
    bool interactive() const { return interactive_; }

    bool AskResume(const std::string& message, const CancelSignal& cancel) override;
    FileExists AskFileExists(const std::string& message, bool& all,
                             const CancelSignal& cancel) override;
    bool AskSavePath(std::string& path, const CancelSignal& cancel) override;
    CredentialAnswer AskCredentials(const std::string& site, const std::string& user,
                                    const std::string& password,
                                    const CancelSignal& cancel) override;
    bool AskYesNo(const std::string& message, const CancelSignal& cancel) override;
    YesNoCancel AskYesNoCancel(const std::string& message, const CancelSignal& cancel) override;

private:
    // Runs `show` on the main thread: it makes its dialog, stores it in the
    // given pointer (so that a cancel can close it) and returns the answer.
    // nullopt: cancelled, withdrawn or not interactive.
    template <typename T>
    std::optional<T> Ask(const CancelSignal& cancel,
                         std::function<T(QPointer<QDialog>& dialog)> show);

    QPointer<QWidget> owner_;
    std::atomic<bool> interactive_{true};
};
