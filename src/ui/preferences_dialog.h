#pragma once

#include <QDialog>
#include <QList>

#include "base/app_settings.h"

class Profile;
class PreferencesPage;
class QDialogButtonBox;
class QTabWidget;
class RecordPage;
class SetupPage;

// The preferences: a tab per page. Apply and OK write every page into a
// copy of the live settings, create the base folder, make the copy the live
// settings and save them; Cancel drops what was not applied.
class PreferencesDialog final : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(AppSettings& live, Profile& profile, QWidget* parent = nullptr);

    // Pages of other parts of the program (the player's page) join here.
    void AddPage(PreferencesPage* page);

    RecordPage* recordPage() const { return record_; }
    SetupPage* setupPage() const { return setup_; }
    QTabWidget* tabs() const { return tabs_; }
    QDialogButtonBox* buttons() const { return buttons_; }

    void Apply();
    void accept() override;

signals:
    // The live settings changed (after Apply or OK).
    void applied();
    void recentFilesDeleted();

private:
    void KeepButtonsLast();

    AppSettings& live_;
    Profile& profile_;
    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
    RecordPage* record_;
    SetupPage* setup_;
    QList<PreferencesPage*> pages_;
};
