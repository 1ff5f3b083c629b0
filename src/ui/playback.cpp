#include "ui/playback.h"

#include <QAction>
#include <QDesktopServices>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>

#include "base/app_settings.h"
#include "base/display_text.h"
#include "base/profile.h"
#include "base/setting_keys.h"
#include "medialist/media_list.h"
#include "player/play_targets.h"
#include "protocols/net/url_parts.h"
#include "ui/player_page.h"
#include "player/player_controls.h"
#include "player/player_widget.h"
#include "ui/credential_dialog.h"
#include "ui/media_view.h"
#include "ui/preferences_dialog.h"

namespace player {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

constexpr int kRefreshMs = 1000;
static_assert(setting_keys::kVolume.def == kVolumeMax, "a new profile plays at full volume");

// The player's length of a medium goes into the Time cell only where the
// list knows no better one: a row being recorded shows its stream's length
// (its growing file is shorter), and a network row keeps a length its
// server announced.
bool TakesPlayerLength(const MediaItem& row)
{
    if (row.itemData != 0)
        return false;
    const std::string& time = row.cells[kColTime];
    return row.image == kImageLocal || time.find_first_not_of(' ') == std::string::npos ||
           time == DurationText(0);
}

}  // namespace

Playback::Playback(MediaView& view, AppSettings& settings, Profile& profile, const PlayerOptions& options,
                   QObject* parent)
    : QObject(parent),
      view_(view),
      settings_(settings),
      profile_(profile),
      player_(new Player(options, this)),
      pane_(new PlayerWidget(player_)),
      controls_(new PlayerControls),
      menu_(new QMenu(tr("&Play")))
{
    view_.controlsBar()->addWidget(controls_, 1);
    CreateActions();
    CreateMenu();

    connect(&view_, &MediaView::playRequested, this, &Playback::PlayRow);
    connect(&view_, &MediaView::stopRequested, player_, &Player::Stop);
    connect(controls_, &PlayerControls::playClicked, this, [this] {
        if (player_->State() == PlayState::Paused)
            player_->Play();
        else
            PlayRow(view_.SelectedRow());
    });
    connect(controls_, &PlayerControls::pauseClicked, player_, &Player::Pause);
    connect(controls_, &PlayerControls::stopClicked, player_, &Player::Stop);
    connect(controls_, &PlayerControls::seekRequested, player_, &Player::SetPosition);
    connect(controls_, &PlayerControls::volumeRequested, player_, &Player::SetVolume);

    connect(player_, &Player::stateCode, this, &Playback::OnCode);
    connect(player_, &Player::stateChanged, this, &Playback::OnStateChanged);
    connect(player_, &Player::errorOccurred, this, &Playback::OnError);
    // The question waits for the user: asked outside the player's event handling.
    connect(player_, &Player::loginRefused, this, &Playback::OnLoginRefused, Qt::QueuedConnection);
    connect(player_, &Player::imageCaptured, this, &Playback::OnImageCaptured);
    connect(player_, &Player::audioUnavailable, this,
            [this] { ShowStatus(tr("No sound device could be opened: playing without sound.")); });
    connect(player_, &Player::volumeChanged, controls_, &PlayerControls::SetVolume);
    connect(pane_, &PlayerWidget::preferredSizeChanged, this, &Playback::FitPane);

    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &Playback::Refresh);

    player_->SetVolume(ReadSetting(profile_, setting_keys::kVolume));
    controls_->SetVolume(player_->Volume());
    ApplySettings();
}

Playback::~Playback()
{
    // A pane that no window took over goes with the playback.
    if (pane_ && !pane_->parent())
        delete pane_;
    delete menu_;
}

// --- Playing rows ---

int Playback::PlayingRow() const
{
    return view_.playingRow();
}

void Playback::PlayRow(int row)
{
    MediaList& list = view_.list();
    if (row < 0 || row >= list.RowCount())
        return;
    const MediaItem item = list.Row(row);
    const QString address = Q(item.cells[kColOriginalFile]);
    const QString title = Q(item.cells[kColFile]);
    if (player_->State() == PlayState::Paused && address == playingAddress_) {
        player_->Play();
        return;
    }
    // Rows that stand for a web page: nothing is played, and what plays
    // goes on playing.
    switch (ActionFor(title, item.image != kImageLocal)) {
    case RowAction::WebSearch:
        QDesktopServices::openUrl(WebSearchUrl(address));
        return;
    case RowAction::OpenElsewhere:
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
        return;
    case RowAction::Play:
        break;
    }
    const int previous = PlayingRow();
    if (previous >= 0 && previous != row)
        SetPlayCell(previous, {});
    playingAddress_ = address;
    view_.SetPlayingRow(row);
    if (!advancing_)
        order_.Started(static_cast<int64_t>(list.IdAt(row)));  // a new shuffle round
    refresh_.stop();
    SetPlayCell(row, tr("Ready"));
    controls_->SetButtonState(PlayState::Playing);
    controls_->SetDuration(0);
    controls_->SetPosition(0);

    OpenOptions options;
    QString target = address;
    // A row being recorded plays from its file, following it as it grows.
    const std::string& output = item.outputPath.empty() ? item.cells[kColRecordingFile] : item.outputPath;
    if (item.itemData != 0 && !output.empty()) {
        target = Q(output);
        options.growing = true;
    } else if (!IsLocalAddress(address)) {
        // The pair stored for the address's own server; else the member
        // credentials, when they were given for its scheme, host and port.
        // Any other server asks first (its refusal brings the question).
        const StoredCredentials stored = ReadStoredCredentials(profile_, net::CredentialSiteOf(S(address)));
        if (!stored.user.empty() && !stored.password.empty()) {
            options.user = Q(stored.user);
            options.password = Q(stored.password);
            options.loginFor = address;
        } else if (!settings_.m_memberAddress.empty()) {
            options.user = Q(settings_.m_memberUser);
            options.password = Q(settings_.m_memberPassword);
            options.loginFor = Q(settings_.m_memberAddress);
        }
    }
    player_->Open(target, title, options);
}

