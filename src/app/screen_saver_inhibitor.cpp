#include "app/screen_saver_inhibitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
constexpr int kCallTimeoutMs = 5000;
}

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject* parent)
    : ScreenSaverInhibitor(QDBusConnection::sessionBus(), parent)
{
}

ScreenSaverInhibitor::ScreenSaverInhibitor(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), connection_(connection)
{
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    wanted_ = false;
    SendUnInhibit();
}

void ScreenSaverInhibitor::SetInhibited(bool on)
{
    wanted_ = on;
    if (on && cookie_ == 0 && !pending_)
        SendInhibit();
    else if (!on && cookie_ != 0)
        SendUnInhibit();
    // An Inhibit under way when the wish changes is settled in its reply.
}

void ScreenSaverInhibitor::SendInhibit()
{
    if (!connection_.isConnected()) {
        wanted_ = false;
        emit unavailable(tr("There is no desktop session bus."));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
        QStringLiteral("Inhibit"));
    call << QCoreApplication::applicationName() << tr("Playing or recording media");
    pending_ = true;
    auto* watcher =
        new QDBusPendingCallWatcher(connection_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                pending_ = false;
                QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    wanted_ = false;
                    emit unavailable(reply.error().message());
                    return;
                }
                cookie_ = reply.value();
                if (cookie_ == 0) {
                    // A zero cookie cannot be released; treat it as refused.
                    wanted_ = false;
                    emit unavailable(tr("The screen saver refused."));
                    return;
                }
                if (!wanted_) {
                    SendUnInhibit();
                    return;
                }
                emit activeChanged(true);
            });
}

void ScreenSaverInhibitor::SendUnInhibit()
{
    if (cookie_ == 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
        QStringLiteral("UnInhibit"));
    call << cookie_;
    cookie_ = 0;
    connection_.send(call);
    emit activeChanged(false);
}
