#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <QObject>
#include <QString>

#include "app/launch_request.h"

class QLocalServer;
class QLocalSocket;

// One program instance per user: the first instance listens on a local
// socket in the user's runtime folder; a later start connects to it, hands
// over its mode and arguments and exits. A socket file left behind by an
// instance that crashed is found dead (nobody answers) and replaced.
//
// Any local user can reach a socket, and a shared folder can be squatted:
// the socket lives only in a folder that belongs to the user and is closed
// to others, and both ends check that the process at the other end runs
// as the user before they send or act on anything.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // socketPath empty: DefaultSocketPath(). trustedUid: the only user whose
    // processes this instance talks to.
    explicit SingleInstance(QString socketPath = {}, uid_t trustedUid = ::getuid(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/brimcast.sock when that folder is the user's and
    // nobody else may write to it; otherwise brimcast.sock in the private
    // folder brimcast-<uid> of the temp folder (made 0700). Empty, with the
    // reason in *problem, when the private folder is not trustworthy.
    static QString DefaultSocketPath(QString* problem = nullptr);
    static QString SocketPathIn(const QString& runtimeDir, const QString& tempDir, uid_t uid,
                                QString* problem);

    // The start-up decision, serialised against other instances starting at
    // the same moment. With handOver set, a running instance is given the
    // request and HandedOver is returned: this process should exit. Otherwise
    // this process becomes the listening instance when none is running
    // (Listening), or runs beside the running one (Beside); Failed when the
    // socket could not be made or is not to be trusted (the program still
    // runs, without hand-over; the reason went to standard error).
    enum class Outcome { HandedOver, Listening, Beside, Failed };
    Outcome Start(const LaunchRequest& request, bool handOver);

    const QString& socketPath() const { return socketPath_; }
    bool listening() const;

    // Limits of one hand-over message.
    static constexpr int kMaxMessageBytes = 256 * 1024;
    static constexpr int kMaxArguments = 4096;

signals:
    // A later start handed over (queued on this object's thread).
    void handedOver(LaunchMode mode, const QStringList& arguments);

private:
    bool HandOver(QLocalSocket& socket, const LaunchRequest& request);
    bool Listen();
    void OnNewConnection();

    uid_t trustedUid_;
    QString problem_;  // why there is no socket path
    QString socketPath_;
    QLocalServer* server_ = nullptr;
};