void Playback::PlayNext()
{
    const MediaList& list = view_.list();
    std::vector<int64_t> candidates;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (ActionFor(Q(list.Cell(i, kColFile)), list.Image(i) != kImageLocal) == RowAction::Play)
            candidates.push_back(static_cast<int64_t>(list.IdAt(i)));
    }
    const int playing = PlayingRow();
    const int64_t current = playing < 0 ? -1 : static_cast<int64_t>(list.IdAt(playing));
    const int64_t next = order_.Next(candidates, current, settings_.m_repeat > 0, settings_.m_sequence != 0);
    const int row = next < 0 ? -1 : list.IndexOf(static_cast<uint64_t>(next));
    if (row < 0)
        return;
    view_.SelectRow(row);
    advancing_ = true;
    PlayRow(row);
    advancing_ = false;
}

void Playback::SetPlayCell(int row, const QString& text)
{
    if (row >= 0)
        view_.list().SetCell(row, kColPlay, S(text));
}

// --- What the player reports ---

void Playback::OnCode(int code)
{
    const int row = PlayingRow();
    switch (code) {
    case kReady:
        SetPlayCell(row, tr("Ready"));
        break;
    case kMediaOpened: {
        const int duration = player_->Duration();
        controls_->SetDuration(duration);
        controls_->SetPosition(player_->Position());
        if (row >= 0 && duration > 0 && TakesPlayerLength(view_.list().Row(row)))
            view_.list().SetCell(row, kColTime, DurationText(static_cast<uint32_t>(duration) * 1000u));
        refresh_.start();
        break;
    }
    case kError: {
        refresh_.stop();
        // Every row of the address that failed.
        MediaList& list = view_.list();
        for (int i = 0; i < list.RowCount(); ++i) {
            if (Q(list.Cell(i, kColOriginalFile)) == playingAddress_)
                SetPlayCell(i, tr("error"));
        }
        break;
    }
    case kPositionChanged:
        controls_->SetPosition(player_->Position());
        break;
    case kBuffering:
    case kBufferingProgress:
        SetPlayCell(row, tr("Buffering"));
        break;
    case kEndOfMedia:
        refresh_.stop();
        PlayNext();
        break;
    default:
        break;
    }
}

void Playback::OnStateChanged(PlayState state)
{
    controls_->SetButtonState(state);
    if (state == PlayState::Stopped) {
        refresh_.stop();
        controls_->SetPosition(0);
        // "Ready" and "Buffering" describe a medium that plays; "error" stays.
        const int row = PlayingRow();
        const QString shown = row >= 0 ? Q(view_.list().Cell(row, kColPlay)) : QString();
        if (shown == tr("Ready") || shown == tr("Buffering"))
            SetPlayCell(row, {});
    }
}

void Playback::OnError(const QString&, const QString& text)
{
    // The row says "error"; the window's status line says why.
    ShowStatus(tr("%1 cannot be played: %2").arg(player_->Title(), text));
}

void Playback::ShowStatus(const QString& text)
{
    if (auto* window = qobject_cast<QMainWindow*>(view_.window()))
        window->statusBar()->showMessage(text, 15000);
}

void Playback::OnLoginRefused(const QString& site)
{
    if (!player_->LoginPrompt())
        return;
    CredentialDialog dialog(site, QString(), QString(), view_.window());
    if (dialog.exec() != QDialog::Accepted) {
        player_->CancelLogin();
        return;
    }
    if (dialog.save()) {
        WriteStoredCredentials(profile_, S(site), S(dialog.user()), S(dialog.password()));
        profile_.Flush();
    }
    player_->RetryLogin(dialog.user(), dialog.password());
}

void Playback::OnImageCaptured(const QString& path, const QString& error)
{
    emit imageSaved(path, error);
    // Captures come one after another while watching: the status line says
    // where each went, and no dialog stops the next one.
    auto* window = qobject_cast<QMainWindow*>(view_.window());
    if (!window)
        return;
    if (error.isEmpty())
        window->statusBar()->showMessage(tr("Image saved as %1").arg(path), 10000);
    else
        window->statusBar()->showMessage(path.isEmpty() ? tr("Image Capture: %1").arg(error)
                                                        : tr("%1 could not be saved: %2").arg(path, error),
                                         15000);
}

