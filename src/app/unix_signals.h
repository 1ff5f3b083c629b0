#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a session logout, `kill`, Ctrl+C in a
// terminal) into a queued Qt signal on the main thread: the handler only
// writes one byte into a socket pair.
class UnixSignals final : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;
    bool installed() const { return notifier_ != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};
