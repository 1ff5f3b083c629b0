#pragma once

#include <QRegularExpression>
#include <QString>
#include <cmath>
#include <cstdint>

// What the player's requests to mpv and mpv's events have in common: the
// ids properties are observed with, the tags replies carry, and the entry
// states of an attempt. Used by player.cpp and player_events.cpp only.

namespace player::mpvids {

// Observed properties, by the id mpv reports them with.
enum Observed : uint64_t {
    kTimePos = 1,
    kDurationProp,
    kPause,
    kPausedForCache,
    kCacheBufferingState,
    kSpeed,
    kDisplayWidth,
    kDisplayHeight,
    kCurrentAo,
};

// Replies to asynchronous requests carry their kind in the top byte and the
// attempt (or capture) they belong to below it.
enum ReplyKind : uint64_t { kIgnored = 0, kLoadFile, kDuration, kSpeedSet, kCapture };
constexpr uint64_t kTagMask = (uint64_t(1) << 56) - 1;
inline uint64_t Reply(ReplyKind kind, uint64_t tag) { return (uint64_t(kind) << 56) | (tag & kTagMask); }

// entryId_ while no entry of mpv's is ours yet.
constexpr int64_t kNoEntry = -1;
constexpr int64_t kAwaitingReply = 0;  // loadfile sent, its reply not yet here
constexpr int64_t kAdoptNext = -2;     // the next entry mpv starts is ours

inline int WholeSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    // A seek to second 31 may land a hair before it.
    return seconds >= 2e9 ? 2000000000 : static_cast<int>(std::floor(seconds + 0.0005));
}

// Log texts may name an address with its password in it.
inline QString WithoutUserInfo(QString text)
{
    static const QRegularExpression userInfo(QStringLiteral("://[^/@\\s]*@"));
    return text.replace(userInfo, QStringLiteral("://"));
}

}  // namespace player::mpvids
