// Protect Screen Save against a screen saver service on a private session
// bus (the test runs under dbus-run-session): Inhibit and UnInhibit with
// the cookie, a wish that changes before the reply, no service, no bus.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

#include "app/screen_saver_inhibitor.h"

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QList<uint> held;
    QStringList applications;
    uint next = 41;
public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        Q_UNUSED(reason);
        applications.append(application);
        held.append(next);
        return next++;
    }
    void UnInhibit(uint cookie) { held.removeAll(cookie); }
};

class ScreenSaverTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void withoutServiceOrBusSaysSoAndStaysOff();
    void inhibitsAndReleases();

private:
    QDBusConnection Bus() const { return QDBusConnection::sessionBus(); }
};

void ScreenSaverTest::initTestCase()
{
    if (!Bus().isConnected())
        QSKIP("no session bus (run under dbus-run-session)");
}

void ScreenSaverTest::withoutServiceOrBusSaysSoAndStaysOff()
{
    QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus"));
    QVERIFY(!none.isConnected());
    for (const QDBusConnection& bus : {Bus(), none}) {
        ScreenSaverInhibitor inhibitor(bus, nullptr);
        QSignalSpy unavailable(&inhibitor, &ScreenSaverInhibitor::unavailable);
        inhibitor.SetInhibited(true);
        QTRY_COMPARE(unavailable.size(), 1);
        QVERIFY(!inhibitor.active());
        QVERIFY(!inhibitor.wanted());
    }
}

void ScreenSaverTest::inhibitsAndReleases()
{
    FakeScreenSaver fake;
    QDBusConnection service =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-saver"));
    QVERIFY(service.registerObject(QString::fromLatin1(ScreenSaverInhibitor::kPath), &fake,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QString::fromLatin1(ScreenSaverInhibitor::kService)));

    {
        ScreenSaverInhibitor inhibitor(Bus(), nullptr);
        QSignalSpy unavailable(&inhibitor, &ScreenSaverInhibitor::unavailable);
        inhibitor.SetInhibited(true);
        QTRY_VERIFY(inhibitor.active());
        QCOMPARE(fake.held, QList<uint>{41});
        inhibitor.SetInhibited(false);
        QVERIFY(!inhibitor.active());
        QTRY_VERIFY(fake.held.isEmpty());

        // Off again before the desktop answered: the cookie is given back.
        inhibitor.SetInhibited(true);
        inhibitor.SetInhibited(false);
        QTRY_COMPARE(fake.next, 43u);
        QTRY_VERIFY(fake.held.isEmpty());
        QVERIFY(!inhibitor.active());

        // Held at destruction: released.
        inhibitor.SetInhibited(true);
        QTRY_VERIFY(inhibitor.active());
        QCOMPARE(unavailable.size(), 0);
    }
    QTRY_VERIFY(fake.held.isEmpty());
    service.unregisterService(QString::fromLatin1(ScreenSaverInhibitor::kService));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-saver"));
}

QTEST_GUILESS_MAIN(ScreenSaverTest)
#include "screen_saver_test.moc"
