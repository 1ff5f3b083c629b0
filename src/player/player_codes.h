#pragma once

// What the player tells the window, and the play state every command looks
// at. The values are those the list and the buttons have always used.

namespace player {

// Notifications of the player (Player::stateCode).
enum Code : int {
    kEndOfMedia = 2,       // the medium played to its end
    kReady = 3,            // opening has begun, or buffering is over
    kMediaOpened = 4,      // duration and seek range are known
    kError = 6,            // the medium could not be played
    kPositionChanged = 7,  // the whole-second position moved
    kBuffering = 8,        // waiting for the network
    kBufferingProgress = 9,
};

enum class PlayState : int { Stopped = 0, Paused = 1, Playing = 2 };

// Volume scale of the player and its settings ("settings"/"Volume").
constexpr int kVolumeMax = 5000;
constexpr int kVolumeStep = 100;

}  // namespace player
