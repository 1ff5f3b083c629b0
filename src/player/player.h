#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "player/caption_style.h"
#include "player/play_targets.h"
#include "player/player_codes.h"

struct mpv_handle;
struct mpv_event;
struct mpv_event_end_file;
struct mpv_event_property;

namespace player {

class CredentialRelay;

struct PlayerOptions {
    bool audio = true;  // false: no sound device (tests, benchmarks)
    // Set on mpv after the player's own options (tests: a sound output
    // that cannot open).
    std::vector<std::pair<QByteArray, QByteArray>> mpvOptions;
};

struct OpenOptions {
    bool growing = false;  // a file still being written: follow it as it grows
    // A login and the address it was given for. It goes unasked only to
    // that address's scheme, host and port; another server gets a login only
    // after refusing, from the window's question (RetryLogin). Empty
    // loginFor: the address opened.
    QString user;
    QString password;
    QString loginFor;
};

// The player facade: one libmpv instance behind the operations the window
// uses. Every call returns at once: commands go to mpv asynchronously, and
// what mpv reports comes back through its wake-up callback, which only
// queues a call to this object's thread; there the events are drained and
// become the player's codes, signals and cached values (position, duration,
// state, video size). Lives on the GUI thread. Never delete it from inside
// one of its own signals; use deleteLater().
class Player : public QObject {
    Q_OBJECT
public:
    using Options = PlayerOptions;
    using OpenOptions = player::OpenOptions;

    explicit Player(const Options& options = {}, QObject* parent = nullptr);
    ~Player() override;

    // False when libmpv could not be started; every operation then does nothing.
    bool IsAvailable() const { return mpv_ != nullptr; }

    // Stops what plays and opens the address (a path or a network address),
    // then plays it.
    void Open(const QString& address, const QString& title, const OpenOptions& options = {});
    void Play();   // from stopped: opens the last address again; from paused: resumes
    void Pause();  // when playing
    void Stop();   // when playing or paused
    void PlayPause();  // stopped or paused: play; playing: pause

    PlayState State() const { return state_; }
    int Position() const { return state_ == PlayState::Stopped ? 0 : position_; }  // seconds
    int Duration() const { return duration_; }  // seconds, 0 when unknown (live)
    void SetPosition(int seconds);
    // The 30-second and one-minute steps: a step that would leave the medium
    // (before second 1, at or beyond its end) is ignored.
    void SeekBy(int seconds);

    double Rate() const { return rate_; }
    void SetRate(double rate);  // a rate mpv refuses leaves the rate as it was
    void RateUp() { SetRate(rate_ + 1.0); }
    void RateDown() { SetRate(rate_ - 1.0); }
    void RateNormal() { SetRate(1.0); }

    int Volume() const { return volume_; }  // 0 to kVolumeMax
    void SetVolume(int volume);
    void VolumeUp() { SetVolume(volume_ + kVolumeStep); }
    void VolumeDown() { SetVolume(volume_ - kVolumeStep); }
    bool IsMuted() const { return muted_; }
    void SetMuted(bool muted);
    void ToggleMute() { SetMuted(!muted_); }

    // Full screen belongs to the player's window; the facade holds the flag.
    bool IsFullScreen() const { return fullScreen_; }
    void SetFullScreen(bool on);
    bool KeepRatio() const { return keepRatio_; }
    void SetKeepRatio(bool keep);

    const CaptionStyle& Captions() const { return captions_; }
    void SetCaptions(const CaptionStyle& style);  // applied at once, also while playing
    void ApplyCaptionCommand(CaptionCommand command) { SetCaptions(Apply(captions_, command)); }

    // True from a refused login until RetryLogin or CancelLogin. The window
    // asks the user once per opening.
    bool LoginPrompt() const { return loginPrompt_; }
    void RetryLogin(const QString& user, const QString& password);
    void CancelLogin();

    // Saves the frame on screen, without captions, as a PNG in the folder;
    // imageCaptured tells where it went.
    void CaptureImage(const QString& folder);

    QSize VideoSize() const { return videoSize_; }  // (0, 0) without video
    QString Address() const { return address_; }
    QString Title() const { return title_; }

    // For the video view (render context) and tests.
    mpv_handle* handle() const { return mpv_; }
    // The video view switches mpv's video output to its render context and
    // back; without one, frames are decoded but not shown. Switching off
    // returns once mpv no longer uses the render context.
    void SetRenderOutput(bool on);

signals:
    void stateCode(int code);  // a player::Code
    void stateChanged(player::PlayState state);
    void errorOccurred(const QString& address, const QString& text);
    void loginRefused(const QString& host);
    void videoSizeChanged(QSize size);
    void imageCaptured(const QString& path, const QString& error);  // error empty on success
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    void rateChanged(double rate);
    void fullScreenChanged(bool on);
    void keepRatioChanged(bool keep);
    void captionsChanged();
    // No sound device could be opened: media play on without sound. Told
    // once per player.
    void audioUnavailable();
    // Emitted from the destructor, before mpv goes away: the render context
    // must be released now.
    void aboutToTerminate();

private:
    static void OnWakeup(void* self);
    void DrainEvents();
    void Handle(const mpv_event& event);
    // One kind of event each (player_events.cpp).
    void HandleReply(const mpv_event& event);
    void HandleStartFile(int64_t entryId);
    void HandleEndFile(const mpv_event_end_file& end);
    void HandleProperty(uint64_t id, const mpv_event_property& property);
    void StartAttempt();
    void ResolveFailure();
    void Fail(const QString& text);
    void SetState(PlayState state);
    // The targets of the address, with the login where it belongs.
    void MakeTargets();
    bool LoginGoesHere() const;
    // The ".smi" beside a local medium as mpv reads it, or empty.
    QByteArray CaptionText() const;
    void SetProperty(const char* name, const QString& value, uint64_t reply = 0);
    void SetProperty(const char* name, double value, uint64_t reply = 0);
    void Command(const std::vector<QByteArray>& args, uint64_t reply = 0);

    mpv_handle* mpv_ = nullptr;
    std::atomic<bool> wakeupPosted_{false};

    // The medium and how far opening it has got.
    QString address_;
    QString title_;
    OpenOptions openOptions_;
    std::vector<PlayTarget> targets_;
    size_t attempt_ = 0;
    uint64_t generation_ = 0;  // tags replies to the current attempt
    int64_t entryId_ = -1;     // mpv's entry of the current attempt (see mpv_ids.h)
    int64_t startedId_ = -1;   // the entry mpv started last
    bool announcedReady_ = false;
    bool announcedOpened_ = false;  // the current attempt has sent kMediaOpened
    bool loaded_ = false;
    bool pendingFailure_ = false;
    bool authRefused_ = false;
    bool loginAsked_ = false;
    bool loginPrompt_ = false;
    QString lastError_;
    std::unique_ptr<CredentialRelay> relay_;

    PlayState state_ = PlayState::Stopped;
    int position_ = 0;
    int duration_ = 0;
    double rate_ = 1.0;
    double confirmedRate_ = 1.0;
    int volume_ = kVolumeMax;
    bool muted_ = false;
    bool fullScreen_ = false;
    bool keepRatio_ = true;
    bool audioWanted_ = true;
    bool toldNoAudio_ = false;
    bool buffering_ = false;
    QSize videoSize_;
    QSize toldVideoSize_;
    CaptionStyle captions_;
    uint64_t nextCapture_ = 0;
    std::map<uint64_t, QString> captures_;  // screenshot replies awaited, by number
};

}  // namespace player
