#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

namespace {

constexpr quint32 kMagic = 0x42524D31;  // "BRM1"
constexpr int kConnectMs = 1000;
constexpr int kWriteMs = 2000;
constexpr int kReadMs = 3000;

QByteArray Encode(const LaunchRequest& request)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << static_cast<qint32>(request.mode)
        << static_cast<quint32>(request.arguments.size());
    for (const QString& a : request.arguments)
        out << a;
    QByteArray framed;
    QDataStream frame(&framed, QIODevice::WriteOnly);
    frame << static_cast<quint32>(body.size());
    framed += body;
    return framed;
}

// Why a folder is not to be trusted with the socket ("" when it is): it must
// be a folder itself, not a link to one, belong to uid, and give others no
// write access (closed: no access at all).
QString FolderProblem(const QString& path, uid_t uid, bool closed)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a symbolic link").arg(path);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (info.st_uid != uid)
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    if (info.st_mode & (closed ? 077 : 022))
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(path)
            .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

// The user id of the process at the other end of a local socket.
bool PeerUid(qintptr fd, uid_t* uid)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (fd < 0 || ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof credentials)
        return false;
    *uid = credentials.uid;
    return true;
}

void Warn(const QString& text)
{
    std::fprintf(stderr, "brimcast: %s\n", qPrintable(text));
}

}  // namespace

SingleInstance::SingleInstance(QString socketPath, uid_t trustedUid, QObject* parent)
    : QObject(parent),
      trustedUid_(trustedUid),
      socketPath_(socketPath.isEmpty() ? DefaultSocketPath(&problem_) : std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();  // removes the socket file
}

QString SingleInstance::DefaultSocketPath(QString* problem)
{
    return SocketPathIn(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), ::getuid(), problem);
}

QString SingleInstance::SocketPathIn(const QString& runtimeDir, const QString& tempDir, uid_t uid,
                                     QString* problem)
{
    if (!runtimeDir.isEmpty() && FolderProblem(runtimeDir, uid, false).isEmpty())
        return runtimeDir + QStringLiteral("/brimcast.sock");
    // Without a runtime folder (sudo, su, cron, ssh) the temp folder is
    // shared with every user: the socket goes into a folder of our own that
    // is checked before every use, whoever made it.
    const QString folder = tempDir + QStringLiteral("/brimcast-%1").arg(uid);
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) == 0) {
        // Whatever the umask took away; never through a link.
        const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            ::fchmod(fd, 0700);
            ::close(fd);
        }
    }
    const QString why = FolderProblem(folder, uid, true);
    if (!why.isEmpty()) {
        if (problem)
            *problem = why;
        return {};
    }
    return folder + QStringLiteral("/brimcast.sock");
}

bool SingleInstance::listening() const { return server_ && server_->isListening(); }

SingleInstance::Outcome SingleInstance::Start(const LaunchRequest& request, bool handOver)
{
    if (socketPath_.isEmpty()) {
        Warn(QStringLiteral("%1; running without hand-over to another instance").arg(problem_));
        return Outcome::Failed;
    }
    // Two starts at the same moment must not both decide to listen.
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);  // a lock is stale only when its process is gone
    const bool locked = lock.tryLock(5000);

    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (socket.waitForConnected(kConnectMs)) {
        // Nothing, not even the arguments, goes to a process of another user.
        uid_t peer = 0;
        if (!PeerUid(socket.socketDescriptor(), &peer) || peer != trustedUid_) {
            socket.abort();
            Warn(QStringLiteral("%1 is held by a process of another user; running without "
                                "hand-over to another instance")
                     .arg(socketPath_));
            return Outcome::Failed;
        }
        if (!handOver) {
            socket.abort();
            return Outcome::Beside;
        }
        return HandOver(socket, request) ? Outcome::HandedOver : Outcome::Beside;
    }
    socket.abort();
    if (!locked)
        return Outcome::Failed;
    return Listen() ? Outcome::Listening : Outcome::Failed;
}

bool SingleInstance::HandOver(QLocalSocket& socket, const LaunchRequest& request)
{
    const QByteArray message = Encode(request);
    if (message.size() > kMaxMessageBytes)
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kWriteMs))
            return false;
    }
    // The running instance answers one byte once it has taken the request.
    if (!socket.waitForReadyRead(kReadMs))
        return false;
    return socket.read(1) == "1";
}

bool SingleInstance::Listen()
{
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) {
        // Nobody answered on the existing socket file: a crashed instance
        // left it. Replace it.
        QLocalServer::removeServer(socketPath_);
        if (!server_->listen(socketPath_)) {
            delete server_;
            server_ = nullptr;
            return false;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

void SingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        uid_t peer = 0;
        if (!PeerUid(socket->socketDescriptor(), &peer) || peer != trustedUid_) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that never finishes its message is dropped.
        QTimer::singleShot(kReadMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < 4)
                return;
            quint32 size = 0;
            {
                QByteArray head = socket->peek(4);
                QDataStream in(head);
                in >> size;
            }
            if (size > static_cast<quint32>(kMaxMessageBytes)) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < 4 + static_cast<qint64>(size))
                return;
            socket->read(4);
            const QByteArray body = socket->read(size);
            QDataStream in(body);
            in.setVersion(QDataStream::Qt_6_4);
            quint32 magic = 0;
            qint32 mode = 0;
            QStringList arguments;
            in >> magic >> mode;
            if (magic != kMagic || in.status() != QDataStream::Ok) {
                socket->abort();
                return;
            }
            // The count is checked before anything is read for it (the
            // stream's own list reading would reserve whatever it says).
            quint32 count = 0;
            in >> count;
            if (count > static_cast<quint32>(kMaxArguments)) {
                socket->abort();
                return;
            }
            for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
                QString a;
                in >> a;
                arguments.append(a);
            }
            if (in.status() != QDataStream::Ok) {
                socket->abort();
                return;
            }
            if (mode < 0 || mode > 2)
                mode = static_cast<qint32>(LaunchMode::Play);
            socket->write("1");
            socket->flush();
            socket->disconnectFromServer();
            emit handedOver(static_cast<LaunchMode>(mode), arguments);
        });
    }
}
