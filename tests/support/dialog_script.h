#pragma once

#include <deque>
#include <functional>

#include <QtWidgets>

#include "ui/credential_dialog.h"

// Answers the modal dialogs a command opens, in order, so that no test ever
// waits on one. Each step waits for a modal widget of its type (not answered
// before) and runs its answer on it. A step that finds no dialog within five
// seconds is recorded as missed and the dialog then open is rejected, so the
// test goes on and fails.
class DialogScript {
public:
    DialogScript()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    }

    template <typename W>
    DialogScript& Then(std::function<void(W*)> answer)
    {
        steps_.push_back({[answer](QWidget* w) { answer(qobject_cast<W*>(w)); },
                          [](QWidget* w) { return qobject_cast<W*>(w) != nullptr; },
                          W::staticMetaObject.className()});
        if (!timer_.isActive()) {
            waited_ = 0;
            timer_.start();
        }
        return *this;
    }

    // Triggers the command; true when every step found its dialog.
    bool Run(QAction* command)
    {
        command->trigger();
        return done();
    }
    bool done() const { return steps_.empty() && missed_.isEmpty(); }
    QString missed() const { return missed_; }
    int answered() const { return answered_; }

private:
    struct Step {
        std::function<void(QWidget*)> answer;
        std::function<bool(QWidget*)> matches;
        const char* type;
    };

    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (steps_.empty()) {
            // An answer that did not close its dialog (a failed check in it)
            // must not leave the test waiting on it.
            if (!last_ || !last_->isVisible() || modal != last_) {
                timer_.stop();
            } else if (++waited_ > kMaxPolls) {
                missed_ += QStringLiteral("(a dialog was left open) ");
                Reject(last_);
            }
        } else if (modal && modal != last_ && modal->isVisible() && steps_.front().matches(modal)) {
            Step step = steps_.front();
            steps_.pop_front();
            last_ = modal;
            ++answered_;
            waited_ = 0;
            // Queued: an answer that opens another dialog (a nested event
            // loop) must not hold up this timer.
            QPointer<QWidget> guard(modal);
            QTimer::singleShot(0, modal, [step, guard] {
                if (guard)
                    step.answer(guard);
            });
        } else if (++waited_ > kMaxPolls) {
            missed_ += QString::fromLatin1(steps_.front().type) + QLatin1Char(' ');
            steps_.clear();
            Reject(modal);
        }
    }
    void Reject(QWidget* w)
    {
        timer_.stop();
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    }

    static constexpr int kMaxPolls = 500;
    std::deque<Step> steps_;
    QTimer timer_;
    QPointer<QWidget> last_;
    QString missed_;
    int answered_ = 0;
    int waited_ = 0;
};

inline std::function<void(QMessageBox*)> Answer(QMessageBox::StandardButton which)
{
    return [which](QMessageBox* box) { box->button(which)->click(); };
}

// A button of a question by its text (the recorder's own buttons).
inline QAbstractButton* ButtonNamed(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}
inline std::function<void(QMessageBox*)> Click(const QString& text)
{
    return [text](QMessageBox* box) {
        if (QAbstractButton* b = ButtonNamed(box, text))
            b->click();
    };
}

// Types the path into a file dialog's name field, as a user would, and
// accepts. (selectFile leaves the field alone while it has the focus.)
inline std::function<void(QFileDialog*)> ChooseFile(const QString& path)
{
    return [path](QFileDialog* d) {
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        static_cast<QDialog*>(d)->accept();
    };
}

// Fills in a login and accepts it, to be stored.
inline std::function<void(CredentialDialog*)> EnterLogin(const QString& user, const QString& password)
{
    return [user, password](CredentialDialog* d) {
        d->userEdit()->setText(user);
        d->passwordEdit()->setText(password);
        d->saveBox()->setChecked(true);
        d->accept();
    };
}

inline std::function<void(QInputDialog*)> EnterText(const QString& text)
{
    return [text](QInputDialog* d) {
        d->setTextValue(text);
        d->accept();
    };
}

// The offscreen platform warns about every window hint it ignores; those
// lines would bury a test's own output.
inline void QuietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (!message.startsWith(QLatin1String("This plugin does not support")) && previous)
            previous(type, context, message);
    });
}
