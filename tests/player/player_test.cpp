// The player on libmpv, without sound or video output.

#include <QtTest>
#include <QtWidgets>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "player/credential_relay.h"
#include "player/media_files.h"
#include "player/play_targets.h"
#include "player/player.h"
#include "sample_media.h"
#include "test_support.h"

using player::Player;
using player::PlayState;
using playertest::CodeLog;
using playertest::MpvProperty;

namespace {

Player::Options Silent()
{
    Player::Options options;
    options.audio = false;
    return options;
}
QString Q(const std::string& s) { return QString::fromStdString(s); }

// Opens a sample and waits until it is open and paused at the start.
bool OpenPaused(Player& p, const QString& path, CodeLog& log)
{
    p.Open(path, QStringLiteral("sample"));
    p.Pause();
    return QTest::qWaitFor([&] { return log.Has(player::kMediaOpened); }, 15000);
}

double MpvSeconds(Player& p, const char* name) { return MpvProperty(p, name).toDouble(); }

// A connection to a loopback port, or -1 when it is refused.
int ConnectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// Sends a request and reads the answer to its end (10 seconds at most).
std::string Exchange(int port, const std::string& request)
{
    const int fd = ConnectTo(port);
    if (fd < 0)
        return "(refused)";
    std::string answer;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buf[4096];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 10000) > 0) {
            const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
            if (n <= 0)
                break;
            answer.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return answer;
}

// The other end has closed (or reset) the connection.
bool PeerClosed(int fd)
{
    char c;
    const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

int ThreadCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

}  // namespace

class PlayerTest : public QObject {
    Q_OBJECT
private slots:
    void addressesBecomeWhatMpvOpens();
    void fileNamesDerivedFromTheMedium();
    void relayCarriesTheLoginOnlyForItsSecretAndStream();
    void playPauseStopAndPlayToTheEnd();
    void seekRateAndVolumeStayInTheirBounds();
    void missingFileIsAnError();
    void captionFileBesideTheMediumWinsOverTheStream();
    void refusedLoginAsksOnceThenPlaysThroughTheRelay();
};

void PlayerTest::addressesBecomeWhatMpvOpens()
{
    struct Case {
        const char* address;
        bool growing;
        const char* user;
        const char* password;
        QStringList expected;  // " (mmsh)": the framed request
    };
    const Case cases[] = {
        {"mms://h:99/a b.asf", false, "", "", {"mmst://h:99/a b.asf", "mmsh://h:99/a b.asf (mmsh)"}},
        {"MMSU://h/x", false, "", "", {"mmst://h/x"}},
        // http: the plain request first, with the login put in (escaped).
        {"http://h/s?x=1", false, "u@x", "p:w", {"http://u%40x:p%3Aw@h/s?x=1", "mmsh://h/s?x=1 (mmsh)"}},
        {"https://a:b@h/s", false, "u", "p", {"https://a:b@h/s"}},
        {"http://h/s", false, "u", "", {"http://h/s", "mmsh://h/s (mmsh)"}},
        {"/rec/a.asf", true, "", "", {"appending:///rec/a.asf"}},
        {"file:///rec/a%20b.asf", false, "", "", {"/rec/a b.asf"}},
        {"http://[::1]:8080/s", false, "u", "p", {"http://u:p@[::1]:8080/s", "mmsh://[::1]:8080/s (mmsh)"}},
        // What no stream client could split goes to mpv as it is.
        {"mms://h:99999/x", false, "", "", {"mms://h:99999/x"}},
    };
    for (const Case& c : cases) {
        QStringList got;
        for (const auto& t : player::PlayTargets(QString::fromUtf8(c.address), c.growing, QString::fromUtf8(c.user),
                                                 QString::fromUtf8(c.password)))
            got << t.url + (t.mmsh ? QStringLiteral(" (mmsh)") : QString());
        QCOMPARE(got, c.expected);
    }
}

void PlayerTest::fileNamesDerivedFromTheMedium()
{
    QCOMPARE(player::CaptionFileFor(QStringLiteral("/v.d/movie")), QStringLiteral("/v.d/movie.smi"));
    QCOMPARE(player::WithoutNbsp(QStringLiteral("a&nbsp;b&NBSPc&nbsp")), QStringLiteral("abc"));
    // A capture's name never leaves its folder, never overwrites, and fits.
    QTemporaryDir dir;
    const auto name = [&](const QString& title, int second) {
        return QFileInfo(player::CaptureFilePath(dir.path(), title, second)).fileName();
    };
    QCOMPARE(name(QStringLiteral("News/Today"), 3725), QStringLiteral("News_Today_1-02-05.png"));
    QCOMPARE(name(QStringLiteral(".."), 0), QStringLiteral("capture_0-00-00.png"));
    QFile(dir.filePath(QStringLiteral("t_0-00-07.png"))).open(QIODevice::WriteOnly);
    QCOMPARE(name(QStringLiteral("t"), 7), QStringLiteral("t_0-00-07 (2).png"));
    QVERIFY(name(QString(300, QChar(0xAC00)), 1).toUtf8().size() < 255);
}

