#pragma once

#include "ui/preferences_page.h"

class QCheckBox;
class QPushButton;

// The "Setup" page: multiple instances, the automatic list file, the big
// screen position, list tool tips, and "Delete recent files".
class SetupPage final : public PreferencesPage {
    Q_OBJECT
public:
    explicit SetupPage(Profile& profile, QWidget* parent = nullptr);
    QString title() const override { return tr("Setup"); }
    void Load(const AppSettings& settings, const Profile& profile) override;
    void Store(AppSettings& settings, Profile& profile) override;

    QCheckBox* multipleInstances;
    QCheckBox* savePlayList;
    QCheckBox* saveFullPos;
    QCheckBox* toolTip;
    QPushButton* deleteRecent;

signals:
    // The recent addresses and files were deleted from the profile.
    void recentFilesDeleted();

private:
    Profile& profile_;
};
