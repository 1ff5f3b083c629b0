// Two real brimcast processes: the second start hands over and exits; a
// socket file left by a crashed instance does not block the next start;
// SIGTERM closes the window as Exit does (the list and settings are saved).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "kvx_read.h"
#include "qtprofile/ini_profile.h"

namespace {

const QString kProgram = QStringLiteral(BRIMCAST_BINARY_DIR "/src/app/brimcast");

std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void secondStartHandsOverAndExits();
    void staleSocketFileDoesNotBlock();
    void multipleInstancesWhenAllowed();

private:
    QProcess* Start(const QStringList& args);
    bool WaitListening(QProcess* p);
    QString Socket() const { return dir_->path() + QStringLiteral("/run/brimcast.sock"); }
    QString AutoList() const { return dir_->path() + QStringLiteral("/data/Brimcast/brimcast.kvx"); }
    void Configure(bool multiple);

    std::unique_ptr<QTemporaryDir> dir_;
    QList<QProcess*> processes_;
};

void SingleInstanceTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("run")));
    QFile::setPermissions(dir_->path() + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void SingleInstanceTest::cleanup()
{
    for (QProcess* p : processes_) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
        delete p;
    }
    processes_.clear();
    dir_.reset();
}

void SingleInstanceTest::Configure(bool multiple)
{
    IniProfile profile(S(dir_->path()) + "/conf/Brimcast/Brimcast.conf");
    profile.WriteInt("settings", "Save Play List", 1);
    profile.WriteInt("settings", "Allow Multiple Instances", multiple ? 1 : 0);
    profile.WriteString("settings", "base dir", S(dir_->path()) + "/rec");
    profile.WriteInt("settings", "ScreenSave ", 0);
    QVERIFY(profile.Flush());
}

QProcess* SingleInstanceTest::Start(const QStringList& args)
{
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_->path() + QStringLiteral("/conf"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir_->path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_->path() + QStringLiteral("/run"));
    env.insert(QStringLiteral("HOME"), dir_->path());
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(kProgram, args);
    processes_.append(p);
    return p;
}

bool SingleInstanceTest::WaitListening(QProcess* p)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000 && p->state() != QProcess::NotRunning) {
        QLocalSocket s;
        s.connectToServer(Socket());
        if (s.waitForConnected(200)) {
            s.abort();
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

void SingleInstanceTest::secondStartHandsOverAndExits()
{
    Configure(false);
    QProcess* first = Start({"/Open", "mms://media.example/first.asf"});
    QVERIFY(first->waitForStarted());
    QVERIFY2(WaitListening(first), "the first instance never listened");

    QProcess* second = Start({"/Open", "mms://media.example/second.asf&&Second&&1"});
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // Several addresses in the freedesktop form arrive in order.
    QProcess* third = Start({"mms://media.example/third.asf", "mms://media.example/fourth.asf"});
    QVERIFY(third->waitForFinished(15000));
    QCOMPARE(third->exitCode(), 0);
    QCOMPARE(first->state(), QProcess::Running);

    // SIGTERM closes the window as Exit does: the list is written.
    first->terminate();
    QVERIFY(first->waitForFinished(15000));
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    kvx::File file;
    QCOMPARE(KvxAddresses(AutoList(), &file),
             (QStringList{"mms://media.example/first.asf", "mms://media.example/second.asf",
                          "mms://media.example/third.asf", "mms://media.example/fourth.asf"}));
    QCOMPARE(QString::fromStdString(file.records[1].title), QStringLiteral("Second"));
    QVERIFY2(!QFile::exists(Socket()), "the socket file is removed at exit");

    QSettings conf(dir_->path() + QStringLiteral("/conf/Brimcast/Brimcast.conf"), QSettings::IniFormat);
    QVERIFY2(conf.contains(QStringLiteral("Settings/xPos")), "the position is stored on close");
    QVERIFY(conf.contains(QStringLiteral("settings/Tool Tip")));
}

void SingleInstanceTest::staleSocketFileDoesNotBlock()
{
    Configure(false);
    // A socket file nobody listens on, as a killed instance leaves it.
    const QByteArray path = Socket().toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, path.constData(), sizeof addr.sun_path);
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    QVERIFY(QFile::exists(Socket()));

    QProcess* first = Start({"/Open", "mms://media.example/a.asf"});
    QVERIFY2(WaitListening(first), "a stale socket file blocked the start");
    QProcess* second = Start({"/Play", "mms://media.example/b.asf"});
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitCode(), 0);
    first->terminate();
    QVERIFY(first->waitForFinished(15000));
    QCOMPARE(KvxAddresses(AutoList()),
             (QStringList{"mms://media.example/a.asf", "mms://media.example/b.asf"}));
}

void SingleInstanceTest::multipleInstancesWhenAllowed()
{
    Configure(true);
    QProcess* first = Start({"mms://media.example/a.asf"});
    QVERIFY(WaitListening(first));
    QProcess* second = Start({"mms://media.example/b.asf"});
    QVERIFY(second->waitForStarted());
    QVERIFY2(!second->waitForFinished(2000), "the second instance should run its own window");
    second->terminate();
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitCode(), 0);
    first->terminate();
    QVERIFY(first->waitForFinished(15000));
    // The instances share the automatic list file: the last to close wins.
    QCOMPARE(KvxAddresses(AutoList()), QStringList{"mms://media.example/a.asf"});
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
