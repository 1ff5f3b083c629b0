#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Username and Password Required": the site, a user name and a password
// (prefilled) and the "save?(&S)" box. OK is taken only when both fields
// hold something; otherwise the dialog stays open.
class CredentialDialog final : public QDialog {
    Q_OBJECT
public:
    CredentialDialog(const QString& site, const QString& user, const QString& password,
                     QWidget* parent = nullptr);

    QString user() const;
    QString password() const;
    bool save() const;

    QLineEdit* userEdit() const { return user_; }
    QLineEdit* passwordEdit() const { return password_; }
    QCheckBox* saveBox() const { return save_; }

    void accept() override;

private:
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* save_;
};
