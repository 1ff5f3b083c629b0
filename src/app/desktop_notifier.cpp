#include "app/desktop_notifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {
constexpr int kCallTimeoutMs = 5000;
}

DesktopNotifier::DesktopNotifier(QObject* parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), connection_(connection)
{
}

void DesktopNotifier::Notify(const QString& summary, const QString& body)
{
    if (!connection_.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
        QStringLiteral("Notify"));
    // A service that is not running is not started for this.
    call.setAutoStartService(false);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("brimcast"));
    call << QCoreApplication::applicationName() << uint(0) << QStringLiteral("brimcast") << summary
         << body << QStringList() << hints << int(kExpireMs);
    ++sent_;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<uint> reply = *w;
        if (!reply.isError())
            ++shown_;
    });
}
