#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace player {

// How captions look: the caption settings of the program, as plain values.
// mpv draws the captions over the picture, so the settings become its
// subtitle options.
struct CaptionStyle {
    bool enabled = true;
    // Colours are stored the way the settings have always held them: red in
    // the low byte, then green, then blue (0xBBGGRR).
    int color = 0xFFFFFF;
    int size = 12;  // points
    QString styleName;
    QString faceName;
    bool bold = true;
    int margin = 50;  // pixels between the captions and the bottom edge

    bool operator==(const CaptionStyle&) const = default;
};

// Bounds of the caption commands.
constexpr int kCaptionSizeMin = 6;
constexpr int kCaptionSizeMax = 72;
constexpr int kCaptionMarginMin = 0;
constexpr int kCaptionMarginMax = 300;
constexpr int kCaptionMarginStep = 10;

// The caption commands of the player.
enum class CaptionCommand { ToggleHide, Bigger, Smaller, ToggleBold, AreaLarger, AreaSmaller };
CaptionStyle Apply(CaptionStyle style, CaptionCommand command);

// mpv option names and values that show captions in this style.
std::vector<std::pair<QString, QString>> MpvSubtitleOptions(const CaptionStyle& style);

}  // namespace player
