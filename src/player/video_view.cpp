#include "player/video_view.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <mpv/render_gl.h>

#include "player/player.h"

namespace player {
namespace {

void* GetProcAddress(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

}  // namespace

VideoView::VideoView(Player* player, QWidget* parent) : QOpenGLWidget(parent), player_(player)
{
    setMinimumSize(1, 1);
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (render_)
            mpv_render_context_report_swap(render_);
    });
    if (player)
        connect(player, &Player::aboutToTerminate, this, &VideoView::ReleaseRenderContext);
}

VideoView::~VideoView()
{
    ReleaseRenderContext();
}

void VideoView::initializeGL()
{
    // A new top-level window (full screen and back) brings a new context.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &VideoView::ReleaseRenderContext,
            Qt::UniqueConnection);
    if (render_ || !player_ || !player_->handle())
        return;
    mpv_opengl_init_params gl{&GetProcAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, player_->handle(), params) < 0) {
        render_ = nullptr;
        return;
    }
    mpv_render_context_set_update_callback(render_, &VideoView::OnUpdate, this);
    player_->SetRenderOutput(true);
}

void VideoView::paintGL()
{
    if (!render_) {
        context()->functions()->glClearColor(0, 0, 0, 1);
        context()->functions()->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    mpv_render_frame_info next{};
    mpv_render_param query{MPV_RENDER_PARAM_NEXT_FRAME_INFO, &next};
    const bool picture = mpv_render_context_get_info(render_, query) >= 0 &&
                         (next.flags & MPV_RENDER_FRAME_INFO_PRESENT);
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), static_cast<int>(width() * ratio),
                       static_cast<int>(height() * ratio), 0};
    int flip = 1;
    int block = 0;  // the GUI thread never waits for a frame's display time
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    if (picture) {
        ++frames_;
        emit frameRendered();
    }
}

// Called by mpv on its own threads: only queues the work on ours.
void VideoView::OnUpdate(void* self)
{
    auto* view = static_cast<VideoView*>(self);
    if (!view->updatePosted_.exchange(true))
        QMetaObject::invokeMethod(view, &VideoView::ProcessUpdate, Qt::QueuedConnection);
}

void VideoView::ProcessUpdate()
{
    updatePosted_ = false;
    if (render_ && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME))
        update();
}

void VideoView::ReleaseRenderContext()
{
    if (!render_)
        return;
    makeCurrent();
    if (player_)
        player_->SetRenderOutput(false);
    // Returns once mpv's video output has let go of it; no update callback
    // runs afterwards.
    mpv_render_context_free(render_);
    render_ = nullptr;
    doneCurrent();
}

}  // namespace player
