// The window's sleep lock and desktop notification against the login manager and the
// notification service of python3-dbusmock, on a bus of the test's own.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

#include "ui/window/DesktopNotifier.h"
#include "ui/window/SleepInhibitor.h"

namespace {

using kivora::ui::NotifyDesktop;
using kivora::ui::SleepInhibitor;

constexpr int kWaitMs = 20000;

}  // namespace

class DesktopBusTest : public QObject {
  Q_OBJECT

  QProcess bus_, logind_, notifications_;

  // A mock of `service` from dbusmock's `templateName`, on the test's bus.
  bool StartMock(QProcess& mock, const QString& templateName, const QString& service) {
    mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                templateName});
    QDBusConnection bus = service == QLatin1String("org.freedesktop.login1")
                              ? QDBusConnection::systemBus()
                              : QDBusConnection::sessionBus();
    return mock.waitForStarted() &&
           QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(service).value(); },
                           kWaitMs);
  }

  // The inhibitors logind holds: (what, who, why, mode) of each.
  static QList<QStringList> Inhibitors() {
    const QDBusMessage reply = QDBusConnection::systemBus().call(
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "ListInhibitors"));
    QList<QStringList> inhibitors;
    const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
      QString what, who, why, mode;
      uint uid = 0, pid = 0;
      list.beginStructure();
      list >> what >> who >> why >> mode >> uid >> pid;
      list.endStructure();
      inhibitors.append({what, who, why, mode});
    }
    list.endArray();
    return inhibitors;
  }

 private slots:
  void initTestCase() {
    bus_.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--print-address=1"),
                QStringLiteral("--nofork")});
    QVERIFY(bus_.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return bus_.canReadLine(); }, kWaitMs));
    const QByteArray address = bus_.readLine().trimmed();
    // One bus stands for both: the connections read these when first made.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(StartMock(logind_, "logind", "org.freedesktop.login1"));
    QVERIFY(StartMock(notifications_, "notification_daemon", "org.freedesktop.Notifications"));
  }

  void cleanupTestCase() {
    for (QProcess* process : {&notifications_, &logind_, &bus_}) {
      process->terminate();
      process->waitForFinished();
    }
  }

  // The lock blocks sleep and idle while held, and goes when its descriptor is closed.
  void sleepIsInhibitedUntilReleased() {
    SleepInhibitor inhibitor;
    QVERIFY(inhibitor.Hold(QStringLiteral("joining")));
    QVERIFY(inhibitor.Held());
    QCOMPARE(Inhibitors(), (QList<QStringList>{{"sleep:idle", "Kivora", "joining", "block"}}));
    QVERIFY(inhibitor.Hold(QStringLiteral("again")));  // the lock held is kept
    QCOMPARE(Inhibitors().size(), 1);
    inhibitor.Release();
    QVERIFY(!inhibitor.Held());
    QVERIFY(QTest::qWaitFor([] { return Inhibitors().isEmpty(); }, kWaitMs));
  }

  void notificationSaysHowTheWorkEnded() {
    QVERIFY(NotifyDesktop(QStringLiteral("Kivora"), QStringLiteral("合併已完成。")));
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.DBus.Mock", "GetMethodCalls");
    call << QStringLiteral("Notify");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    // (time, arguments) of each Notify call.
    const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
    QList<QVariantList> arguments;
    calls.beginArray();
    while (!calls.atEnd()) {
      qulonglong time = 0;
      QVariantList args;
      calls.beginStructure();
      calls >> time >> args;
      calls.endStructure();
      arguments.append(args);
    }
    calls.endArray();
    QCOMPARE(arguments.size(), 1);
    const auto text = [&](int i) {
      const QVariant value = arguments.first().value(i);
      return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant().toString()
                                              : value.toString();
    };
    QCOMPARE(text(0), QStringLiteral("Kivora"));  // the application
    QCOMPARE(text(3), QStringLiteral("Kivora"));  // the summary
    QCOMPARE(text(4), QStringLiteral("合併已完成。"));
  }
};

QTEST_GUILESS_MAIN(DesktopBusTest)
#include "test_desktop_bus.moc"
