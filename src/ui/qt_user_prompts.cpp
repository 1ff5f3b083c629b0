#include "ui/qt_user_prompts.h"

#include <memory>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "base/async_question.h"
#include "ui/credential_dialog.h"
#include "ui/qt_text.h"

QtUserPrompts::QtUserPrompts(QWidget* owner) : QObject(owner), owner_(owner) {}

template <typename T>
std::optional<T> QtUserPrompts::Ask(const CancelSignal& cancel,
                                    std::function<T(QPointer<QDialog>&)> show)
{
    if (!interactive_ || cancel.Cancelled())
        return std::nullopt;
    // Only the main thread touches the dialog pointer; a cancel posts the
    // close to it (the application object outlives every dialog).
    auto dialog = std::make_shared<QPointer<QDialog>>();
    auto closeDialog = [dialog] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [dialog] {
                if (*dialog)
                    (*dialog)->reject();
            },
            Qt::QueuedConnection);
    };

    if (QThread::currentThread() == thread()) {
        CancelSignal::Watch watch = cancel.OnCancel(closeDialog);
        T answer = show(*dialog);
        if (cancel.Cancelled())
            return std::nullopt;
        return answer;
    }

    auto question = AsyncQuestion<T>::Make();
    QPointer<QtUserPrompts> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, question, dialog, closeDialog, show] {
            if (question->Withdrawn())
                return;
            if (!self || !self->interactive_) {
                question->Withdraw();
                return;
            }
            question->OnWithdraw(closeDialog);
            question->Answer(show(*dialog));
        },
        Qt::QueuedConnection);
    return question->Wait(cancel);
}

bool QtUserPrompts::AskResume(const std::string& message, const CancelSignal& cancel)
{
    return Ask<bool>(cancel, [this, text = Q(message)](QPointer<QDialog>& d) {
               QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                               QMessageBox::Ok | QMessageBox::Cancel, owner_);
               box.setObjectName(QStringLiteral("resume"));
               box.setDefaultButton(QMessageBox::Ok);
               d = &box;
               return box.exec() == QMessageBox::Ok;
           })
        .value_or(false);
}

UserPrompts::FileExists QtUserPrompts::AskFileExists(const std::string& message, bool& all,
                                                     const CancelSignal& cancel)
{
    using Answer = std::pair<FileExists, bool>;
    const bool allBefore = all;
    const std::optional<Answer> answer =
        Ask<Answer>(cancel, [this, allBefore, text = Q(message)](QPointer<QDialog>& d) {
            QMessageBox box(QMessageBox::Question, tr("Message"), text, QMessageBox::NoButton,
                            owner_);
            box.setObjectName(QStringLiteral("fileExists"));
            // One role for all five, so that they stand in this order
            // whatever the desktop's usual button order.
            QPushButton* ok = box.addButton(tr("Ok"), QMessageBox::ActionRole);
            QPushButton* cancelButton = box.addButton(tr("Cancel"), QMessageBox::ActionRole);
            QPushButton* saveAs = box.addButton(tr("Save As ..."), QMessageBox::ActionRole);
            QPushButton* pass = box.addButton(tr("Pass"), QMessageBox::ActionRole);
            QPushButton* quit = box.addButton(tr("Quit"), QMessageBox::ActionRole);
            auto* allBox = new QCheckBox(tr("All"), &box);
            allBox->setChecked(allBefore);
            box.setCheckBox(allBox);
            box.setDefaultButton(ok);
            box.setEscapeButton(cancelButton);
            d = &box;
            box.exec();
            const bool allChecked = allBox->isChecked();
            QAbstractButton* clicked = box.clickedButton();
            if (clicked == ok)
                return Answer{FileExists::Ok, allChecked};
            if (clicked == saveAs)
                return Answer{FileExists::SaveAs, allChecked};
            if (clicked == pass)
                return Answer{FileExists::Pass, allChecked};
            if (clicked == quit)
                return Answer{FileExists::Quit, allChecked};
            return Answer{FileExists::Cancel, allChecked};
        });
    if (!answer)
        return FileExists::Cancel;
    all = answer->second;
    return answer->first;
}

