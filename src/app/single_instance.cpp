#include "app/single_instance.h"

#include <unistd.h>

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
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

}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(socketPath.isEmpty() ? DefaultSocketPath() : std::move(socketPath))
{
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();  // removes the socket file
}

QString SingleInstance::DefaultSocketPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/brimcast.sock");
    return QDir::tempPath() + QStringLiteral("/brimcast-%1.sock").arg(::getuid());
}

bool SingleInstance::listening() const { return server_ && server_->isListening(); }

SingleInstance::Outcome SingleInstance::Start(const LaunchRequest& request, bool handOver)
{
    // Two starts at the same moment must not both decide to listen.
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);  // a lock is stale only when its process is gone
    const bool locked = lock.tryLock(5000);

    QLocalSocket probe;
    probe.connectToServer(socketPath_);
    const bool alive = probe.waitForConnected(kConnectMs);
    if (alive) {
        if (handOver) {
            probe.abort();
            return SendTo(request) ? Outcome::HandedOver : Outcome::Beside;
        }
        probe.abort();
        return Outcome::Beside;
    }
    if (!locked)
        return Outcome::Failed;
    return Listen() ? Outcome::Listening : Outcome::Failed;
}

bool SingleInstance::SendTo(const LaunchRequest& request)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectMs))
        return false;
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
