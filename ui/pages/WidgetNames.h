#pragma once
// Creating widgets under their names (objectName), by which tests and the rest of the
// window find them.

#include <QString>
#include <filesystem>
#include <utility>

namespace kivora::ui {

// The widget is parented by the layout or tab it is added to.
template <typename W, typename... Args>
W* Named(const char* name, Args&&... args) {
  auto* w = new W(std::forward<Args>(args)...);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

inline std::filesystem::path ToPath(const QString& s) {
  return std::filesystem::path(s.toStdString());
}

}  // namespace kivora::ui
