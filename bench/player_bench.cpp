// The player: time from the play command to the first picture drawn through
// mpv's render API, for a local sample and for loopback MMS-over-HTTP
// streams (median of 10 each), and the GUI thread's largest stall while a
// medium plays. Needs an X server (bench/player_bench.sh starts Xvfb).
//
//   player_bench [SECONDS_OF_STALL_WATCH]

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

#include "player/player.h"
#include "player/player_widget.h"
#include "player/video_view.h"

namespace {

using player::Player;

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Times every event the GUI thread handles (the outermost ones): the
// longest by the clock, and the longest by the thread's own CPU time, which
// a busy machine does not inflate.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_++ > 0 || !measuring) {
            const bool r = QApplication::notify(receiver, event);
            --depth_;
            return r;
        }
        QElapsedTimer wall;
        wall.start();
        const double cpu = ThreadCpuMs();
        const bool r = QApplication::notify(receiver, event);
        longestWall = std::max(longestWall, wall.nsecsElapsed() / 1e6);
        longestCpu = std::max(longestCpu, ThreadCpuMs() - cpu);
        --depth_;
        return r;
    }
    void Reset() { longestWall = longestCpu = 0; }

    bool measuring = false;
    double longestWall = 0;
    double longestCpu = 0;

private:
    int depth_ = 0;
};

// Runs the event loop until done() or the time is up; false on time-out.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Milliseconds from Open to the first picture, for each of runs openings.
std::vector<double> FirstFrameTimes(Player& p, player::VideoView& view, const QString& address, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        p.Stop();
        SpinUntil([] { return false; }, 300);  // let the last medium go
        bool drawn = false;
        QElapsedTimer t;
        const auto c = QObject::connect(&view, &player::VideoView::frameRendered, [&] {
            if (!drawn)
                times.push_back(t.nsecsElapsed() / 1e6);
            drawn = true;
        });
        bool failed = false;
        const auto e = QObject::connect(&p, &Player::errorOccurred, [&] { failed = true; });
        t.start();
        p.Open(address, QStringLiteral("bench"));
        SpinUntil([&] { return drawn || failed; }, 30000);
        QObject::disconnect(c);
        QObject::disconnect(e);
        if (!drawn) {
            std::fprintf(stderr, "no picture from %s\n", qPrintable(address));
            break;
        }
    }
    return times;
}

// The longest the GUI thread went without running a 1 ms timer, less the
// timer's own interval, over the given time.
double LargestStall(int milliseconds)
{
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QElapsedTimer since;
    double worst = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst = std::max(worst, since.nsecsElapsed() / 1e6 - 1.0);
        since.restart();
    });
    since.start();
    tick.start();
    SpinUntil([] { return false; }, milliseconds);
    return worst;
}

}  // namespace

int main(int argc, char** argv)
{
    TimedApplication app(argc, argv);
    const int watchMs = (argc > 1 ? std::max(1, atoi(argv[1])) : 20) * 1000;
    if (!player::PlayerWidget::CanShowVideo()) {
        std::fprintf(stderr, "needs an X server with OpenGL (run bench/player_bench.sh)\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString sample = dir.filePath(QStringLiteral("sample.asf"));
    // 320x240 WMV2 with WMA2, 60 s, as the recorder's tests make them.
    if (QProcess::execute(QStringLiteral("ffmpeg"),
                          {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f",
                           "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "60", "-c:v", "wmv2",
                           "-b:v", "500k", "-g", "25", "-c:a", "wmav2", "-b:a", "64k", "-packet_size", "3200",
                           "-f", "asf", sample}) != 0) {
        std::fprintf(stderr, "ffmpeg could not make the sample\n");
        return 1;
    }
    QProcess server;
    server.start(QStringLiteral("python3"),
                 {QStringLiteral(BRIMCAST_SOURCE_DIR "/tests/servers/mmsh_server.py"), "--file", sample,
                  "--lifetime", "600"});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the fake media server did not start\n");
        return 1;
    }
    const QString port = QString::fromLatin1(server.readLine()).section(QLatin1Char(' '), 1).trimmed();

    player::PlayerOptions options;
    options.audio = false;  // no sound device on a virtual X server
    Player p(options);
    player::PlayerWidget pane(&p);
    pane.resize(640, 480);
    pane.show();
    SpinUntil([&] { return pane.videoView()->HasRenderContext(); }, 10000);

    struct Source {
        const char* name;
        QString address;
    };
    const Source sources[] = {
        {"local file", sample},
        {"mmsh:// on loopback", QStringLiteral("mmsh://127.0.0.1:%1/sample.asf").arg(port)},
        {"http:// on loopback (plain request, then framed)",
         QStringLiteral("http://127.0.0.1:%1/sample.asf").arg(port)},
    };
    std::printf("Play to first picture, median of 10 (min, max), ms:\n");
    for (const Source& s : sources) {
        const std::vector<double> t = FirstFrameTimes(p, *pane.videoView(), s.address, 10);
        if (t.size() == 10)
            std::printf("  %-50s %7.1f (%.1f, %.1f)\n", s.name, Median(t), *std::min_element(t.begin(), t.end()),
                        *std::max_element(t.begin(), t.end()));
    }

    std::printf("GUI thread over %d s, ms: largest stall of a 1 ms timer; longest event by the clock;\n"
                "longest event by the GUI thread's own CPU time\n",
                watchMs / 1000);
    p.Stop();
    SpinUntil([] { return false; }, 300);
    app.Reset();
    app.measuring = true;
    const double idle = LargestStall(watchMs / 4);
    std::printf("  %-40s %7.1f %7.1f %7.1f\n", "idle", idle, app.longestWall, app.longestCpu);
    for (const Source& s : {sources[0], sources[1]}) {
        app.measuring = false;
        p.Open(s.address, QStringLiteral("bench"));
        SpinUntil([&] { return pane.videoView()->FramesRendered() > 0 && p.Position() >= 1; }, 10000);
        app.Reset();
        app.measuring = true;
        const int before = pane.videoView()->FramesRendered();
        const double stall = LargestStall(watchMs);
        const int frames = pane.videoView()->FramesRendered() - before;
        std::printf("  %-40s %7.1f %7.1f %7.1f  (%d pictures drawn, %.1f per second)\n", s.name, stall,
                    app.longestWall, app.longestCpu, frames, frames * 1000.0 / watchMs);
    }
    app.measuring = false;
    p.Stop();
    server.kill();
    server.waitForFinished();
    return 0;
}
