#include "player/player.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <clocale>
#include <cmath>
#include <mpv/client.h>

#include "formats/legacy_text.h"
#include "protocols/net/url_parts.h"
#include "player/credential_relay.h"
#include "player/media_files.h"
#include "player/mpv_ids.h"

namespace player {

using namespace mpvids;

namespace {

constexpr qint64 kMaxCaptionFile = 8 * 1024 * 1024;

}  // namespace

Player::Player(const Options& options, QObject* parent) : QObject(parent)
{
    qRegisterMetaType<player::PlayState>();
    // mpv reads and prints numbers in the C locale and refuses to start
    // under any other numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    mpv_ = mpv_create();
    if (!mpv_)
        return;
    const char* const settings[][2] = {
        {"vo", "null"},  // until a video view gives mpv a render context
        {"ao", options.audio ? "" : "null"},
        // A missing or busy sound device is no fault of the medium: it plays
        // on without sound (mpv would otherwise end it as failed).
        {"audio-fallback-to-null", "yes"},
        {"idle", "yes"},
        {"keep-open", "no"},
        {"config", "no"},
        {"terminal", "no"},
        {"ytdl", "no"},
        {"load-scripts", "no"},
        {"osc", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        // Captions are chosen here: a ".smi" beside the medium, else the stream's.
        {"sub-auto", "no"},
        {"audio-file-auto", "no"},
        {"hr-seek", "yes"},
        // Decoding is done in software; no hardware decoder interop is probed.
        {"gpu-hwdec-interop", "no"},
        {"screenshot-format", "png"},
        {"keepaspect", "yes"},
        {"volume", "100"},
        {"audio-client-name", "Brimcast"},
    };
    for (const auto& s : settings) {
        if (*s[1])
            mpv_set_option_string(mpv_, s[0], s[1]);
    }
    for (const auto& [name, value] : MpvSubtitleOptions(captions_))
        mpv_set_option_string(mpv_, name.toUtf8().constData(), value.toUtf8().constData());
    for (const auto& [name, value] : options.mpvOptions)
        mpv_set_option_string(mpv_, name.constData(), value.constData());
    audioWanted_ = options.audio;
    // For a fault report: everything mpv says, in a file.
    const QByteArray logFile = qgetenv("BRIMCAST_MPV_LOG");
    if (!logFile.isEmpty())
        mpv_set_option_string(mpv_, "log-file", logFile.constData());
    if (mpv_initialize(mpv_) < 0) {
        mpv_terminate_destroy(mpv_);
        mpv_ = nullptr;
        return;
    }
    mpv_request_log_messages(mpv_, "warn");
    mpv_observe_property(mpv_, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv_, kDurationProp, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv_, kPause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv_, kPausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
    mpv_observe_property(mpv_, kCacheBufferingState, "cache-buffering-state", MPV_FORMAT_INT64);
    mpv_observe_property(mpv_, kSpeed, "speed", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv_, kDisplayWidth, "dwidth", MPV_FORMAT_INT64);
    mpv_observe_property(mpv_, kDisplayHeight, "dheight", MPV_FORMAT_INT64);
    mpv_observe_property(mpv_, kCurrentAo, "current-ao", MPV_FORMAT_STRING);
    mpv_set_wakeup_callback(mpv_, &Player::OnWakeup, this);
}

Player::~Player()
{
    if (mpv_) {
        // No wake-up runs once this returns.
        mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
        emit aboutToTerminate();
        mpv_terminate_destroy(mpv_);
        mpv_ = nullptr;
    }
    relay_.reset();
}

void Player::Open(const QString& address, const QString& title, const OpenOptions& options)
{
    if (!mpv_)
        return;
    address_ = address;
    title_ = title;
    openOptions_ = options;
    MakeTargets();
    attempt_ = 0;
    announcedReady_ = false;
    loginAsked_ = false;
    loginPrompt_ = false;
    position_ = 0;
    duration_ = 0;
    buffering_ = false;
    SetProperty("pause", QStringLiteral("no"));
    SetRate(1.0);
    SetState(PlayState::Playing);
    StartAttempt();
}

void Player::StartAttempt()
{
    ++generation_;
    entryId_ = kAwaitingReply;
    startedId_ = kNoEntry;
    loaded_ = false;
    announcedOpened_ = false;
    authRefused_ = false;
    pendingFailure_ = false;
    lastError_.clear();
    relay_.reset();
    const PlayTarget& target = targets_[attempt_];
    QString url = target.url;
    if (target.mmsh && LoginGoesHere()) {
        net::UrlParts parts;
        net::SplitUrl(url.toStdString(), &parts);
        relay_ = std::make_unique<CredentialRelay>(parts.host, parts.port, parts.path,
                                                   openOptions_.user.toStdString(),
                                                   openOptions_.password.toStdString());
        if (relay_->Start())
            url = QString::fromStdString(relay_->LocalUrl());
        else
            relay_.reset();
    }
    // Captions: a ".smi" beside a local medium comes with it from the start;
    // otherwise the stream's first caption track is chosen.
    const QByteArray captions = CaptionText();
    const QByteArray urlBytes = url.toUtf8();
    const char* optionKeys[] = {"sub-files-append", "sid"};
    mpv_node optionValues[2];
    optionValues[0].format = MPV_FORMAT_STRING;
    optionValues[0].u.string = const_cast<char*>(captions.constData());
    optionValues[1].format = MPV_FORMAT_STRING;
    optionValues[1].u.string = const_cast<char*>(captions.isEmpty() ? "1" : "auto");
    const int skip = captions.isEmpty() ? 1 : 0;
    mpv_node_list optionList{2 - skip, optionValues + skip, const_cast<char**>(optionKeys) + skip};
    // Named arguments: the positions of loadfile's arguments differ between
    // mpv versions.
    const char* keys[] = {"name", "url", "flags", "options"};
    mpv_node values[4];
    const char* texts[] = {"loadfile", urlBytes.constData(), "replace"};
    for (int i = 0; i < 3; ++i) {
        values[i].format = MPV_FORMAT_STRING;
        values[i].u.string = const_cast<char*>(texts[i]);
    }
    values[3].format = MPV_FORMAT_NODE_MAP;
    values[3].u.list = &optionList;
    mpv_node_list list{4, values, const_cast<char**>(keys)};
    mpv_node command;
    command.format = MPV_FORMAT_NODE_MAP;
    command.u.list = &list;
    mpv_command_node_async(mpv_, Reply(kLoadFile, generation_), &command);
}

void Player::MakeTargets()
{
    const bool login = LoginGoesHere();
    targets_ = PlayTargets(address_, openOptions_.growing, login ? openOptions_.user : QString(),
                           login ? openOptions_.password : QString());
}

bool Player::LoginGoesHere() const
{
    if (openOptions_.user.isEmpty() || openOptions_.password.isEmpty() || IsLocalAddress(address_))
        return false;
    const QString owner = openOptions_.loginFor.isEmpty() ? address_ : openOptions_.loginFor;
    return net::SameCredentialOrigin(address_.trimmed().toStdString(), owner.trimmed().toStdString());
}

void Player::ResolveFailure()
{
    if (authRefused_ && !loginAsked_) {
        loginAsked_ = true;
        loginPrompt_ = true;
        relay_.reset();
        SetState(PlayState::Stopped);
        // Stored logins belong to the host as written and the port.
        emit loginRefused(QString::fromStdString(net::CredentialSiteOf(address_.toStdString()).Text()));
        return;
    }
    if (!authRefused_ && attempt_ + 1 < targets_.size()) {
        ++attempt_;
        StartAttempt();
        return;
    }
    Fail(lastError_);
}

void Player::Fail(const QString& text)
{
    loaded_ = false;
    entryId_ = kNoEntry;
    relay_.reset();
    SetState(PlayState::Stopped);
    emit errorOccurred(address_, text.isEmpty() ? tr("The medium cannot be played.") : text);
    emit stateCode(kError);
}

void Player::RetryLogin(const QString& user, const QString& password)
{
    if (!loginPrompt_)
        return;
    loginPrompt_ = false;
    openOptions_.user = user;
    openOptions_.password = password;
    openOptions_.loginFor = address_;  // the answer to this server's refusal
    MakeTargets();
    attempt_ = 0;
    SetState(PlayState::Playing);
    StartAttempt();
}

void Player::CancelLogin()
{
    if (!loginPrompt_)
        return;
    loginPrompt_ = false;
    Fail(tr("The server refused the login."));
}

void Player::Play()
{
    if (state_ == PlayState::Paused) {
        SetProperty("pause", QStringLiteral("no"));
        SetState(PlayState::Playing);
    } else if (state_ == PlayState::Stopped && !address_.isEmpty()) {
        Open(address_, title_, openOptions_);
    }
}

void Player::Pause()
{
    if (state_ != PlayState::Playing)
        return;
    SetProperty("pause", QStringLiteral("yes"));
    SetState(PlayState::Paused);
}

void Player::Stop()
{
    if (state_ == PlayState::Stopped || !mpv_)
        return;
    Command({"stop"});
    relay_.reset();
    entryId_ = kNoEntry;  // its end is not reported
    loaded_ = false;
    pendingFailure_ = false;
    buffering_ = false;
    SetState(PlayState::Stopped);
}

void Player::PlayPause()
{
    if (state_ == PlayState::Playing)
        Pause();
    else
        Play();
}

void Player::SetPosition(int seconds)
{
    if (!loaded_)
        return;
    seconds = std::max(0, seconds);
    // mpv goes on playing after a seek when it was playing, and stays paused
    // when it was paused.
    Command({"seek", QByteArray::number(seconds), "absolute+exact"});
    position_ = seconds;
}

void Player::SeekBy(int seconds)
{
    if (!loaded_)
        return;
    const int target = position_ + seconds;
    if (target < 1 || (seconds > 0 && target >= duration_))
        return;
    SetPosition(target);
}

void Player::SetRate(double rate)
{
    if (!mpv_)
        return;
    SetProperty("speed", rate, Reply(kSpeedSet, 0));
    if (rate != rate_) {
        rate_ = rate;
        emit rateChanged(rate_);
    }
}

void Player::SetVolume(int volume)
{
    volume = std::clamp(volume, 0, kVolumeMax);
    if (volume == volume_)
        return;
    volume_ = volume;
    // mpv's volume runs from 0 to 100 percent.
    SetProperty("volume", volume * 100.0 / kVolumeMax);
    emit volumeChanged(volume_);
}

void Player::SetMuted(bool muted)
{
    if (muted == muted_)
        return;
    muted_ = muted;
    SetProperty("mute", muted ? QStringLiteral("yes") : QStringLiteral("no"));
    emit mutedChanged(muted_);
}

void Player::SetFullScreen(bool on)
{
    if (on == fullScreen_)
        return;
    fullScreen_ = on;
    emit fullScreenChanged(on);
}

void Player::SetKeepRatio(bool keep)
{
    if (keep == keepRatio_)
        return;
    keepRatio_ = keep;
    SetProperty("keepaspect", keep ? QStringLiteral("yes") : QStringLiteral("no"));
    emit keepRatioChanged(keep);
}

void Player::SetCaptions(const CaptionStyle& style)
{
    if (style == captions_)
        return;
    captions_ = style;
    for (const auto& [name, value] : MpvSubtitleOptions(captions_))
        SetProperty(name.toUtf8().constData(), value);
    emit captionsChanged();
}

QByteArray Player::CaptionText() const
{
    const QString path = LocalPath(address_);
    if (path.isEmpty())
        return {};
    const QString smi = CaptionFileFor(path);
    QFile file(smi);
    if (!QFileInfo(smi).isFile() || file.size() > kMaxCaptionFile || !file.open(QIODevice::ReadOnly))
        return {};
    // Caption files made on Windows are often in code page 949. mpv reads
    // the text from memory, so that "&nbsp;" can be taken out first.
    const QByteArray bytes = file.read(kMaxCaptionFile);
    const std::string text = LegacyTextToUtf8(std::string_view(bytes.constData(), bytes.size()));
    const QByteArray captions = WithoutNbsp(QString::fromStdString(text)).toUtf8();
    return captions.isEmpty() ? QByteArray() : "memory://" + captions;
}

void Player::CaptureImage(const QString& folder)
{
    if (!mpv_ || !loaded_ || videoSize_.isEmpty()) {
        emit imageCaptured({}, tr("There is no picture to capture."));
        return;
    }
    QDir().mkpath(folder);
    const QString path = CaptureFilePath(folder, title_, position_);
    const uint64_t n = ++nextCapture_;
    captures_[n] = path;
    // "video": the frame alone, without captions.
    Command({"screenshot-to-file", path.toUtf8(), "video"}, Reply(kCapture, n));
}

void Player::SetRenderOutput(bool on)
{
    if (!mpv_)
        return;
    if (on) {
        SetProperty("vo", QStringLiteral("libmpv"));
        return;
    }
    // Waited for: a render context freed while mpv still draws with it makes
    // mpv drop the video track, and a medium without sound then ends as
    // failed. (Without advanced control mpv's core never waits for the
    // thread that renders, so this returns promptly.)
    mpv_set_property_string(mpv_, "vo", "null");
}

void Player::SetState(PlayState state)
{
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged(state);
}

void Player::SetProperty(const char* name, const QString& value, uint64_t reply)
{
    if (!mpv_)
        return;
    const QByteArray bytes = value.toUtf8();
    const char* text = bytes.constData();
    mpv_set_property_async(mpv_, reply, name, MPV_FORMAT_STRING, &text);
}

void Player::SetProperty(const char* name, double value, uint64_t reply)
{
    if (mpv_)
        mpv_set_property_async(mpv_, reply, name, MPV_FORMAT_DOUBLE, &value);
}

void Player::Command(const std::vector<QByteArray>& args, uint64_t reply)
{
    if (!mpv_)
        return;
    std::vector<const char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(a.constData());
    argv.push_back(nullptr);
    mpv_command_async(mpv_, reply, argv.data());
}

}  // namespace player
