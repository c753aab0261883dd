#include "kvrpack/Illustration.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace kvrpack {
namespace {

void DrawSky(QPainter& p, const QRectF& area) {
  QLinearGradient sky(area.topLeft(), area.bottomLeft());
  sky.setColorAt(0.0, QColor(24, 32, 72));
  sky.setColorAt(0.55, QColor(120, 80, 150));
  sky.setColorAt(1.0, QColor(245, 170, 120));
  p.fillRect(area, sky);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 230, 200));
  // A few fixed stars; the picture is the same every time.
  const QPointF stars[] = {{0.12, 0.05}, {0.30, 0.12}, {0.78, 0.07}, {0.88, 0.20},
                           {0.18, 0.26}, {0.65, 0.16}, {0.45, 0.04}, {0.92, 0.33}};
  for (const QPointF& s : stars) {
    p.drawEllipse(QPointF(area.left() + s.x() * area.width(), area.top() + s.y() * area.height()),
                  1.3, 1.3);
  }
}

void DrawChain(QPainter& p, QPointF from, QPointF to, int links) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(230, 200, 120), 2.0));
  for (int i = 0; i < links; ++i) {
    const double t = (i + 0.5) / links;
    const QPointF centre = from + (to - from) * t;
    const double w = (i % 2 == 0) ? 7.0 : 3.0;
    p.drawEllipse(centre, w, 6.5);
  }
}

// The pendant: a golden frame around a small picture of hills under a sun.
void DrawPendant(QPainter& p, const QRectF& frame) {
  QPainterPath outline;
  outline.addRoundedRect(frame, 14, 14);
  QLinearGradient gold(frame.topLeft(), frame.bottomRight());
  gold.setColorAt(0.0, QColor(255, 226, 140));
  gold.setColorAt(0.5, QColor(200, 150, 50));
  gold.setColorAt(1.0, QColor(255, 215, 120));
  p.setPen(QPen(QColor(120, 80, 20), 1.5));
  p.setBrush(gold);
  p.drawPath(outline);

  const QRectF picture = frame.adjusted(11, 11, -11, -11);
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(picture, 6, 6);
  p.setClipPath(clip);
  QLinearGradient day(picture.topLeft(), picture.bottomLeft());
  day.setColorAt(0.0, QColor(120, 190, 240));
  day.setColorAt(1.0, QColor(220, 240, 255));
  p.fillRect(picture, day);
  QRadialGradient sun(picture.topLeft() + QPointF(picture.width() * 0.72, picture.height() * 0.3),
                      picture.width() * 0.16);
  sun.setColorAt(0.0, QColor(255, 250, 200));
  sun.setColorAt(1.0, QColor(255, 200, 80, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(sun);
  p.drawRect(picture);
  const auto hill = [&](double peak, double height, QColor colour) {
    QPainterPath path;
    path.moveTo(picture.bottomLeft());
    path.cubicTo(picture.left() + picture.width() * (peak - 0.4), picture.bottom() - height,
                 picture.left() + picture.width() * (peak + 0.1), picture.bottom() - height * 1.2,
                 picture.right(), picture.bottom() - height * 0.4);
    path.lineTo(picture.bottomRight());
    path.closeSubpath();
    p.setBrush(colour);
    p.drawPath(path);
  };
  hill(0.3, picture.height() * 0.55, QColor(90, 150, 90));
  hill(0.7, picture.height() * 0.35, QColor(50, 110, 70));
  p.restore();
}

}  // namespace

QPixmap DrawIllustration(QSize size) {
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF area(QPointF(0, 0), QSizeF(size));
  DrawSky(p, area);

  const double w = area.width();
  const double h = area.height();
  const QRectF frame(w * 0.18, h * 0.38, w * 0.64, w * 0.56);
  const QPointF hook(w * 0.5, frame.top());
  DrawChain(p, QPointF(w * 0.12, 0), hook, 14);
  DrawChain(p, QPointF(w * 0.88, 0), hook, 14);
  p.setPen(QPen(QColor(120, 80, 20), 1.5));
  p.setBrush(QColor(240, 200, 110));
  p.drawEllipse(hook, 6, 6);
  DrawPendant(p, frame);

  QFont font = p.font();
  font.setPixelSize(static_cast<int>(h * 0.06));
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(60, 30, 40));
  p.drawText(QRectF(0, h * 0.84, w, h * 0.12), Qt::AlignCenter, QStringLiteral("kvrpack"));
  return pixmap;
}

}  // namespace kvrpack