// Any local user can reach the relay's port: only the player, which knows
// the secret, gets the one stream through it with the login.
void PlayerTest::relayCarriesTheLoginOnlyForItsSecretAndStream()
{
    using player::CredentialRelay;
    QTemporaryDir dir;
    const std::string log = dir.filePath(QStringLiteral("requests")).toStdString();
    testsupport::FakeServer server;
    QVERIFY(server.Start("mmsh_server.py", {"--file", playertest::Sample(4).toStdString(), "--auth",
                                            "user:secret", "--log", log, "--lifetime", "60"}));
    auto relay = std::make_unique<CredentialRelay>("127.0.0.1", server.port(), "/live.asf?a=1", "user", "secret");
    QVERIFY(relay->Start());
    const int port = relay->Port();
    // "mmsh://127.0.0.1:PORT" and the request target that follows.
    const auto targetOf = [](const CredentialRelay& r) {
        const std::string url = r.LocalUrl();
        const std::string prefix = "mmsh://127.0.0.1:" + std::to_string(r.Port());
        return url.compare(0, prefix.size(), prefix) == 0 ? url.substr(prefix.size()) : url;
    };
    const std::string target = targetOf(*relay);
    QVERIFY2(QRegularExpression(QStringLiteral("^/[0-9a-f]{32}/live\\.asf\\?a=1$")).match(Q(target)).hasMatch(),
             target.c_str());
    const std::string secret = target.substr(1, 32);
    std::string guess = secret;
    guess[31] = guess[31] == '0' ? '1' : '0';
    const auto head = [](int to) { return " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(to) + "\r\n"; };
    const std::string host = head(port);
    const std::string refused[] = {
        "GET /live.asf?a=1" + host + "\r\n",
        "GET /" + guess + "/live.asf?a=1" + host + "\r\n",
        "GET /" + secret + "/other.asf" + host + "\r\n",
        "GET /" + secret + host + "\r\n",
        "TRACE " + target + host + "\r\n",
        "POST " + target + host + "Content-Length: 2\r\n\r\nab",
        "GET " + target + host + "X: a\nAuthorization: Basic eDp5\r\n\r\n",
        "GET " + target + host + "X: " + std::string(20000, 'a') + "\r\n\r\n",
    };
    for (const std::string& request : refused) {
        const std::string answer = Exchange(port, request);
        QVERIFY2(answer.rfind("HTTP/1.0 403 ", 0) == 0,
                 (request.substr(0, 50) + " -> " + answer.substr(0, 50)).c_str());
    }
    QVERIFY2(!QFile::exists(QString::fromStdString(log)), "a refused request reached the server");

    // The stream's own request: the login put in, the server named, the
    // secret and the client's own login taken out.
    const std::string own = "GET " + target + host + "authorization: Basic b2xk\r\nPragma: no-cache\r\n\r\n";
    QCOMPARE(Exchange(port, own).substr(0, 15), std::string("HTTP/1.0 200 OK"));
    QCOMPARE(testsupport::ReadFile(log),
             "GET /live.asf?a=1 HTTP/1.1\r\nAuthorization: Basic dXNlcjpzZWNyZXQ=\r\nHost: 127.0.0.1:" +
                 std::to_string(server.port()) + "\r\nPragma: no-cache\r\n\r\n");

    // Gone with its object: the port refuses at once.
    relay.reset();
    QCOMPARE(ConnectTo(port), -1);

    // A flood of connections that never send: those beyond the cap are
    // closed at once, the others when their head is late; the relay holds
    // no more threads than its cap meanwhile. Each relay has a secret of its own.
    player::RelayLimits limits;
    limits.maxConnections = 4;
    limits.headDeadlineMs = 1000;
    CredentialRelay bounded("127.0.0.1", server.port(), "/live.asf?a=1", "user", "secret", limits);
    QVERIFY(bounded.Start());
    QVERIFY(bounded.LocalUrl().find(secret) == std::string::npos);
    const int threadsBefore = ThreadCount();
    std::vector<int> idle;
    for (int i = 0; i < 40; ++i)
        idle.push_back(ConnectTo(bounded.Port()));
    const auto closed = [&] { return std::count_if(idle.begin(), idle.end(), PeerClosed); };
    QTRY_VERIFY_WITH_TIMEOUT(closed() >= 40 - limits.maxConnections, 5000);
    QVERIFY2(ThreadCount() <= threadsBefore + limits.maxConnections,
             qPrintable(QString::number(ThreadCount() - threadsBefore)));
    QTRY_COMPARE_WITH_TIMEOUT(closed(), 40, 10000);
    for (int fd : idle)
        ::close(fd);
    // A head that trickles in byte by byte is cut off at its deadline too.
    const int slow = ConnectTo(bounded.Port());
    QVERIFY(QTest::qWaitFor([&] { return ::send(slow, "G", 1, MSG_NOSIGNAL) != 1 || PeerClosed(slow); }, 10000));
    ::close(slow);
    // And the stream goes on through it afterwards.
    const std::string again = "GET " + targetOf(bounded) + head(bounded.Port()) + "\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(Exchange(bounded.Port(), again).substr(0, 15), std::string("HTTP/1.0 200 OK"), 5000);
}

void PlayerTest::playPauseStopAndPlayToTheEnd()
{
    Player p(Silent());
    QVERIFY(p.IsAvailable());
    CodeLog log(p);
    QSignalSpy states(&p, &Player::stateChanged);
    const QString sample = playertest::Sample(100);
    p.PlayPause();  // nothing opened yet: nothing happens
    QCOMPARE(p.State(), PlayState::Stopped);
    p.Open(sample, QStringLiteral("sample"));
    QTRY_VERIFY_WITH_TIMEOUT(log.Has(player::kMediaOpened), 15000);
    QCOMPARE(p.Duration(), 100);
    p.PlayPause();
    QCOMPARE(p.State(), PlayState::Paused);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "pause"), QStringLiteral("yes"), 5000);
    p.PlayPause();
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "pause"), QStringLiteral("no"), 5000);
    p.Stop();
    QCOMPARE(p.State(), PlayState::Stopped);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "idle-active"), QStringLiteral("yes"), 5000);
    QTest::qWait(200);
    QCOMPARE(log.Milestones(), QVector<int>({player::kReady, player::kMediaOpened}));  // a stop is no end
    QCOMPARE(p.Position(), 0);
    p.Play();  // from stopped: the same medium again, to its end
    QCOMPARE(p.State(), PlayState::Playing);
    QTRY_COMPARE_WITH_TIMEOUT(log.codes.count(player::kMediaOpened), 2, 15000);
    p.SetPosition(98);
    QTRY_VERIFY_WITH_TIMEOUT(log.Has(player::kEndOfMedia), 15000);
    QCOMPARE(log.Milestones().mid(2), QVector<int>({player::kReady, player::kMediaOpened, player::kEndOfMedia}));
    QCOMPARE(p.State(), PlayState::Stopped);
    QCOMPARE(states.last().first().value<PlayState>(), PlayState::Stopped);
}

