// Protect Screen Save against a screen saver service on a private session
// bus (the test runs under dbus-run-session).
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

#include "app/screen_saver_inhibitor.h"

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QList<uint> held;
    uint next = 41;
public slots:
    uint Inhibit(const QString&, const QString&)
    {
        held.append(next);
        return next++;
    }
    void UnInhibit(uint cookie) { held.removeAll(cookie); }
};

class ScreenSaverTest : public QObject {
    Q_OBJECT
private slots:
    void inhibitsAndReleases()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run under dbus-run-session)");
        {
            // No service: said so, and off.
            ScreenSaverInhibitor inhibitor(QDBusConnection::sessionBus(), nullptr);
            QSignalSpy unavailable(&inhibitor, &ScreenSaverInhibitor::unavailable);
            inhibitor.SetInhibited(true);
            QTRY_COMPARE(unavailable.size(), 1);
            QVERIFY(!inhibitor.active() && !inhibitor.wanted());
        }
        FakeScreenSaver fake;
        QDBusConnection service =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-saver"));
        QVERIFY(service.registerObject(QString::fromLatin1(ScreenSaverInhibitor::kPath), &fake,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QString::fromLatin1(ScreenSaverInhibitor::kService)));
        {
            ScreenSaverInhibitor inhibitor(QDBusConnection::sessionBus(), nullptr);
            inhibitor.SetInhibited(true);
            QTRY_VERIFY(inhibitor.active());
            QCOMPARE(fake.held, QList<uint>{41});
            inhibitor.SetInhibited(false);
            QTRY_VERIFY(fake.held.isEmpty());
            // Off again before the desktop answered: the cookie is given back.
            inhibitor.SetInhibited(true);
            inhibitor.SetInhibited(false);
            QTRY_COMPARE(fake.next, 43u);
            QTRY_VERIFY(fake.held.isEmpty());
            // Held at destruction: released.
            inhibitor.SetInhibited(true);
            QTRY_VERIFY(inhibitor.active());
        }
        QTRY_VERIFY(fake.held.isEmpty());
        service.unregisterService(QString::fromLatin1(ScreenSaverInhibitor::kService));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-saver"));
    }
};

QTEST_GUILESS_MAIN(ScreenSaverTest)
#include "screen_saver_test.moc"
