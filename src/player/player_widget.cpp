#include "player/player_widget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QOpenGLContext>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "player/player.h"
#include "player/video_view.h"

namespace player {
namespace {

QVBoxLayout* BareLayout(QWidget* owner)
{
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

void Blacken(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

bool PlayerWidget::CanShowVideo()
{
    static const bool usable = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        QOpenGLContext probe;
        return probe.create();
    }();
    return usable;
}

PlayerWidget::PlayerWidget(Player* player, QWidget* parent) : QWidget(parent), player_(player)
{
    setObjectName(QStringLiteral("playerWidget"));
    Blacken(this);
    if (CanShowVideo()) {
        video_ = new VideoView(player, this);
        view_ = video_;
    } else {
        view_ = new QWidget(this);
        view_->setObjectName(QStringLiteral("videoStandIn"));
        Blacken(view_);
    }
    view_->installEventFilter(this);
    BareLayout(this)->addWidget(view_);
    if (player) {
        connect(player, &Player::fullScreenChanged, this, &PlayerWidget::ApplyFullScreen);
        connect(player, &Player::videoSizeChanged, this, &PlayerWidget::OnVideoSize);
    }
}

PlayerWidget::~PlayerWidget()
{
    // The view goes with the pane, wherever it is shown. (Moving it back
    // would meddle with the focus of a window that may be going away too.)
    delete fullScreenWindow_;
}

void PlayerWidget::SetSizeMode(int mode)
{
    sizeMode_ = std::clamp(mode, static_cast<int>(Half), static_cast<int>(Double));
    updateGeometry();
    if (!PreferredVideoSize().isEmpty())
        emit preferredSizeChanged(PreferredVideoSize());
}

QSize PlayerWidget::PreferredVideoSize() const
{
    const QSize video = player_ ? player_->VideoSize() : QSize();
    if (video.isEmpty())
        return {};
    const double factor = sizeMode_ == Half ? 0.5 : sizeMode_ == Double ? 2.0 : 1.0;
    return {static_cast<int>(std::lround(video.width() * factor)),
            static_cast<int>(std::lround(video.height() * factor))};
}

QSize PlayerWidget::sizeHint() const
{
    const QSize preferred = PreferredVideoSize();
    return preferred.isEmpty() ? QSize(200, 200) : preferred;
}

void PlayerWidget::OnVideoSize()
{
    const QSize video = player_ ? player_->VideoSize() : QSize();
    if (video.isEmpty() || video == lastVideoSize_)
        return;
    lastVideoSize_ = video;
    updateGeometry();
    if (sizeChosen_ && !keepSize_)
        emit preferredSizeChanged(PreferredVideoSize());
}

void PlayerWidget::ApplyFullScreen(bool on)
{
    if (on == (fullScreenWindow_ != nullptr))
        return;
    if (on) {
        fullScreenWindow_ = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
        fullScreenWindow_->setObjectName(QStringLiteral("playerFullScreen"));
        fullScreenWindow_->setWindowTitle(window()->windowTitle());
        Blacken(fullScreenWindow_);
        BareLayout(fullScreenWindow_)->addWidget(view_);
        fullScreenWindow_->installEventFilter(this);
        // Without a window manager nothing else would size it.
        fullScreenWindow_->setGeometry(screen()->geometry());
        fullScreenWindow_->showFullScreen();
        fullScreenWindow_->activateWindow();
        setEnabled(false);
    } else {
        layout()->addWidget(view_);
        view_->show();
        // Perhaps inside one of the full-screen window's own events.
        fullScreenWindow_->hide();
        fullScreenWindow_->deleteLater();
        fullScreenWindow_ = nullptr;
        setEnabled(true);
        window()->activateWindow();
    }
}

bool PlayerWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::MouseButtonDblClick) {
        if (player_)
            player_->SetFullScreen(!player_->IsFullScreen());
        return true;
    }
    // Full screen takes no commands but the way back: Escape or a double click.
    if (fullScreenWindow_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (player_)
            player_->SetFullScreen(false);
        return true;
    }
    if (fullScreenWindow_ && watched == fullScreenWindow_ && event->type() == QEvent::Close) {
        if (player_)
            player_->SetFullScreen(false);
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace player
