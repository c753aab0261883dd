#include "ui/window/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

namespace kivora::ui {

bool SleepInhibitor::Hold(const QString& why) {
  if (Held()) return true;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QStringLiteral("Kivora") << why
       << QStringLiteral("block");
  const QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, 5000);
  if (!reply.isValid()) return false;
  lock_ = reply.value();  // a duplicate of logind's descriptor, ours to close
  return Held();
}

void SleepInhibitor::Release() { lock_ = QDBusUnixFileDescriptor(); }

}  // namespace kivora::ui
