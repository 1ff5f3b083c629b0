#pragma once

#include <QObject>
#include <QString>

#include "app/launch_request.h"

class QLocalServer;

// One program instance per user: the first instance listens on a local
// socket in the user's runtime folder; a later start connects to it, hands
// over its mode and arguments and exits. A socket file left behind by an
// instance that crashed is found dead (nobody answers) and replaced.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // socketPath empty: DefaultSocketPath().
    explicit SingleInstance(QString socketPath = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/brimcast.sock, or brimcast-<uid>.sock in the temp
    // folder when there is no runtime folder.
    static QString DefaultSocketPath();

    // The start-up decision, serialised against other instances starting at
    // the same moment. With handOver set, a running instance is given the
    // request and HandedOver is returned: this process should exit. Otherwise
    // this process becomes the listening instance when none is running
    // (Listening), or runs beside the running one (Beside); Failed when the
    // socket could not be made (the program still runs, without hand-over).
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
    bool SendTo(const LaunchRequest& request);
    bool Listen();
    void OnNewConnection();

    QString socketPath_;
    QLocalServer* server_ = nullptr;
};
