#include "ui/media_tools_dialog.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "base/profile.h"
#include "base/setting_keys.h"
#include "formats/asf_file_info.h"
#include "player/player.h"
#include "player/player_widget.h"
#include "tools/asf_cut.h"
#include "ui/file_info_dialog.h"

namespace {

QString TimeText(int seconds) { return QString::fromStdString(DurationText(seconds)); }

}  // namespace

MediaToolsDialog::MediaToolsDialog(Profile& profile, bool withPlayer, QWidget* parent)
    : QDialog(parent),
      source(new QLineEdit(this)),
      openSource(new QPushButton(tr("Open..."), this)),
      info(new QLabel(this)),
      previewPlay(new QPushButton(tr("Play"), this)),
      slider(new QSlider(Qt::Horizontal, this)),
      positionText(new QLabel(this)),
      startButton(new QPushButton(tr("Start"), this)),
      endButton(new QPushButton(tr("End"), this)),
      startSpin(new QSpinBox(this)),
      endSpin(new QSpinBox(this)),
      startText(new QLineEdit(this)),
      endText(new QLineEdit(this)),
      lengthText(new QLineEdit(this)),
      jumpStart(new QPushButton(tr("Jump"), this)),
      jumpEnd(new QPushButton(tr("Jump"), this)),
      repeat(new QCheckBox(tr("Repeat"), this)),
      cutPath(new QLineEdit(this)),
      browse(new QPushButton(tr("Browser..."), this)),
      cutButton(new QPushButton(tr("Cut"), this)),
      progress(new QProgressBar(this)),
      playButton(new QPushButton(tr("Play"), this)),
      deleteButton(new QPushButton(tr("Delete"), this)),
      status(new QLabel(this)),
      profile_(profile),
      playerTimer_(new QTimer(this)),
      cutTimer_(new QTimer(this))
{
    setWindowTitle(tr("Media Tools"));
    openExternally = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

    source->setReadOnly(true);
    info->setTextFormat(Qt::PlainText);
    info->setWordWrap(true);
    for (QLineEdit* e : {startText, endText, lengthText})
        e->setReadOnly(true);
    progress->setTextVisible(true);
    status->setWordWrap(true);
    // The range is taken when the typing ends (Enter, Tab, the arrows):
    // "29" passes through "2", which may lie before the start.
    startSpin->setKeyboardTracking(false);
    endSpin->setKeyboardTracking(false);
    startSpin->installEventFilter(this);
    endSpin->installEventFilter(this);
    // Enter in the file name cuts; in the spins it only takes the number.
    cutButton->setDefault(true);

    auto* sourceLabel = new QLabel(tr("Source :"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(sourceLabel);
    top->addWidget(source, 1);
    top->addWidget(openSource);

    if (withPlayer) {
        player_ = new player::Player(player::PlayerOptions{}, this);
        if (player_->IsAvailable()) {
            playerWidget_ = new player::PlayerWidget(player_, this);
            playerWidget_->setMinimumSize(320, 180);
        } else {
            delete player_;
        }
    }
    auto* seek = new QHBoxLayout;
    seek->addWidget(previewPlay);
    seek->addWidget(slider, 1);
    seek->addWidget(positionText);

    auto* range = new QGridLayout;
    range->addWidget(startButton, 0, 0);
    range->addWidget(startSpin, 0, 1);
    range->addWidget(startText, 0, 2);
    range->addWidget(jumpStart, 0, 3);
    range->addWidget(endButton, 1, 0);
    range->addWidget(endSpin, 1, 1);
    range->addWidget(endText, 1, 2);
    range->addWidget(jumpEnd, 1, 3);
    auto* lengthLabel = new QLabel(tr("Length"), this);
    range->addWidget(lengthLabel, 2, 0);
    range->addWidget(lengthText, 2, 2);
    range->addWidget(repeat, 2, 3);

    auto* fileLabel = new QLabel(tr("File :"), this);
    auto* file = new QHBoxLayout;
    file->addWidget(fileLabel);
    file->addWidget(cutPath, 1);
    file->addWidget(browse);
    auto* actions = new QHBoxLayout;
    actions->addWidget(cutButton);
    actions->addWidget(progress, 1);
    actions->addWidget(playButton);
    actions->addWidget(deleteButton);

    auto* cutPage = new QGroupBox(tr("Cut"), this);
    auto* cutLayout = new QVBoxLayout(cutPage);
    cutLayout->addLayout(range);
    cutLayout->addLayout(file);
    cutLayout->addLayout(actions);
    cutLayout->addWidget(status);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    NameControls(sourceLabel, lengthLabel, fileLabel);
    // Tab goes through the page as it reads, top to bottom and left to right.
    QWidget* order[] = {source,      openSource, previewPlay,  slider,
                        startButton, startSpin,  startText,    jumpStart,
                        endButton,   endSpin,    endText,      jumpEnd,
                        lengthText,  repeat,     cutPath,      browse,
                        cutButton,   playButton, deleteButton, buttons->button(QDialogButtonBox::Close)};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(info);
    if (playerWidget_)
        layout->addWidget(playerWidget_, 1);
    layout->addLayout(seek);
    layout->addWidget(cutPage);
    layout->addWidget(buttons);

    connect(openSource, &QPushButton::clicked, this, &MediaToolsDialog::BrowseSource);
    connect(startButton, &QPushButton::clicked, this, &MediaToolsDialog::OnStart);
    connect(endButton, &QPushButton::clicked, this, &MediaToolsDialog::OnEnd);
    connect(startSpin, &QSpinBox::valueChanged, this, &MediaToolsDialog::OnStartSpin);
    connect(endSpin, &QSpinBox::valueChanged, this, &MediaToolsDialog::OnEndSpin);
    connect(jumpStart, &QPushButton::clicked, this, [this] { Jump(start_); });
    connect(jumpEnd, &QPushButton::clicked, this, [this] { Jump(end_); });
    connect(cutButton, &QPushButton::clicked, this, &MediaToolsDialog::StartCut);
    connect(playButton, &QPushButton::clicked, this, &MediaToolsDialog::PlayCut);
    connect(deleteButton, &QPushButton::clicked, this, &MediaToolsDialog::DeleteCut);
    connect(browse, &QPushButton::clicked, this, &MediaToolsDialog::BrowseCut);
    connect(slider, &QSlider::valueChanged, this,
            [this](int v) { positionText->setText(TimeText(v)); });
    connect(slider, &QSlider::sliderReleased, this, [this] {
        if (player_ && player_->State() != player::PlayState::Stopped)
            player_->SetPosition(slider->value());
    });
    connect(previewPlay, &QPushButton::clicked, this, &MediaToolsDialog::PlayPausePreview);
    if (player_) {
        connect(player_, &player::Player::stateChanged, this, [this](player::PlayState state) {
            if (state == player::PlayState::Stopped && repeat->isChecked() && !ownStop_ &&
                !sourcePath_.isEmpty())
                player_->Play();  // the end of the file: from the start again
            ownStop_ = false;
            UpdatePreviewButton();
        });
        // A seek waits until the file is open: before that the player has
        // nothing to seek in.
        connect(player_, &player::Player::stateCode, this, [this](int code) {
            if (code != player::kMediaOpened || pendingSeek_ < 0)
                return;
            player_->SetPosition(pendingSeek_);
            player_->Pause();
            pendingSeek_ = -1;
        });
        connect(playerTimer_, &QTimer::timeout, this, &MediaToolsDialog::PollPlayer);
        playerTimer_->start(250);
    }
    connect(cutTimer_, &QTimer::timeout, this, &MediaToolsDialog::PollCut);

    for (QWidget* w :
         std::initializer_list<QWidget*>{startButton, endButton, startSpin, endSpin, jumpStart, jumpEnd,
                                         cutButton, browse, slider, playButton, deleteButton, previewPlay})
        w->setEnabled(false);
    positionText->setText(TimeText(0));
}

MediaToolsDialog::~MediaToolsDialog() { StopCut(); }

void MediaToolsDialog::NameControls(QLabel* sourceLabel, QLabel* lengthLabel, QLabel* fileLabel)
{
    // Names for screen readers and test robots: two buttons say "Jump" and
    // several fields have no label of their own.
    sourceLabel->setBuddy(source);
    lengthLabel->setBuddy(lengthText);
    fileLabel->setBuddy(cutPath);
    previewPlay->setAccessibleName(tr("Play or pause the preview"));
    slider->setAccessibleName(tr("Position (seconds)"));
    startButton->setAccessibleName(tr("Start at the position"));
    endButton->setAccessibleName(tr("End at the position"));
    startSpin->setAccessibleName(tr("Start (seconds)"));
    endSpin->setAccessibleName(tr("End (seconds)"));
    startText->setAccessibleName(tr("Start time"));
    endText->setAccessibleName(tr("End time"));
    jumpStart->setAccessibleName(tr("Jump to the start"));
    jumpEnd->setAccessibleName(tr("Jump to the end"));
    progress->setAccessibleName(tr("Cut progress"));
    playButton->setAccessibleName(tr("Play the cut file"));
    deleteButton->setAccessibleName(tr("Delete the cut file"));
}

player::Player* MediaToolsDialog::previewPlayer() const { return player_.data(); }

bool MediaToolsDialog::SetFile(const QString& path)
{
    if (cutting())
        return false;
    AsfFileInfo fileInfo;
    if (!fileInfo.Parse(path.toStdString())) {
        status->setText(tr("%1 is not an ASF file: %2").arg(path, QString::fromStdString(fileInfo.Status().Text())));
        return false;
    }
    sourcePath_ = path;
    source->setText(path);
    QStringList lines;
    for (const auto& [label, value] : FileInfoRows(path))
        if (!value.isEmpty())
            lines << label + ": " + value;
    info->setText(lines.join('\n'));
    cutPath->setText(QString::fromStdString(DefaultCutPath(path.toStdString())));
    const int64_t seconds = fileInfo.DurationSeconds();
    duration_ = seconds > 0 ? static_cast<int>(std::min<int64_t>(seconds, 1000000000)) : 0;
    start_ = 0;
    end_ = duration_;
    selectionStart_ = 0;
    selectionEnd_ = duration_;
    for (QSpinBox* spin : {startSpin, endSpin}) {
        QSignalBlocker block(spin);
        spin->setRange(0, duration_);
    }
    {
        QSignalBlocker a(startSpin), b(endSpin);
        startSpin->setValue(start_);
        endSpin->setValue(end_);
    }
    slider->setRange(0, duration_);
    slider->setValue(0);
    UpdateTexts();
    for (QWidget* w : std::initializer_list<QWidget*>{startButton, endButton, startSpin, endSpin, jumpStart,
                                                      jumpEnd, cutButton, browse, slider})
        w->setEnabled(true);
    previewPlay->setEnabled(player_ != nullptr);
    playButton->setEnabled(false);
    deleteButton->setEnabled(false);
    progress->setRange(0, 1);
    progress->setValue(0);
    status->clear();
    if (player_) {
        ownStop_ = player_->State() != player::PlayState::Stopped;
        player_->Stop();
        pendingSeek_ = -1;
    }
    return true;
}

void MediaToolsDialog::UpdateTexts()
{
    startText->setText(TimeText(start_));
    endText->setText(TimeText(end_));
    lengthText->setText(TimeText(end_ - start_));
}

void MediaToolsDialog::OnStart()
{
    const int position = slider->value();
    if (position > selectionEnd_)
        return;
    selectionStart_ = position;
    if (position < 1)
        return;
    start_ = position;
    QSignalBlocker block(startSpin);
    startSpin->setValue(start_);
    UpdateTexts();
}

void MediaToolsDialog::OnEnd()
{
    const int position = slider->value();
    if (position < selectionStart_)
        return;
    selectionEnd_ = position;
    if (position < 1)
        return;
    end_ = position;
    QSignalBlocker block(endSpin);
    endSpin->setValue(end_);
    UpdateTexts();
}

void MediaToolsDialog::OnStartSpin(int value)
{
    if (value < end_) {
        start_ = value;
        selectionStart_ = value;
        UpdateTexts();
    } else {
        QSignalBlocker block(startSpin);
        startSpin->setValue(start_);
    }
}

void MediaToolsDialog::OnEndSpin(int value)
{
    if (value > start_) {
        end_ = value;
        selectionEnd_ = value;
        UpdateTexts();
    } else {
        QSignalBlocker block(endSpin);
        endSpin->setValue(end_);
    }
}

void MediaToolsDialog::Jump(int seconds)
{
    slider->setValue(seconds);
    if (!player_ || sourcePath_.isEmpty())
        return;
    switch (player_->State()) {
    case player::PlayState::Stopped:
        // Opened first; the seek and the pause follow once it plays.
        pendingSeek_ = seconds;
        player_->Open(sourcePath_, QFileInfo(sourcePath_).fileName());
        break;
    case player::PlayState::Playing:
        player_->SetPosition(seconds);
        player_->Pause();
        break;
    default:
        player_->SetPosition(seconds);
        break;
    }
}

void MediaToolsDialog::PlayPausePreview()
{
    if (!player_ || sourcePath_.isEmpty())
        return;
    switch (player_->State()) {
    case player::PlayState::Stopped:
        pendingSeek_ = slider->value() > 0 ? slider->value() : -1;
        player_->Open(sourcePath_, QFileInfo(sourcePath_).fileName());
        break;
    case player::PlayState::Playing:
        player_->Pause();
        break;
    case player::PlayState::Paused:
        player_->Play();
        break;
    }
}

void MediaToolsDialog::UpdatePreviewButton()
{
    const bool playing = player_ && player_->State() == player::PlayState::Playing;
    previewPlay->setText(playing ? tr("Pause") : tr("Play"));
}

void MediaToolsDialog::PollPlayer()
{
    if (!player_ || slider->isSliderDown() || player_->State() == player::PlayState::Stopped)
        return;
    QSignalBlocker block(slider);
    slider->setValue(player_->Position());
    positionText->setText(TimeText(slider->value()));
}

void MediaToolsDialog::BrowseSource()
{
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Open"), sourcePath_,
                                                        tr("Video files (*.asf *.wmv *.wma);;All files (*)"));
    if (!chosen.isEmpty())
        SetFile(chosen);
}

bool MediaToolsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == startSpin || watched == endSpin)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QSpinBox*>(watched)->interpretText();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MediaToolsDialog::reject()
{
    StopCut();
    if (player_) {
        ownStop_ = player_->State() != player::PlayState::Stopped;
        player_->Stop();
    }
    QDialog::reject();
}
