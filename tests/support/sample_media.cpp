#include "sample_media.h"

#include <QDir>
#include <mpv/client.h>

#include "test_support.h"

namespace playertest {

QString Sample(double seconds)
{
    testsupport::SampleOptions options;
    options.seconds = seconds;
    options.videoBitrateK = 100;
    return QString::fromStdString(testsupport::MakeSampleAsf(options));
}

QString SampleWithCaptionTrack(const QString& folder)
{
    const QString srt = QDir(folder).filePath(QStringLiteral("stream.srt"));
    testsupport::WriteFile(srt.toStdString(), "1\n00:00:00,000 --> 00:00:10,000\nStream caption\n");
    const QString mkv = QDir(folder).filePath(QStringLiteral("captioned.mkv"));
    const auto r = testsupport::RunProcess({"ffmpeg", "-v", "error", "-y", "-i", Sample(20).toStdString(), "-i",
                                            srt.toStdString(), "-map", "0", "-map", "1", "-c:v", "copy",
                                            "-c:a", "copy", "-c:s", "srt", mkv.toStdString()});
    return r.exitCode == 0 ? mkv : QString();
}

QString SilentPicture(const QString& folder, const QSize& size, double seconds)
{
    const QString path = QDir(folder).filePath(QStringLiteral("silent-%1x%2.mkv").arg(size.width()).arg(size.height()));
    const std::string source = "testsrc=size=" + std::to_string(size.width()) + "x" +
                               std::to_string(size.height()) + ":rate=10";
    const auto r = testsupport::RunProcess({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", source, "-t",
                                            std::to_string(seconds), "-c:v", "mpeg4", path.toStdString()});
    return r.exitCode == 0 ? path : QString();
}

QString MpvProperty(player::Player& player, const char* name)
{
    char* value = mpv_get_property_string(player.handle(), name);
    const QString text = value ? QString::fromUtf8(value) : QString();
    mpv_free(value);
    return text;
}

CodeLog::CodeLog(player::Player& player)
{
    connect(&player, &player::Player::stateCode, this, [this](int code) { codes.push_back(code); });
}

QVector<int> CodeLog::Milestones() const
{
    QVector<int> out;
    for (int c : codes) {
        if (c != player::kPositionChanged && c != player::kBuffering && c != player::kBufferingProgress)
            out.push_back(c);
    }
    return out;
}

}  // namespace playertest