void PlayerTest::seekRateAndVolumeStayInTheirBounds()
{
    Player p(Silent());
    CodeLog log(p);
    QVERIFY(OpenPaused(p, playertest::Sample(100), log));
    // A step that would leave the medium is ignored; one that lands inside
    // it (either edge) is taken.
    const int steps[][3] = {{31, -30, 1}, {30, -30, 30}, {69, 30, 99}, {70, 30, 70}};
    for (const auto& [from, by, expected] : steps) {
        p.SetPosition(from);
        QTRY_COMPARE_WITH_TIMEOUT(p.Position(), from, 5000);
        p.SeekBy(by);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(MpvSeconds(p, "time-pos")), expected, 5000);
        QTest::qWait(50);
        QCOMPARE(p.Position(), expected);
    }
    QCOMPARE(MpvProperty(p, "pause"), QStringLiteral("yes"));

    // A rate mpv refuses (0) is not taken; a new medium starts at the normal rate.
    p.RateDown();
    QTest::qWait(100);
    QCOMPARE(p.Rate(), 1.0);
    p.SetRate(8.0);
    p.Open(playertest::Sample(100), QStringLiteral("again"));
    QCOMPARE(p.Rate(), 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(MpvSeconds(p, "speed"), 1.0, 5000);
    p.SetVolume(123456);
    QCOMPARE(p.Volume(), player::kVolumeMax);
    QTRY_COMPARE_WITH_TIMEOUT(MpvSeconds(p, "volume"), 100.0, 5000);
    for (int i = 0; i < 60; ++i)
        p.VolumeDown();
    QCOMPARE(p.Volume(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(MpvSeconds(p, "volume"), 0.0, 5000);
    p.ToggleMute();
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "mute"), QStringLiteral("yes"), 5000);
}

