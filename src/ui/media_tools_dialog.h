#pragma once

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

class Profile;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
namespace player {
class Player;
class PlayerWidget;
}

// Tools > Cut: the media tools dialog with its Cut page. It opens an ASF
// file (its information, a preview player with a position slider in
// seconds), and copies the range chosen with Start and End (or the spins)
// into a new file on a worker thread, with a progress bar. Play opens the
// cut file with its default application, Delete removes it. Closing the
// dialog stops a running cut (nothing is left behind).
class MediaToolsDialog final : public QDialog {
    Q_OBJECT
public:
    // withPlayer: a preview player on libmpv; without it, or when libmpv
    // cannot start, the page works without preview.
    MediaToolsDialog(Profile& profile, bool withPlayer, QWidget* parent = nullptr);
    ~MediaToolsDialog() override;

    // Opens the source: its information, the cut name beside it (a.asf gives
    // a_cut.asf), the range 0 to its duration. False, with the reason shown,
    // when it is not an ASF file.
    bool SetFile(const QString& path);

    int startSeconds() const { return start_; }
    int endSeconds() const { return end_; }
    bool cutting() const { return worker_.joinable(); }
    player::Player* previewPlayer() const;

    // How Play opens the cut file (its default application); tests replace it.
    std::function<void(const QString&)> openExternally;

    QLineEdit* source;
    QPushButton* openSource;
    QLabel* info;
    QPushButton* previewPlay;  // plays and pauses the preview
    QSlider* slider;
    QLabel* positionText;
    QPushButton* startButton;
    QPushButton* endButton;
    QSpinBox* startSpin;
    QSpinBox* endSpin;
    QLineEdit* startText;
    QLineEdit* endText;
    QLineEdit* lengthText;
    QPushButton* jumpStart;
    QPushButton* jumpEnd;
    QCheckBox* repeat;
    QLineEdit* cutPath;
    QPushButton* browse;
    QPushButton* cutButton;
    QProgressBar* progress;
    QPushButton* playButton;
    QPushButton* deleteButton;
    QLabel* status;

signals:
    // A cut ended: ok when the file was written; message says why not.
    void cutFinished(bool ok, const QString& message);

public slots:
    void OnStart();
    void OnEnd();
    void Jump(int seconds);
    void StartCut();
    void PlayCut();
    void DeleteCut();
    void PlayPausePreview();

protected:
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnStartSpin(int value);
    void OnEndSpin(int value);
    void UpdateTexts();
    void UpdatePreviewButton();
    void NameControls(QLabel* sourceLabel, QLabel* lengthLabel, QLabel* fileLabel);
    void PollPlayer();
    void PollCut();
    void StopCut();
    void BrowseCut();
    void BrowseSource();

    Profile& profile_;
    QPointer<player::Player> player_;
    player::PlayerWidget* playerWidget_ = nullptr;
    QTimer* playerTimer_;
    QTimer* cutTimer_;
    QString sourcePath_;
    int duration_ = 0;
    int start_ = 0, end_ = 0;
    // The slider's selection, which Start and End move.
    int selectionStart_ = 0, selectionEnd_ = 0;
    int pendingSeek_ = -1;  // a Jump waiting for the player to open the file
    bool ownStop_ = false;  // the next stop is ours, not the end of the file

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<uint64_t> done_{0}, total_{0};
    bool ok_ = false;
    QString message_;  // written by the worker before finished_, read after
};
