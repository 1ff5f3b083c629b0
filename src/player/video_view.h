#pragma once

#include <QOpenGLWidget>
#include <QPointer>
#include <atomic>

struct mpv_render_context;

namespace player {

class Player;

// Draws the player's video with mpv's render API into this widget's OpenGL
// framebuffer, on the GUI thread. mpv's update callback only queues a call
// here; frames are drawn without waiting for their display time.
class VideoView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit VideoView(Player* player, QWidget* parent = nullptr);
    ~VideoView() override;

    bool HasRenderContext() const { return render_ != nullptr; }
    int FramesRendered() const { return frames_; }

signals:
    void frameRendered();  // a picture of the medium (not a blank) was drawn

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    static void OnUpdate(void* self);
    void ProcessUpdate();
    void ReleaseRenderContext();

    QPointer<Player> player_;
    mpv_render_context* render_ = nullptr;
    std::atomic<bool> updatePosted_{false};
    int frames_ = 0;
};

}  // namespace player
