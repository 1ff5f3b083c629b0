#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Desktop notifications through org.freedesktop.Notifications on the
// session bus. Calls are asynchronous and never wait for the desktop;
// without a bus or without such a service nothing is shown and nothing is
// said.
class DesktopNotifier final : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    DesktopNotifier(const QDBusConnection& connection, QObject* parent);

    void Notify(const QString& summary, const QString& body);
    // Calls sent, and those the desktop answered with an id.
    int sent() const { return sent_; }
    int shown() const { return shown_; }

    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    static constexpr int kExpireMs = 8000;

private:
    QDBusConnection connection_;
    int sent_ = 0;
    int shown_ = 0;
};
