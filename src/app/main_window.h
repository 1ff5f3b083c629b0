#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include "app/launch_request.h"
#include "base/app_settings.h"
#include "base/job_event.h"
#include "record/cmms_thread.h"

class DesktopNotifier;
class MediaView;
class PreferencesDialog;
class Profile;
class QAction;
class QMenu;
class QSplitter;
class RecordingCommands;
class ScreenSaverInhibitor;
namespace player {
class Playback;
}
class UrlCaptureCommands;
class UrlCheckCommands;

// The main frame: owns the live settings, the upper pane (where the player
// goes) and the media view below it, the menus, On Top, Protect Screen Save,
// big screen mode, dropped files and the hand-over from a later start.
// Every way out (Exit, the close button, SIGTERM, a logout) ends in
// Shutdown(), which runs once.
class FileInfoDialog;
class MediaToolsDialog;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    // The window reads its settings from profile, which outlives it.
    // Recordings and the URL check make their protocol clients with
    // clients (empty: the real ones; tests give scripted ones).
    explicit MainWindow(Profile& profile, ClientFactory clients = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens launch arguments as a start of the program asks: each is split
    // at "&&" and opened; the first is then played (Open, Play) or recorded
    // (Record, unless some row is busy).
    void OpenLaunch(LaunchMode mode, const QStringList& arguments);
    // The same for a later start that handed over.
    void HandOver(LaunchMode mode, const QStringList& arguments);
    // Opens dropped files and addresses, in order, as they are.
    void OpenDropped(const QStringList& paths);

    // The single point where the player widget replaces the placeholder of
    // the upper pane. The window takes ownership.
    void InstallPlayerWidget(QWidget* player);
    QWidget* playerPane() const { return playerPane_; }
    // The player joins the window: its pane, its menu (before Tools), Image
    // Capture in Tools, its preferences page, big screen mode and the exit.
    // The window takes ownership.
    void AttachPlayback(player::Playback* playback);
    player::Playback* playback() const { return playback_; }

    // Saves everything and lets running work finish (idempotent). With
    // interactive false no question is asked (signals, logout).
    void Shutdown(bool interactive);
    // Writes the automatic list file, the settings and the position without
    // closing (the session manager asks before a logout).
    void SaveState();
    // Close as Exit does, without questions: the SIGTERM path.
    void CloseWithoutQuestions();

    AppSettings& settings() { return settings_; }
    Profile& profile() { return profile_; }
    MediaView* view() const { return view_; }
    ScreenSaverInhibitor* screenSaver() const { return screenSaver_; }
    RecordingCommands* recording() const { return recording_; }
    UrlCheckCommands* urlCheck() const { return urlCheck_; }
    UrlCaptureCommands* urlCapture() const { return urlCapture_; }
    DesktopNotifier* notifier() const { return notifier_; }
    bool bigScreen() const { return bigScreen_; }

    // The window's own commands, for menus and tests.
    struct Actions {
        QAction* exit;
        QAction* onTop;
        QAction* protectScreenSave;
        QAction* bigScreen;
        QAction* repeat;
        QAction* shuffle;
        QAction* preferences;
        QAction* about;
        // Recording (Ctrl+R, Ctrl+.), URL Check and URL Capture; each Start
        // has its Stop.
        QAction* recordStart;
        QAction* recordStop;
        QAction* urlCheck;
        QAction* urlCheckStop;
        QAction* urlCapture;
        QAction* urlCaptureStop;
        // Tools: the cut (media tools dialog) and the file information.
        QAction* cut;
        QAction* fileInfo;
    };
    const Actions& actions() const { return actions_; }

    // Tools > Cut: the media tools dialog (not modal, closed with the
    // window), with path opened when given. Tools > File Info for path.
    MediaToolsDialog* ShowCut(const QString& path = {});
    FileInfoDialog* ShowFileInfo(const QString& path);

    // The frame's start position from "Settings"/"xPos","yPos": a value off
    // the screen (0 or less, or at or beyond its size) becomes 0.
    static QPoint StartPosition(int x, int y, const QSize& screen);
    // The start size from "Settings"/"cx","cy" (0: the default size), kept
    // within the screen's available size.
    static QSize StartSize(int width, int height, const QSize& available);
    // The size of a first start. The list columns take shares of the
    // width, and below about 700 pixels they are too narrow for their texts
    // at today's font sizes.
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 560;

signals:
    // Emitted once by Shutdown before the settings are saved: recordings
    // and the player stop and finalise their files here.
    void shuttingDown();
    // The preferences dialog is about to open: other parts add their pages.
    void preferencesOpening(PreferencesDialog* dialog);
    void bigScreenChanged(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void UpdateChecks();
    void SetOnTop(bool on);
    void ToggleScreenSave();
    void ToggleBigScreen();
    void ShowPreferences();
    void ShowAbout();
    void RememberKvx(const QStringList& arguments);
    void StoreBigScreenRect();
    void UpdateTitle();
    // The local file of the selected row (its own path, or what it was
    // recorded to), or empty: where Cut and File Info start.
    QString SelectedFile() const;
    void CreateRecording(ClientFactory clients);
    void NotifyEnded(const QString& title, JobResult result, const QString& detail);

    Profile& profile_;
    AppSettings settings_;
    QSplitter* splitter_;
    QPointer<QWidget> playerPane_;
    MediaView* view_;
    QMenu* toolsMenu_ = nullptr;
    player::Playback* playback_ = nullptr;
    ScreenSaverInhibitor* screenSaver_;
    RecordingCommands* recording_ = nullptr;
    UrlCheckCommands* urlCheck_ = nullptr;
    UrlCaptureCommands* urlCapture_ = nullptr;
    DesktopNotifier* notifier_ = nullptr;
    Actions actions_{};
    bool shutDown_ = false;
    bool bigScreen_ = false;
    QRect normalGeometry_;
    bool screenSaveAsked_ = false;  // the user turned it on: report a failure
};
