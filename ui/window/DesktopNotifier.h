#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). Without the service nothing shows
// and nothing fails.

#include <QString>

namespace kivora::ui {

// Sends a notification from "Kivora" without waiting for the service; true when it was sent.
bool NotifyDesktop(const QString& summary, const QString& body);

}  // namespace kivora::ui
