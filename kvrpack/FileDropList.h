#pragma once
// The picture list: takes files dropped from the desktop, one full path per entry, in
// the order of the drop; paths the resource script cannot carry are left out.

#include <QList>
#include <QListWidget>
#include <QStringList>
#include <QUrl>

namespace kvrpack {

class FileDropList : public QListWidget {
  Q_OBJECT

 public:
  explicit FileDropList(QWidget* parent = nullptr);

  // The local file paths among `urls` that the list takes, in order; duplicates stay.
  static QStringList AcceptedPaths(const QList<QUrl>& urls);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace kvrpack
