#include "kvrpack/FileDropList.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>

#include "kvrpack/PathFilter.h"

namespace kvrpack {
namespace {

// Offers a copy when the dragged data is a file list, and nothing otherwise.
void AnswerDrag(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
  }
}

}  // namespace

FileDropList::FileDropList(QWidget* parent) : QListWidget(parent) {
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QStringList FileDropList::AcceptedPaths(const QList<QUrl>& urls) {
  QStringList paths;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (IsAcceptedPicturePath(QFile::encodeName(path).toStdString())) paths.append(path);
  }
  return paths;
}

void FileDropList::dragEnterEvent(QDragEnterEvent* event) { AnswerDrag(event); }

void FileDropList::dragMoveEvent(QDragMoveEvent* event) { AnswerDrag(event); }

void FileDropList::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) {
    event->ignore();
    return;
  }
  addItems(AcceptedPaths(event->mimeData()->urls()));
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

}  // namespace kvrpack
