#include "ui/window/SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>

namespace kivora::ui {

bool SleepInhibitor::Hold(const QString& why) {
  if (Held() || pending_) return true;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QStringLiteral("Kivora") << why
       << QStringLiteral("block");
  pending_ = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(call, 5000));
  // The watcher goes with this object or at Release, and its connection with it, so the
  // answer never reaches an inhibitor that no longer waits for it.
  QObject::connect(pending_.get(), &QDBusPendingCallWatcher::finished,
                   [this](QDBusPendingCallWatcher* watcher) {
                     const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
                     // a duplicate of logind's descriptor, ours to close
                     if (reply.isValid()) lock_ = reply.value();
                     pending_.release()->deleteLater();
                   });
  return true;
}

void SleepInhibitor::Release() {
  pending_.reset();
  lock_ = QDBusUnixFileDescriptor();
}

}  // namespace kivora::ui
