#include <mpv/client.h>

#include "player/credential_relay.h"
#include "player/mpv_ids.h"
#include "player/player.h"

// What mpv reports, handled on the player's thread one event at a time.

namespace player {

using namespace mpvids;

// Called by mpv on any of its threads: only queues a drain on ours.
void Player::OnWakeup(void* self)
{
    auto* p = static_cast<Player*>(self);
    if (!p->wakeupPosted_.exchange(true))
        QMetaObject::invokeMethod(p, &Player::DrainEvents, Qt::QueuedConnection);
}

void Player::DrainEvents()
{
    wakeupPosted_ = false;
    while (mpv_) {
        mpv_event* event = mpv_wait_event(mpv_, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        Handle(*event);
    }
    // Width and height arrive one by one, the new medium's width beside the
    // old one's height: the size is told once all mpv had to say is read,
    // and never half known.
    if (videoSize_ != toldVideoSize_ && (videoSize_.width() > 0) == (videoSize_.height() > 0)) {
        toldVideoSize_ = videoSize_;
        emit videoSizeChanged(videoSize_);
    }
    // mpv hands out its log lines only after its queued events, so a failed
    // attempt is judged once everything it said has been read.
    if (pendingFailure_) {
        pendingFailure_ = false;
        ResolveFailure();
    }
}

void Player::Handle(const mpv_event& e)
{
    switch (e.event_id) {
    case MPV_EVENT_COMMAND_REPLY:
    case MPV_EVENT_SET_PROPERTY_REPLY:
    case MPV_EVENT_GET_PROPERTY_REPLY:
        HandleReply(e);
        break;
    case MPV_EVENT_START_FILE:
        HandleStartFile(static_cast<mpv_event_start_file*>(e.data)->playlist_entry_id);
        break;
    case MPV_EVENT_FILE_LOADED:
        if (entryId_ > 0 && startedId_ == entryId_) {
            loaded_ = true;
            mpv_get_property_async(mpv_, Reply(kDuration, generation_), "duration", MPV_FORMAT_DOUBLE);
        }
        break;
    case MPV_EVENT_END_FILE:
        HandleEndFile(*static_cast<mpv_event_end_file*>(e.data));
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        HandleProperty(e.reply_userdata, *static_cast<mpv_event_property*>(e.data));
        break;
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* m = static_cast<mpv_event_log_message*>(e.data);
        const QString text = QString::fromUtf8(m->text).trimmed();
        if (text.contains(QLatin1String("HTTP error 401")))
            authRefused_ = true;
        if (m->log_level <= MPV_LOG_LEVEL_ERROR && !text.isEmpty())
            lastError_ = WithoutUserInfo(text);
        break;
    }
    default:
        break;
    }
}

void Player::HandleReply(const mpv_event& e)
{
    const auto kind = static_cast<ReplyKind>(e.reply_userdata >> 56);
    const uint64_t tag = e.reply_userdata & kTagMask;
    if (kind == kLoadFile && tag == (generation_ & kTagMask) && entryId_ == kAwaitingReply) {
        entryId_ = kAdoptNext;
        if (e.error < 0) {
            entryId_ = kNoEntry;
            lastError_ = QString::fromUtf8(mpv_error_string(e.error));
            pendingFailure_ = true;
            return;
        }
        const mpv_node& result = static_cast<mpv_event_command*>(e.data)->result;
        if (result.format == MPV_FORMAT_NODE_MAP) {
            for (int i = 0; i < result.u.list->num; ++i) {
                if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                    result.u.list->values[i].format == MPV_FORMAT_INT64)
                    entryId_ = result.u.list->values[i].u.int64;
            }
        }
    } else if (kind == kDuration && tag == (generation_ & kTagMask) && loaded_ && !announcedOpened_) {
        const auto* p = static_cast<mpv_event_property*>(e.data);
        duration_ =
            e.error >= 0 && p->format == MPV_FORMAT_DOUBLE ? WholeSeconds(*static_cast<double*>(p->data)) : 0;
        announcedOpened_ = true;
        emit stateCode(kMediaOpened);
    } else if (kind == kSpeedSet && e.error < 0) {
        rate_ = confirmedRate_;
        emit rateChanged(rate_);
    } else if (kind == kCapture) {
        const auto it = captures_.find(tag);
        if (it != captures_.end()) {
            const QString path = it->second;
            captures_.erase(it);
            emit imageCaptured(path, e.error < 0 ? QString::fromUtf8(mpv_error_string(e.error)) : QString());
        }
    }
}

