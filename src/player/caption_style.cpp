#include "player/caption_style.h"

#include <algorithm>

namespace player {

CaptionStyle Apply(CaptionStyle style, CaptionCommand command)
{
    switch (command) {
    case CaptionCommand::ToggleHide:
        style.enabled = !style.enabled;
        break;
    case CaptionCommand::Bigger:
        style.size = std::clamp(style.size + 1, kCaptionSizeMin, kCaptionSizeMax);
        break;
    case CaptionCommand::Smaller:
        style.size = std::clamp(style.size - 1, kCaptionSizeMin, kCaptionSizeMax);
        break;
    case CaptionCommand::ToggleBold:
        style.bold = !style.bold;
        break;
    // The captions sit over the picture; a larger caption area lifts them.
    case CaptionCommand::AreaLarger:
        style.margin = std::clamp(style.margin + kCaptionMarginStep, kCaptionMarginMin, kCaptionMarginMax);
        break;
    case CaptionCommand::AreaSmaller:
        style.margin = std::clamp(style.margin - kCaptionMarginStep, kCaptionMarginMin, kCaptionMarginMax);
        break;
    }
    return style;
}

std::vector<std::pair<QString, QString>> MpvSubtitleOptions(const CaptionStyle& style)
{
    const int c = style.color;
    const QString rgb = QStringLiteral("#%1%2%3")
                            .arg(c & 0xFF, 2, 16, QLatin1Char('0'))
                            .arg((c >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                            .arg((c >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
    // mpv sizes captions in pixels of a 720-line picture, scaled with the
    // window; 12 points gives mpv's own default size of 55.
    const int size = std::clamp(style.size, kCaptionSizeMin, kCaptionSizeMax) * 55 / 12;
    const bool italic = style.styleName.contains(QLatin1String("italic"), Qt::CaseInsensitive) ||
                        style.styleName.contains(QStringLiteral("기울임"));
    return {
        {QStringLiteral("sub-visibility"), style.enabled ? QStringLiteral("yes") : QStringLiteral("no")},
        {QStringLiteral("sub-color"), rgb.toUpper()},
        {QStringLiteral("sub-font-size"), QString::number(size)},
        {QStringLiteral("sub-bold"), style.bold ? QStringLiteral("yes") : QStringLiteral("no")},
        {QStringLiteral("sub-italic"), italic ? QStringLiteral("yes") : QStringLiteral("no")},
        {QStringLiteral("sub-margin-y"),
         QString::number(std::clamp(style.margin, kCaptionMarginMin, kCaptionMarginMax))},
        {QStringLiteral("sub-font"), style.faceName.isEmpty() ? QStringLiteral("sans-serif") : style.faceName},
    };
}

}  // namespace player
