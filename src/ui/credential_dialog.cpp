#include "ui/credential_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CredentialDialog::CredentialDialog(const QString& site, const QString& user,
                                   const QString& password, QWidget* parent)
    : QDialog(parent),
      user_(new QLineEdit(user, this)),
      password_(new QLineEdit(password, this)),
      save_(new QCheckBox(tr("save?(&S)"), this))
{
    setWindowTitle(tr("Username and Password Required"));
    password_->setEchoMode(QLineEdit::Password);
    auto* siteLabel = new QLabel(site, this);
    siteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(tr("Site :"), siteLabel);
    form->addRow(tr("User name :"), user_);
    form->addRow(tr("Password :"), password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CredentialDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CredentialDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(save_);
    layout->addWidget(buttons);
    (user.isEmpty() ? user_ : password_)->setFocus();
}

QString CredentialDialog::user() const { return user_->text(); }
QString CredentialDialog::password() const { return password_->text(); }
bool CredentialDialog::save() const { return save_->isChecked(); }

void CredentialDialog::accept()
{
    if (user_->text().isEmpty()) {
        user_->setFocus();
        return;
    }
    if (password_->text().isEmpty()) {
        password_->setFocus();
        return;
    }
    QDialog::accept();
}
