#pragma once

#include <QWidget>

struct AppSettings;
class Profile;

// One page of the preferences dialog. The dialog hands every page the same
// working copy of the settings: Load fills the controls, Store writes them
// back into the copy (and any profile keys the page owns itself).
class PreferencesPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual QString title() const = 0;
    virtual void Load(const AppSettings& settings, const Profile& profile) = 0;
    virtual void Store(AppSettings& settings, Profile& profile) = 0;
};
