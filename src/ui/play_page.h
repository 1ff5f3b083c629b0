#pragma once

#include <array>

#include "ui/preferences_page.h"
#include "xdg/file_registration.h"

class QCheckBox;
class QLabel;

// The "Play" page: makes Brimcast the default application of the Windows
// Media, AVI, MPEG and list file types and of mms://, mmst:// and mmsu://
// addresses for this user, or gives the file types back. Each of the six
// three-state boxes is checked when every type of its group opens in
// Brimcast, unchecked when none does and indeterminate otherwise; OK and
// Apply change only the groups whose box the user clicked.
class PlayPage final : public PreferencesPage {
    Q_OBJECT
public:
    explicit PlayPage(xdg::XdgDirs dirs = xdg::XdgDirs::FromEnvironment(), QWidget* parent = nullptr);
    QString title() const override { return tr("Play"); }
    void Load(const AppSettings& settings, const Profile& profile) override;
    void Store(AppSettings& settings, Profile& profile) override;

    std::array<QCheckBox*, xdg::kGroupCount> boxes{};
    QLabel* notInstalled;

signals:
    // Writing the associations failed; the texts name the files.
    void registrationFailed(const QStringList& errors);

private:
    void Refresh();

    xdg::FileRegistration registration_;
    std::array<bool, xdg::kGroupCount> changed_{};
};
