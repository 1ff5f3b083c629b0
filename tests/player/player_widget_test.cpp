// The player's pane with mpv's render API on a QOpenGLWidget, on a virtual X
// server (the offscreen platform cannot compose OpenGL widgets): frames are drawn, keep
// ratio, full screen and back, capture from the view, and either side going
// first.

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "player/player.h"
#include "player/player_widget.h"
#include "player/video_view.h"
#include "sample_media.h"
#include "test_support.h"

using player::Player;
using player::PlayerWidget;
using playertest::CodeLog;
using playertest::MpvProperty;

namespace {

Player::Options Silent()
{
    Player::Options options;
    options.audio = false;
    return options;
}

// Share of the pixels in a column band that are not black.
double LitShare(const QImage& image, int fromX, int toX)
{
    int lit = 0;
    int all = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = fromX; x < toX; ++x, ++all) {
            const QRgb c = image.pixel(x, y);
            lit += qRed(c) + qGreen(c) + qBlue(c) > 60;
        }
    }
    return all ? double(lit) / all : 0;
}

// Waits until the view has drawn n more pictures.
bool DrawsMore(player::VideoView* view, int n, int timeoutMs = 10000)
{
    const int target = view->FramesRendered() + n;
    QElapsedTimer t;
    t.start();
    while (view->FramesRendered() < target && t.elapsed() < timeoutMs)
        QTest::qWait(20);
    return view->FramesRendered() >= target;
}

}  // namespace

class PlayerWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void drawsTheVideoAndCapturesItWithoutCaptions();
    void keepRatioLeavesBarsOtherwiseTheVideoFills();
    void fullScreenAndBackGoesOnDrawing();
    void eitherSideMayGoFirst();
};

void PlayerWidgetTest::drawsTheVideoAndCapturesItWithoutCaptions()
{
    Player p(Silent());
    PlayerWidget pane(&p);
    pane.resize(352, 288);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QTRY_VERIFY_WITH_TIMEOUT(pane.videoView()->HasRenderContext(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "vo"), QStringLiteral("libmpv"), 5000);
    CodeLog log(p);
    p.Open(playertest::Sample(20), QStringLiteral("drawn"));
    QVERIFY(DrawsMore(pane.videoView(), 10));
    const QImage frame = pane.videoView()->grabFramebuffer();
    QCOMPARE(frame.size(), QSize(352, 288));
    QVERIFY2(LitShare(frame, 0, frame.width()) > 0.5, "the test picture is mostly bright colours");

    QTemporaryDir dir;
    QSignalSpy captured(&p, &Player::imageCaptured);
    p.CaptureImage(dir.path());
    QTRY_COMPARE_WITH_TIMEOUT(captured.size(), 1, 10000);
    QCOMPARE(captured.first().at(1).toString(), QString());
    QCOMPARE(QImage(captured.first().at(0).toString()).size(), QSize(176, 144));
}

void PlayerWidgetTest::keepRatioLeavesBarsOtherwiseTheVideoFills()
{
    Player p(Silent());
    PlayerWidget pane(&p);
    pane.resize(528, 144);  // three times the picture's width
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    CodeLog log(p);
    p.Open(playertest::Sample(20), QStringLiteral("ratio"));
    QVERIFY(p.KeepRatio());
    QVERIFY(DrawsMore(pane.videoView(), 5));
    QImage frame = pane.videoView()->grabFramebuffer();
    QCOMPARE(LitShare(frame, 0, 150), 0.0);
    QCOMPARE(LitShare(frame, 400, 528), 0.0);
    QVERIFY(LitShare(frame, 200, 320) > 0.5);

    p.SetKeepRatio(false);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "keepaspect"), QStringLiteral("no"), 5000);
    QVERIFY(DrawsMore(pane.videoView(), 5));
    frame = pane.videoView()->grabFramebuffer();
    QVERIFY2(LitShare(frame, 0, 150) > 0.5 && LitShare(frame, 400, 528) > 0.5, "stretched over the whole width");
}

void PlayerWidgetTest::fullScreenAndBackGoesOnDrawing()
{
    // A medium without sound: only its picture keeps it playing, so a video
    // output lost on the way would end it as failed.
    QTemporaryDir dir;
    const QString medium = playertest::SilentPicture(dir.path(), QSize(176, 144), 60);
    QVERIFY(!medium.isEmpty());
    Player p(Silent());
    PlayerWidget pane(&p);
    pane.resize(320, 240);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    CodeLog log(p);
    p.Open(medium, QStringLiteral("full"));
    QVERIFY(DrawsMore(pane.videoView(), 5));

    // In by a double click on the video; out by Escape, then by a double click.
    for (const bool byEscape : {true, false}) {
        QTest::mouseDClick(pane.videoView(), Qt::LeftButton);
        QVERIFY(p.IsFullScreen());
        QWidget* full = pane.videoView()->window();
        QVERIFY(full != pane.window());
        QVERIFY(full->isFullScreen());
        QVERIFY(!pane.isEnabled());  // no input reaches the pane meanwhile
        QVERIFY(QTest::qWaitForWindowExposed(full));
        QVERIFY2(DrawsMore(pane.videoView(), 10), "frames go on in the full-screen window");

        if (byEscape)
            QTest::keyClick(full, Qt::Key_Escape);
        else
            QTest::mouseDClick(pane.videoView(), Qt::LeftButton);
        QVERIFY(!p.IsFullScreen());
        QCOMPARE(pane.videoView()->parentWidget(), &pane);
        QVERIFY(pane.isEnabled());
        QVERIFY2(DrawsMore(pane.videoView(), 10), "and again in the pane");
    }
    const int at = p.Position();
    QTRY_VERIFY_WITH_TIMEOUT(p.Position() > at, 5000);
    QCOMPARE(p.State(), player::PlayState::Playing);
    QVERIFY(!log.Has(player::kError));
}

void PlayerWidgetTest::eitherSideMayGoFirst()
{
    // The pane goes first: the player plays on without a picture.
    auto* p = new Player(Silent());
    {
        PlayerWidget pane(p);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        p->Open(playertest::Sample(100), QStringLiteral("first"));
        QVERIFY(DrawsMore(pane.videoView(), 3));
    }
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(*p, "vo"), QStringLiteral("null"), 5000);
    const int at = p->Position();
    QTRY_VERIFY_WITH_TIMEOUT(p->Position() >= at + 1, 5000);
    QCOMPARE(p->State(), player::PlayState::Playing);

    // A pane that comes while the medium plays shows it; the player goes
    // first: the pane lets go of mpv and stays usable.
    PlayerWidget pane(p);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QTRY_VERIFY_WITH_TIMEOUT(pane.videoView()->HasRenderContext(), 5000);
    QVERIFY(DrawsMore(pane.videoView(), 3));
    delete p;
    QVERIFY(!pane.videoView()->HasRenderContext());
    pane.videoView()->update();
    QTest::qWait(50);
}

QTEST_MAIN(PlayerWidgetTest)
#include "player_widget_test.moc"
