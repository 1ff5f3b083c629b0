#include "player/player_controls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

namespace player {
namespace {

QToolButton* Button(QWidget* parent, QStyle::StandardPixmap icon, const QString& text, const char* name)
{
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(text);
    b->setText(text);
    b->setObjectName(QLatin1String(name));
    b->setAutoRaise(true);
    return b;
}

}  // namespace

PlayerControls::PlayerControls(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("playerControls"));
    play_ = Button(this, QStyle::SP_MediaPlay, tr("Play"), "playButton");
    pause_ = Button(this, QStyle::SP_MediaPause, tr("Pause"), "pauseButton");
    stop_ = Button(this, QStyle::SP_MediaStop, tr("Stop"), "stopButton");
    seek_ = new QSlider(Qt::Horizontal, this);
    seek_->setObjectName(QStringLiteral("seekBar"));
    seek_->setRange(0, 0);
    seek_->setTracking(false);
    seek_->setAccessibleName(tr("Position"));
    time_ = new QLabel(TimeText(0), this);
    time_->setObjectName(QStringLiteral("timeLabel"));
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("volumeSlider"));
    volume_->setRange(0, kVolumeMax);
    volume_->setSingleStep(kVolumeStep);
    volume_->setPageStep(kVolumeStep * 10);
    volume_->setToolTip(tr("Volume"));
    volume_->setAccessibleName(tr("Volume"));
    volume_->setMaximumWidth(90);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(play_);
    row->addWidget(pause_);
    row->addWidget(stop_);
    row->addWidget(seek_, 1);
    row->addWidget(time_);
    row->addWidget(volume_);

    connect(play_, &QToolButton::clicked, this, &PlayerControls::playClicked);
    connect(pause_, &QToolButton::clicked, this, &PlayerControls::pauseClicked);
    connect(stop_, &QToolButton::clicked, this, &PlayerControls::stopClicked);
    // Without tracking, valueChanged comes once the user lets go.
    connect(seek_, &QSlider::valueChanged, this, &PlayerControls::seekRequested);
    connect(seek_, &QSlider::sliderMoved, this, [this](int s) { time_->setText(TimeText(s)); });
    connect(volume_, &QSlider::valueChanged, this, &PlayerControls::volumeRequested);
    SetButtonState(PlayState::Stopped);
}

void PlayerControls::SetButtonState(PlayState state)
{
    play_->setEnabled(state != PlayState::Playing);
    pause_->setEnabled(state == PlayState::Playing);
    stop_->setEnabled(state != PlayState::Stopped);
}

void PlayerControls::SetDuration(int seconds)
{
    duration_ = std::max(0, seconds);
    const QSignalBlocker quiet(seek_);
    seek_->setRange(0, duration_);
    seek_->setPageStep(std::max(1, duration_ / 10));
}

void PlayerControls::SetPosition(int seconds)
{
    if (Dragging())
        return;
    const QSignalBlocker quiet(seek_);
    seek_->setValue(seconds);
    time_->setText(TimeText(seconds));
}

void PlayerControls::SetVolume(int volume)
{
    const QSignalBlocker quiet(volume_);
    volume_->setValue(volume);
}

bool PlayerControls::Dragging() const
{
    return seek_->isSliderDown();
}

QString PlayerControls::TimeText(int seconds)
{
    seconds = std::max(0, seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace player
