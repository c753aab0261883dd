#include "ui/state/StateImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kivora::ui {
namespace {

QPixmap Canvas() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QIcon Draw(const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap = Canvas();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  p.end();
  return QIcon(pixmap);
}

// A sheet of paper with a folded corner, in the given colour.
void Sheet(QPainter& p, const QColor& fill) {
  QPainterPath path;
  path.moveTo(3, 1.5);
  path.lineTo(10, 1.5);
  path.lineTo(13.5, 5);
  path.lineTo(13.5, 14.5);
  path.lineTo(3, 14.5);
  path.closeSubpath();
  p.setPen(QPen(QColor(70, 70, 70), 1));
  p.setBrush(fill);
  p.drawPath(path);
  p.drawLine(QPointF(10, 1.5), QPointF(10, 5));
  p.drawLine(QPointF(10, 5), QPointF(13.5, 5));
}

}  // namespace

StateImage ImageOf(FileState state) {
  switch (state) {
    case FileState::Listed:
      return StateImage::Listed;
    case FileState::Split:
    case FileState::Resplit:
      return StateImage::Split;
    case FileState::Disguised:
    case FileState::Redisguised:
    case FileState::Recovery:
      return StateImage::Disguised;
    case FileState::DefinitionCreated:
    case FileState::DefinitionImplanted:
      return StateImage::Definition;
    case FileState::Ok:
    case FileState::Joined:
    case FileState::Rebuilt:
    case FileState::Sent:
    case FileState::OnHost:
      return StateImage::Done;
    case FileState::Fixable:
    case FileState::KeptBack:
      return StateImage::Fixable;
    case FileState::Missing:
    case FileState::Corrupt:
    case FileState::Mismatch:
    case FileState::Refused:
    case FileState::NotSent:
      break;
  }
  return StateImage::Failed;
}

QList<QIcon> StateImageList() {
  return {
      // done: a green tick
      Draw([](QPainter& p) {
        p.setPen(QPen(QColor(30, 150, 50), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
      }),
      // fixable or kept back: an amber circle with a bar
      Draw([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 170, 20));
        p.drawEllipse(QRectF(2, 2, 12, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 7, 7, 2));
      }),
      // missing, corrupt or mismatch: a red cross
      Draw([](QPainter& p) {
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
      }),
      // split: a sheet cut in two
      Draw([](QPainter& p) {
        Sheet(p, QColor(235, 240, 250));
        p.setPen(QPen(QColor(40, 90, 200), 1.5, Qt::DashLine));
        p.drawLine(QPointF(1, 9), QPointF(15, 9));
      }),
      // disguised: a sheet showing a small landscape
      Draw([](QPainter& p) {
        Sheet(p, QColor(170, 215, 250));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 160, 70));
        p.drawPolygon(QPolygonF(
            {QPointF(3.5, 14), QPointF(7, 9), QPointF(10, 12), QPointF(13, 8), QPointF(13, 14)}));
        p.setBrush(QColor(250, 200, 40));
        p.drawEllipse(QRectF(5, 4, 3, 3));
      }),
      // listed, not yet processed: a plain sheet
      Draw([](QPainter& p) { Sheet(p, Qt::white); }),
      // definition file: a sheet with lines of text
      Draw([](QPainter& p) {
        Sheet(p, QColor(255, 250, 225));
        p.setPen(QPen(QColor(120, 90, 40), 1));
        for (int y = 7; y <= 12; y += 2) p.drawLine(QPointF(5, y), QPointF(12, y));
      }),
  };
}

}  // namespace kivora::ui
