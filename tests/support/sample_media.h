#pragma once

// Sample media made with ffmpeg, and probes of the player, for the tests of
// the player and of the window that plays.

#include <QSize>
#include <QString>
#include <QVector>

#include "player/player.h"

namespace playertest {

// A WMV2/WMA2 sample of 176x144 made with ffmpeg (cached per process).
QString Sample(double seconds);

// The same picture and sound in Matroska with one caption track
// ("Stream caption" for the first ten seconds).
QString SampleWithCaptionTrack(const QString& folder);

// A picture without sound (a test pattern of that size) made in the folder;
// empty when ffmpeg failed.
QString SilentPicture(const QString& folder, const QSize& size, double seconds);

// A property as mpv itself reports it (the test waits; the player never does).
QString MpvProperty(player::Player& player, const char* name);

// Every code the player sends, in order.
class CodeLog : public QObject {
    Q_OBJECT
public:
    explicit CodeLog(player::Player& player);
    QVector<int> codes;
    // The codes without position and buffering reports.
    QVector<int> Milestones() const;
    bool Has(int code) const { return codes.contains(code); }
};

}  // namespace playertest
