#include "ui/window/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace kivora::ui {

bool NotifyDesktop(const QString& summary, const QString& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // Application, no notification to replace, icon, summary, body, no actions, no hints,
  // the server's own timeout.
  call << QStringLiteral("Kivora") << 0u << QStringLiteral("kivora") << summary << body
       << QStringList() << QVariantMap() << -1;
  // Sent without waiting for the answer: a slow notification daemon never holds up the
  // window.
  return bus.send(call);
}

}  // namespace kivora::ui
