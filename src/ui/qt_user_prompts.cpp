#include "ui/qt_user_prompts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "ui/credential_dialog.h"
#include "ui/qt_text.h"

QtUserPrompts::QtUserPrompts(QWidget* owner) : QObject(owner), owner_(owner) {}

template <typename Fn>
auto QtUserPrompts::OnMainThread(Fn fn) -> decltype(fn())
{
    using Result = decltype(fn());
    if (QThread::currentThread() == thread())
        return fn();
    Result result{};
    QMetaObject::invokeMethod(
        this, [&] { result = fn(); }, Qt::BlockingQueuedConnection);
    return result;
}

bool QtUserPrompts::AskResume(const std::string& message)
{
    if (!interactive_)
        return false;
    return OnMainThread([&] {
        return QMessageBox::question(owner_, QCoreApplication::applicationName(), Q(message),
                                     QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Ok) == QMessageBox::Ok;
    });
}

UserPrompts::FileExists QtUserPrompts::AskFileExists(const std::string& message, bool& all)
{
    if (!interactive_)
        return FileExists::Cancel;
    bool allChecked = all;
    const FileExists answer = OnMainThread([&] {
        QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), Q(message),
                        QMessageBox::NoButton, owner_);
        QPushButton* ok = box.addButton(tr("Ok"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
        QPushButton* saveAs = box.addButton(tr("Save As ..."), QMessageBox::ActionRole);
        QPushButton* pass = box.addButton(tr("Pass"), QMessageBox::ActionRole);
        QPushButton* quit = box.addButton(tr("Quit"), QMessageBox::DestructiveRole);
        auto* allBox = new QCheckBox(tr("All"), &box);
        allBox->setChecked(allChecked);
        box.setCheckBox(allBox);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        box.exec();
        allChecked = allBox->isChecked();
        QAbstractButton* clicked = box.clickedButton();
        if (clicked == ok)
            return FileExists::Ok;
        if (clicked == saveAs)
            return FileExists::SaveAs;
        if (clicked == pass)
            return FileExists::Pass;
        if (clicked == quit)
            return FileExists::Quit;
        return FileExists::Cancel;
    });
    all = allChecked;
    return answer;
}

bool QtUserPrompts::AskSavePath(std::string& path)
{
    if (!interactive_)
        return false;
    const QString chosen = OnMainThread([&] {
        return QFileDialog::getSaveFileName(owner_, tr("Save As"), Q(path), QString(), nullptr,
                                            QFileDialog::DontUseNativeDialog |
                                                QFileDialog::DontConfirmOverwrite);
    });
    if (chosen.isEmpty())
        return false;
    path = S(chosen);
    return true;
}

UserPrompts::CredentialAnswer QtUserPrompts::AskCredentials(const std::string& site,
                                                            const std::string& user,
                                                            const std::string& password)
{
    if (!interactive_)
        return {};
    return OnMainThread([&] {
        CredentialAnswer answer;
        CredentialDialog dialog(Q(site), Q(user), Q(password), owner_);
        if (dialog.exec() == QDialog::Accepted) {
            answer.accepted = true;
            answer.user = S(dialog.user());
            answer.password = S(dialog.password());
            answer.save = dialog.save();
        }
        return answer;
    });
}

bool QtUserPrompts::AskYesNo(const std::string& message)
{
    if (!interactive_)
        return false;
    return OnMainThread([&] {
        return QMessageBox::question(owner_, QCoreApplication::applicationName(), Q(message),
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    });
}

UserPrompts::YesNoCancel QtUserPrompts::AskYesNoCancel(const std::string& message)
{
    if (!interactive_)
        return YesNoCancel::No;
    return OnMainThread([&] {
        switch (QMessageBox::question(owner_, QCoreApplication::applicationName(), Q(message),
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                      QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return YesNoCancel::Yes;
        case QMessageBox::No:
            return YesNoCancel::No;
        default:
            return YesNoCancel::Cancel;
        }
    });
}