bool QtUserPrompts::AskSavePath(std::string& path, const CancelSignal& cancel)
{
    const QString proposed = Q(path);
    const std::optional<QString> chosen =
        Ask<QString>(cancel, [this, proposed](QPointer<QDialog>& d) {
            QFileDialog dialog(owner_, tr("Save As"));
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (proposed.endsWith(QLatin1String(".asx"), Qt::CaseInsensitive)) {
                dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the caller asks
                dialog.setNameFilter(tr("asx Files (*.asx)"));
                dialog.setDefaultSuffix(QStringLiteral("asx"));
            } else {
                // A recording's new name: any file, ".asf" when none is
                // typed. A new name is what this is for; picking an existing
                // file asks before it is replaced.
                dialog.setNameFilter(tr("All Files (*)"));
                dialog.setDefaultSuffix(QStringLiteral("asf"));
            }
            // The proposal's folder and name; a folder that is gone falls
            // back to the dialog's own start.
            const QFileInfo info(proposed);
            if (info.dir().exists())
                dialog.setDirectory(info.dir());
            dialog.selectFile(info.fileName().isEmpty() ? proposed : info.fileName());
            d = &dialog;
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return QString();
            return dialog.selectedFiles().first();
        });
    if (!chosen || chosen->isEmpty())
        return false;
    path = S(*chosen);
    return true;
}

UserPrompts::CredentialAnswer QtUserPrompts::AskCredentials(const std::string& site,
                                                            const std::string& user,
                                                            const std::string& password,
                                                            const CancelSignal& cancel)
{
    return Ask<CredentialAnswer>(
               cancel,
               [this, s = Q(site), u = Q(user), p = Q(password)](QPointer<QDialog>& d) {
                   CredentialAnswer answer;
                   CredentialDialog dialog(s, u, p, owner_);
                   d = &dialog;
                   if (dialog.exec() == QDialog::Accepted) {
                       answer.accepted = true;
                       answer.user = S(dialog.user());
                       answer.password = S(dialog.password());
                       answer.save = dialog.save();
                   }
                   return answer;
               })
        .value_or(CredentialAnswer{});
}

bool QtUserPrompts::AskYesNo(const std::string& message, const CancelSignal& cancel)
{
    return Ask<bool>(cancel, [this, text = Q(message)](QPointer<QDialog>& d) {
               QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                               QMessageBox::Yes | QMessageBox::No, owner_);
               box.setDefaultButton(QMessageBox::No);
               d = &box;
               return box.exec() == QMessageBox::Yes;
           })
        .value_or(false);
}

UserPrompts::YesNoCancel QtUserPrompts::AskYesNoCancel(const std::string& message,
                                                       const CancelSignal& cancel)
{
    // Without a user (shutdown by a signal) the save goes on without the
    // credentials rather than not at all.
    if (!interactive_)
        return YesNoCancel::No;
    return Ask<YesNoCancel>(cancel, [this, text = Q(message)](QPointer<QDialog>& d) {
               // The question stands out; what follows a blank line explains it.
               const qsizetype split = text.indexOf(QLatin1String("\n\n"));
               QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                               split < 0 ? text : text.left(split),
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner_);
               if (split >= 0)
                   box.setInformativeText(text.mid(split + 2));
               box.setDefaultButton(QMessageBox::Yes);
               d = &box;
               switch (box.exec()) {
               case QMessageBox::Yes:
                   return YesNoCancel::Yes;
               case QMessageBox::No:
                   return YesNoCancel::No;
               default:
                   return YesNoCancel::Cancel;
               }
           })
        .value_or(YesNoCancel::Cancel);
}
