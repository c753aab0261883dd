// The window's sleep lock and desktop notification against the login manager and the
// notification service of python3-dbusmock, on a bus of the test's own.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

#include "ui/window/DesktopNotifier.h"
#include "ui/window/SleepInhibitor.h"

constexpr int kWaitMs = 20000;

// Reads the array of structures of a reply's first argument, each with `read`.
template <typename Read>
void ForEachStructure(const QDBusMessage& reply, Read read) {
  const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
  list.beginArray();
  while (!list.atEnd()) {
    list.beginStructure();
    read(list);
    list.endStructure();
  }
  list.endArray();
}

class DesktopBusTest : public QObject {
  Q_OBJECT

  QProcess bus_, logind_, notifications_;

  // dbusmock's `templateName` on the test's bus, up once `service` has its name.
  static bool StartMock(QProcess& mock, const char* templateName, QDBusConnection bus,
                        const QString& service) {
    mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock.start("/usr/bin/python3", {"-m", "dbusmock", "--template", templateName});
    return QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(service).value(); },
                           kWaitMs);
  }

  // What logind holds: (what, who, why, mode) of each inhibitor.
  static QList<QStringList> Inhibitors() {
    QList<QStringList> inhibitors;
    ForEachStructure(QDBusConnection::systemBus().call(QDBusMessage::createMethodCall(
                         "org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "ListInhibitors")),
                     [&](const QDBusArgument& item) {
                       QString what, who, why, mode;
                       uint uid = 0, pid = 0;
                       item >> what >> who >> why >> mode >> uid >> pid;
                       inhibitors.append({what, who, why, mode});
                     });
    return inhibitors;
  }

 private slots:
  void initTestCase() {
    bus_.start("dbus-daemon", {"--session", "--print-address=1", "--nofork"});
    QVERIFY(QTest::qWaitFor([&] { return bus_.canReadLine(); }, kWaitMs));
    // One bus stands for both; the connections read these when first made.
    const QByteArray address = bus_.readLine().trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(StartMock(logind_, "logind", QDBusConnection::systemBus(), "org.freedesktop.login1"));
    QVERIFY(StartMock(notifications_, "notification_daemon", QDBusConnection::sessionBus(),
                      "org.freedesktop.Notifications"));
  }

  void cleanupTestCase() {
    for (QProcess* process : {&notifications_, &logind_, &bus_}) {
      process->terminate();
      process->waitForFinished();
    }
  }

  // The lock blocks sleep and idle while held, and goes when its descriptor is closed.
  void sleepIsInhibitedUntilReleased() {
    kivora::ui::SleepInhibitor inhibitor;
    QVERIFY(inhibitor.Hold("joining"));
    QVERIFY(QTest::qWaitFor([&] { return inhibitor.Held(); }, kWaitMs));
    QCOMPARE(Inhibitors(), (QList<QStringList>{{"sleep:idle", "Kivora", "joining", "block"}}));
    inhibitor.Release();
    QVERIFY(QTest::qWaitFor([] { return Inhibitors().isEmpty(); }, kWaitMs));
  }

  void notificationSaysHowTheWorkEnded() {
    QVERIFY(kivora::ui::NotifyDesktop("Kivora", "合併已完成。"));
    QDBusMessage calls = QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.DBus.Mock", "GetMethodCalls");
    calls << QStringLiteral("Notify");
    QList<QStringList> recorded;  // application, summary and body of each call
    ForEachStructure(QDBusConnection::sessionBus().call(calls), [&](const QDBusArgument& call) {
      qulonglong time = 0;
      QVariantList args;
      call >> time >> args;
      recorded.append(
          {args.value(0).toString(), args.value(3).toString(), args.value(4).toString()});
    });
    QCOMPARE(recorded, (QList<QStringList>{{"Kivora", "Kivora", "合併已完成。"}}));
  }
};

QTEST_GUILESS_MAIN(DesktopBusTest)
#include "test_desktop_bus.moc"