void PlayerTest::missingFileIsAnError()
{
    Player p(Silent());
    CodeLog log(p);
    QSignalSpy errors(&p, &Player::errorOccurred);
    const QString missing = QStringLiteral("/nonexistent/brimcast/none.wmv");
    p.Open(missing, QStringLiteral("none"));
    QTRY_VERIFY_WITH_TIMEOUT(log.Has(player::kError), 15000);
    QVERIFY(p.State() == PlayState::Stopped && errors.size() == 1);
    QCOMPARE(errors.first().at(0).toString(), missing);

    // The next medium plays normally.
    p.Open(playertest::Sample(100), QStringLiteral("sample"));
    QTRY_VERIFY_WITH_TIMEOUT(log.codes.count(player::kMediaOpened) == 1, 15000);
    QCOMPARE(p.State(), PlayState::Playing);
}

void PlayerTest::captionFileBesideTheMediumWinsOverTheStream()
{
    QTemporaryDir dir;
    const QString media = playertest::SampleWithCaptionTrack(dir.path());
    QVERIFY(!media.isEmpty());
    // A caption file beside it, as made on Windows: code page 949, with
    // "&nbsp;" for blanks.
    QByteArray smi = "<SAMI><BODY>\r\n<SYNC Start=0><P Class=KRCC>\xbe\xc8\xb3\xe7&nbsp;"
                     "\xc0\xda\xb8\xb7&nbsp\r\n<SYNC Start=3000><P Class=KRCC>&nbsp;\r\n</BODY></SAMI>\r\n";
    testsupport::WriteFile(player::CaptionFileFor(media).toStdString(), smi.toStdString());
    Player p(Silent());
    CodeLog log(p);
    QVERIFY(OpenPaused(p, media, log));
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "current-tracks/sub/codec"), QStringLiteral("sami"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(MpvProperty(p, "sub-text"), QStringLiteral("안녕자막"), 5000);
}

void PlayerTest::refusedLoginAsksOnceThenPlaysThroughTheRelay()
{
    testsupport::FakeServer server;
    QVERIFY(server.Start("mmsh_server.py", {"--file", playertest::Sample(20).toStdString(), "--auth",
                                            "user:secret", "--lifetime", "60"}));
    const QString address = QStringLiteral("http://127.0.0.1:%1/live.asf").arg(server.port());

    Player p(Silent());
    CodeLog log(p);
    QSignalSpy refused(&p, &Player::loginRefused);
    QSignalSpy errors(&p, &Player::errorOccurred);
    p.Open(address, QStringLiteral("live"));
    QTRY_COMPARE_WITH_TIMEOUT(refused.size(), 1, 15000);
    QCOMPARE(refused.first().first().toString(), QStringLiteral("127.0.0.1:%1").arg(server.port()));
    QVERIFY(p.LoginPrompt() && p.State() == PlayState::Stopped);
    // The plain request is answered with the header alone; the framed
    // request through the relay carries the login and gets the stream.
    p.RetryLogin(QStringLiteral("user"), QStringLiteral("secret"));
    QVERIFY(!p.LoginPrompt());
    QTRY_VERIFY_WITH_TIMEOUT(log.Has(player::kMediaOpened) || log.Has(player::kError), 20000);
    QVERIFY2(errors.isEmpty(), errors.isEmpty() ? "" : qPrintable(errors.first().at(1).toString()));
    QCOMPARE(p.Duration(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(p.Position() >= 1, 10000);
    // The relay lives as long as the playback.
    const QRegularExpressionMatch relayed =
        QRegularExpression(QStringLiteral("^mmsh://127\\.0\\.0\\.1:(\\d+)/[0-9a-f]{32}/live\\.asf$"))
            .match(MpvProperty(p, "path"));
    QVERIFY2(relayed.hasMatch(), qPrintable(MpvProperty(p, "path")));
    const int relayPort = relayed.captured(1).toInt();
    p.Stop();
    QCOMPARE(ConnectTo(relayPort), -1);

    // A wrong password is refused again: no second question, an error.
    Player::OpenOptions wrong;
    wrong.user = QStringLiteral("user");
    wrong.password = QStringLiteral("guess");
    p.Open(address, QStringLiteral("live"), wrong);
    QTRY_COMPARE_WITH_TIMEOUT(refused.size(), 2, 15000);
    p.RetryLogin(QStringLiteral("user"), QStringLiteral("guess"));
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 15000);
    QCOMPARE(refused.size(), 2);
    QVERIFY(!errors.first().at(1).toString().contains(QStringLiteral("guess")));
    QCOMPARE(log.codes.last(), int(player::kError));
}

QTEST_MAIN(PlayerTest)
#include "player_test.moc"
