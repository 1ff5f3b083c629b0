#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "player/play_order.h"
#include "player/player.h"
#include "player/player_widget.h"

struct AppSettings;
class MediaView;
class PreferencesDialog;
class Profile;
class QAction;
class QMenu;

namespace player {

class PlayerControls;

// Playing the media list: the player, its pane and controls, the play
// commands and their menu, and what the list shows of the player. The
// playing row's "Play" cell says "Ready", "Buffering" or "error", its "Time"
// cell the length (unless the row knows a better one); at the end of a medium the next row plays as "Repeat"
// and "Sequence" say. Network rows whose titles carry "(G)"/"[G]" or
// "(E)"/"[E]" open a web search or the desktop's handler instead.
class Playback final : public QObject {
    Q_OBJECT
public:
    Playback(MediaView& view, AppSettings& settings, Profile& profile, const PlayerOptions& options = {},
             QObject* parent = nullptr);
    ~Playback() override;

    Player& player() { return *player_; }
    // The pane for the window's upper part (the window takes it over).
    PlayerWidget* pane() const { return pane_; }
    PlayerControls* controls() const { return controls_; }
    QMenu* menu() const { return menu_; }

    struct Actions {
        QAction* playPause;
        QAction* stop;
        QAction* back30;
        QAction* forward30;
        QAction* back60;
        QAction* forward60;
        QAction* slower;
        QAction* normalSpeed;
        QAction* faster;
        QAction* volumeUp;
        QAction* volumeDown;
        QAction* mute;
        QAction* fullScreen;
        QAction* halfSize;
        QAction* normalSize;
        QAction* doubleSize;
        QAction* keepRatio;
        QAction* keepSize;
        QAction* hideCaption;
        QAction* captionBigger;
        QAction* captionSmaller;
        QAction* captionBold;
        QAction* captionFont;
        QAction* captionAreaLarger;
        QAction* captionAreaSmaller;
        QAction* imageCapture;
    };
    const Actions& actions() const { return actions_; }

    // "Play": plays a row of the list (the paused medium of that row resumes).
    void PlayRow(int row);
    // The row being played, or -1.
    int PlayingRow() const;
    // Puts the player's preference page into the dialog.
    void AddPageTo(PreferencesDialog* dialog);
    // The settings changed (preferences applied): the player follows them.
    void ApplySettings();
    // Big screen mode: on entering, double size when it fits above the
    // list; on leaving, the size mode of before.
    void BigScreenChanged(bool on);
    // At exit: stops playing and stores the volume.
    void Shutdown();

signals:
    // What Image Capture did: the file written, or why none was.
    void imageSaved(const QString& path, const QString& error);

private:
    void CreateActions();
    void CreateMenu();
    void UpdateChecks();
    void OnCode(int code);
    void OnStateChanged(PlayState state);
    void OnError(const QString& address, const QString& text);
    void OnLoginRefused(const QString& site);
    void OnImageCaptured(const QString& path, const QString& error);
    void ShowStatus(const QString& text);
    void Refresh();
    void PlayNext();
    void SetPlayCell(int row, const QString& text);
    void SetSizeMode(int mode);  // the user's choice: new media follow it
    void UseSizeMode(int mode);  // big screen mode's, not the user's
    void FitPane(QSize size);
    void ChooseCaptionFont();
    void ApplyCaptionCommand(CaptionCommand command);
    CaptionStyle StyleFromSettings() const;
    void StoreStyle(const CaptionStyle& style);

    MediaView& view_;
    AppSettings& settings_;
    Profile& profile_;
    Player* player_;
    QPointer<PlayerWidget> pane_;
    PlayerControls* controls_;
    QMenu* menu_;
    Actions actions_{};
    QTimer refresh_;
    PlayOrder order_;
    QString playingAddress_;  // the address played: every row of it shows a failure
    int sizeModeBeforeBigScreen_ = 1;
    bool advancing_ = false;  // PlayRow called for the next row, not by the user
};

}  // namespace player
