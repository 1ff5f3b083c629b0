#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

namespace player {

class Player;
class VideoView;

// The player's pane, which the main window puts in its upper part: the
// video, full screen (the video in a window of its own over the whole
// screen, the pane disabled meanwhile), and the size the pane would like
// for the half, normal and double size modes.
class PlayerWidget : public QWidget {
    Q_OBJECT
public:
    explicit PlayerWidget(Player* player, QWidget* parent = nullptr);
    ~PlayerWidget() override;

    Player* player() const { return player_; }
    // The video, or nullptr where OpenGL cannot be shown (see CanShowVideo).
    VideoView* videoView() const { return video_; }
    // The widget in the video's place: the video view, or a black stand-in.
    QWidget* videoArea() const { return view_; }

    // False on platforms that cannot show an OpenGL widget (no OpenGL, or
    // the offscreen and minimal platforms, whose backing stores cannot
    // compose one). mpv then decodes without showing the picture.
    static bool CanShowVideo();

    enum SizeMode { Half = 0, Normal = 1, Double = 2 };
    int SizeMode() const { return sizeMode_; }
    // Always tells the new preferred size, also with "keep size" on.
    void SetSizeMode(int mode);
    // A new medium tells its preferred size only once the user has chosen a
    // size mode, and never with "keep size" on; otherwise the pane keeps the
    // size the window gives it.
    void SetSizeChosen(bool chosen) { sizeChosen_ = chosen; }
    bool KeepSize() const { return keepSize_; }
    void SetKeepSize(bool keep) { keepSize_ = keep; }
    // The video's size in the current mode; empty without video.
    QSize PreferredVideoSize() const;
    QSize sizeHint() const override;

signals:
    // The window fits its upper pane to this size.
    void preferredSizeChanged(QSize size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFullScreen(bool on);
    void OnVideoSize();

    QPointer<Player> player_;
    VideoView* video_ = nullptr;
    QWidget* view_;
    QWidget* fullScreenWindow_ = nullptr;
    int sizeMode_ = Normal;
    bool sizeChosen_ = false;
    bool keepSize_ = false;
    QSize lastVideoSize_;
};

}  // namespace player