void Playback::Refresh()
{
    controls_->SetPosition(player_->Position());
}

// --- Sizes and captions ---

void Playback::SetSizeMode(int mode)
{
    pane_->SetSizeChosen(true);
    UseSizeMode(mode);
}

void Playback::UseSizeMode(int mode)
{
    settings_.m_windowSizeMode = mode;
    pane_->SetSizeMode(mode);
    UpdateChecks();
}

void Playback::FitPane(QSize size)
{
    QWidget* pane = pane_;
    if (!pane || size.isEmpty() || !pane->parentWidget())
        return;
    QWidget* window = pane->window();
    auto* splitter = qobject_cast<QSplitter*>(pane->parentWidget());
    const QSize delta = size - pane->size();
    QList<int> sizes = splitter ? splitter->sizes() : QList<int>();
    // The pane's height follows the video; the window grows wider for a
    // wider video but never narrows, so the list keeps its columns. A
    // maximised or full-screen window keeps its size; the pane takes what
    // it can of it.
    if (!(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const QSize available = window->screen() ? window->screen()->availableSize() : QSize(4096, 4096);
        window->resize(std::min(window->width() + std::max(0, delta.width()), available.width()),
                       std::clamp(window->height() + delta.height(), 200, available.height()));
        if (window->layout())
            window->layout()->activate();  // the splitter's new height, now
    }
    if (splitter && sizes.size() == 2) {
        const int at = splitter->indexOf(pane);
        const int total = splitter->orientation() == Qt::Vertical ? splitter->height() : splitter->width();
        sizes[at] = std::min(size.height(), total - 1);
        sizes[1 - at] = std::max(1, total - sizes[at] - splitter->handleWidth());
        splitter->setSizes(sizes);
    }
}

CaptionStyle Playback::StyleFromSettings() const
{
    CaptionStyle style;
    style.enabled = settings_.m_enableCaption != 0;
    style.color = settings_.m_captionColor;
    style.size = settings_.m_captionSize;
    style.styleName = Q(settings_.m_captionStyleName);
    style.faceName = Q(settings_.m_captionFaceName);
    style.bold = settings_.m_captionBold != 0;
    style.margin = settings_.m_captionMargin;
    return style;
}

void Playback::StoreStyle(const CaptionStyle& style)
{
    settings_.m_enableCaption = style.enabled ? 1 : 0;
    settings_.m_captionColor = style.color;
    settings_.m_captionSize = style.size;
    settings_.m_captionStyleName = S(style.styleName);
    settings_.m_captionFaceName = S(style.faceName);
    settings_.m_captionBold = style.bold ? 1 : 0;
    settings_.m_captionMargin = style.margin;
}

void Playback::ApplyCaptionCommand(CaptionCommand command)
{
    const CaptionStyle style = Apply(StyleFromSettings(), command);
    StoreStyle(style);
    player_->SetCaptions(style);
    UpdateChecks();
}

void Playback::ChooseCaptionFont()
{
    CaptionStyle style = StyleFromSettings();
    QFont font(style.faceName, style.size);
    font.setBold(style.bold);
    if (!style.styleName.isEmpty())
        font.setStyleName(style.styleName);
    bool ok = false;
    font = QFontDialog::getFont(&ok, font, view_.window(), tr("Caption Font"));
    if (!ok)
        return;
    style.faceName = font.family();
    style.size = std::clamp(font.pointSize() > 0 ? font.pointSize() : style.size, kCaptionSizeMin, kCaptionSizeMax);
    style.bold = font.bold();
    if (!font.styleName().isEmpty())
        style.styleName = font.styleName();
    StoreStyle(style);
    player_->SetCaptions(style);
}

// --- Settings ---

void Playback::AddPageTo(PreferencesDialog* dialog)
{
    dialog->AddPage(new PlayerPage);
    connect(dialog, &PreferencesDialog::applied, this, &Playback::ApplySettings);
}

void Playback::ApplySettings()
{
    player_->SetKeepRatio(settings_.m_keep > 0);
    pane_->SetKeepSize(settings_.m_keepSize > 0);
    if (pane_->SizeMode() != settings_.m_windowSizeMode) {
        pane_->SetSizeChosen(true);  // on the Player page
        pane_->SetSizeMode(settings_.m_windowSizeMode);
    }
    player_->SetCaptions(StyleFromSettings());
    UpdateChecks();
}

void Playback::BigScreenChanged(bool on)
{
    if (on) {
        sizeModeBeforeBigScreen_ = settings_.m_windowSizeMode;
        const QSize video = player_->VideoSize();
        const QWidget* window = view_.window();
        const QSize room(window->width(), window->height() - view_.height());
        if (!video.isEmpty() && video.width() * 2 <= room.width() && video.height() * 2 <= room.height())
            UseSizeMode(2);
    } else {
        UseSizeMode(sizeModeBeforeBigScreen_);
    }
}

void Playback::Shutdown()
{
    player_->Stop();
    refresh_.stop();
    WriteSetting(profile_, setting_keys::kVolume, player_->Volume());
}

}  // namespace player
