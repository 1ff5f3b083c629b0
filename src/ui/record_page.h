#pragma once

#include "ui/preferences_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// The "Record" page: base folder, the confirmation boxes, live time info,
// the size and time limits, how long a dropped stream is reconnected, the
// player identity, how many rows record at once and the file types that URL
// Capture keeps; how many addresses the URL check probes at once, and for
// how long each; the proxy of the streaming clients.
class RecordPage final : public PreferencesPage {
    Q_OBJECT
public:
    explicit RecordPage(QWidget* parent = nullptr);
    QString title() const override { return tr("Record"); }
    void Load(const AppSettings& settings, const Profile& profile) override;
    void Store(AppSettings& settings, Profile& profile) override;

    QLineEdit* baseDir;
    QPushButton* browse;
    QCheckBox* overWrite;
    QCheckBox* resumable;
    QCheckBox* liveTimeInfo;
    QCheckBox* sizePolicy;
    QSpinBox* maxSize;
    QCheckBox* timePolicy;
    QSpinBox* maxMinutes;
    QSpinBox* maxSeconds;
    QSpinBox* reconnect;
    QComboBox* playerAgent;
    QSpinBox* parallelRecordings;
    QListWidget* fileTypes;
    QLineEdit* newFileType;
    QPushButton* addFileType;
    QPushButton* removeFileType;
    QSpinBox* checkParallel;
    QSpinBox* checkSeconds;
    QCheckBox* useProxy;
    QLineEdit* proxyServer;
    QSpinBox* proxyPort;
    QCheckBox* bypassProxy;

private:
    void UpdateEnabled();
    void NameControls();
};
