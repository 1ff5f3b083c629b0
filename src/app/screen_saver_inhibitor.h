#pragma once

#include <QObject>
#include <QString>

#include <QDBusConnection>

// "Protect Screen Save": keeps the desktop's screen saver off while the
// program runs, through org.freedesktop.ScreenSaver Inhibit / UnInhibit on
// the session bus. Calls are asynchronous (the window never waits for the
// bus). Without a session bus or without such a service the inhibitor says
// so through unavailable() and stays off.
class ScreenSaverInhibitor final : public QObject {
    Q_OBJECT
public:
    // connection: the session bus by default; tests pass their own.
    explicit ScreenSaverInhibitor(QObject* parent = nullptr);
    ScreenSaverInhibitor(const QDBusConnection& connection, QObject* parent);
    // Releases a held inhibition.
    ~ScreenSaverInhibitor() override;

    // Asks for the screen saver to be kept off (true) or released (false).
    void SetInhibited(bool on);
    bool wanted() const { return wanted_; }
    // True while the desktop holds our inhibition.
    bool active() const { return cookie_ != 0; }

    static constexpr const char* kService = "org.freedesktop.ScreenSaver";
    static constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
    static constexpr const char* kInterface = "org.freedesktop.ScreenSaver";

signals:
    void activeChanged(bool active);
    // The inhibition could not be had; reason is a short English text.
    void unavailable(const QString& reason);

private:
    void SendInhibit();
    void SendUnInhibit();

    QDBusConnection connection_;
    bool wanted_ = false;
    bool pending_ = false;  // an Inhibit call is under way
    uint cookie_ = 0;
};