void Player::HandleStartFile(int64_t id)
{
    if (entryId_ == kAdoptNext)
        entryId_ = id;
    startedId_ = id;
    if (id == entryId_ && !announcedReady_) {
        announcedReady_ = true;
        emit stateCode(kReady);
    }
}

void Player::HandleEndFile(const mpv_event_end_file& end)
{
    if (entryId_ <= 0 || end.playlist_entry_id != entryId_)
        return;  // an earlier medium, or one this player stopped
    if (end.reason == MPV_END_FILE_REASON_REDIRECT) {
        entryId_ = kAdoptNext;  // a playlist: its first entry plays next
        return;
    }
    if (end.reason != MPV_END_FILE_REASON_EOF && end.reason != MPV_END_FILE_REASON_ERROR)
        return;
    loaded_ = false;
    entryId_ = kNoEntry;
    if (end.reason == MPV_END_FILE_REASON_EOF) {
        relay_.reset();
        SetState(PlayState::Stopped);
        emit stateCode(kEndOfMedia);
    } else {
        if (lastError_.isEmpty())
            lastError_ = QString::fromUtf8(mpv_error_string(end.error));
        pendingFailure_ = true;
    }
}

void Player::HandleProperty(uint64_t id, const mpv_event_property& p)
{
    const bool isDouble = p.format == MPV_FORMAT_DOUBLE;
    const bool isFlag = p.format == MPV_FORMAT_FLAG;
    const bool isInt = p.format == MPV_FORMAT_INT64;
    switch (id) {
    case kTimePos: {
        const int s = isDouble ? WholeSeconds(*static_cast<double*>(p.data)) : 0;
        if (isDouble && s != position_) {
            position_ = s;
            if (loaded_)
                emit stateCode(kPositionChanged);
        }
        break;
    }
    case kDurationProp:
        // A stream whose length becomes known later, or a file that grows.
        if (isDouble && loaded_ && WholeSeconds(*static_cast<double*>(p.data)) != duration_) {
            duration_ = WholeSeconds(*static_cast<double*>(p.data));
            if (announcedOpened_)
                emit stateCode(kMediaOpened);
        }
        break;
    case kPause:
        if (isFlag && loaded_ && state_ != PlayState::Stopped)
            SetState(*static_cast<int*>(p.data) ? PlayState::Paused : PlayState::Playing);
        break;
    case kPausedForCache: {
        const bool waiting = isFlag && *static_cast<int*>(p.data);
        if (waiting != buffering_ && (loaded_ || !waiting)) {
            buffering_ = waiting;
            emit stateCode(waiting ? kBuffering : kReady);
        }
        break;
    }
    case kCacheBufferingState:
        if (isInt && buffering_)
            emit stateCode(kBufferingProgress);
        break;
    case kSpeed:
        if (isDouble) {
            rate_ = confirmedRate_ = *static_cast<double*>(p.data);
            emit rateChanged(rate_);
        }
        break;
    case kDisplayWidth:
    case kDisplayHeight: {
        // Told once the drain is over (see there).
        const int v = isInt ? static_cast<int>(*static_cast<int64_t*>(p.data)) : 0;
        (id == kDisplayWidth ? videoSize_.rwidth() : videoSize_.rheight()) = v;
        break;
    }
    case kCurrentAo:
        if (p.format == MPV_FORMAT_STRING && audioWanted_ && !toldNoAudio_ &&
            qstrcmp(*static_cast<char**>(p.data), "null") == 0) {
            toldNoAudio_ = true;
            emit audioUnavailable();
        }
        break;
    default:
        break;
    }
}

}  // namespace player
