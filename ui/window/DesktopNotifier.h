#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Without the service nothing shows
// and nothing fails.

#include <QString>

namespace kivora::ui {

// Shows a notification from "Kivora"; true when the service took it.
bool NotifyDesktop(const QString& summary, const QString& body);

}  // namespace kivora::ui
