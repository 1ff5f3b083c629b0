#pragma once

#include <QWidget>

#include "player/player_codes.h"

class QLabel;
class QSlider;
class QToolButton;

namespace player {

// The player's controls above the media list: play, pause and stop, the
// seek bar with the time, and the volume. They show what they are told and
// say what the user did; the playback controller joins them to the player.
class PlayerControls : public QWidget {
    Q_OBJECT
public:
    explicit PlayerControls(QWidget* parent = nullptr);

    // Stopped: play; paused: play and stop; playing: pause and stop.
    void SetButtonState(PlayState state);
    // The seek bar's range (0 without a known length) and the time shown.
    void SetDuration(int seconds);
    // Ignored while the user drags the seek bar.
    void SetPosition(int seconds);
    void SetVolume(int volume);
    bool Dragging() const;

    QToolButton* playButton() const { return play_; }
    QToolButton* pauseButton() const { return pause_; }
    QToolButton* stopButton() const { return stop_; }
    QSlider* seekBar() const { return seek_; }
    QSlider* volumeSlider() const { return volume_; }
    QLabel* timeLabel() const { return time_; }

    // "h:mm:ss", as the list's Time cells show lengths.
    static QString TimeText(int seconds);

signals:
    void playClicked();
    void pauseClicked();
    void stopClicked();
    void seekRequested(int seconds);  // when the user lets go of the seek bar
    void volumeRequested(int volume);

private:
    QToolButton* play_;
    QToolButton* pause_;
    QToolButton* stop_;
    QSlider* seek_;
    QLabel* time_;
    QSlider* volume_;
    int duration_ = 0;
};

}  // namespace player
