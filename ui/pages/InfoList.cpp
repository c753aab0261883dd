#include "ui/pages/InfoList.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <cmath>

#include "core/format/DefinitionReader.h"
#include "core/text/Messages.h"
#include "language/EngineText.h"
#include "ui/engine/WindowUi.h"
#include "ui/state/FullHeightRows.h"

namespace kivora::ui {

InfoListView::InfoListView(const char* name, Language language, QWidget* parent)
    : QTreeWidget(parent), language_(language) {
  setObjectName(QString::fromLatin1(name));
  setColumnCount(2);
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new FullHeightRows(this));
  header()->resizeSection(0, 100);
  header()->resizeSection(1, 185);
  // The values take the list's width and wrap there: none is cut.
  header()->setStretchLastSection(true);
  setWordWrap(true);
  setTextElideMode(Qt::ElideNone);
  // The hint shows the value of the row whose selection changed (long names, comments).
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { setToolTip(item ? item->text(1) : QString()); });
  ResetInfoList();
  // The six rows show whole, the window as small as it may be.
  setMinimumHeight(topLevelItemCount() * sizeHintForRow(0) + 2 * frameWidth());
}

void InfoListView::ResetInfoList() {
  setUpdatesEnabled(false);
  clear();
  for (const MessageTemplate<>* caption :
       {&msg::kRowFileName, &msg::kRowFileSize, &msg::kRowPartCount, &msg::kRowDisguise,
        &msg::kRowPassword, &msg::kRowComment}) {
    // owned by the list
    new QTreeWidgetItem(this, {EngineText(*caption, language_), QString()});
  }
  setUpdatesEnabled(true);
}

void InfoListView::Fill(const std::vector<std::pair<MessageText, MessageText>>& rows) {
  ResetInfoList();
  for (int i = 0; i < topLevelItemCount() && i < static_cast<int>(rows.size()); ++i) {
    topLevelItem(i)->setText(1, EngineText(rows[static_cast<size_t>(i)].second, language_));
  }
}

QString InfoListView::Value(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(1) : QString();
}

bool InfoListView::event(QEvent* event) {
  // At a fractional scale (1.5 at 144 DPI) a list whose corner falls between two device
  // pixels loses the top and left lines of a style's one-pixel frame: they land outside
  // the widget. The frame is drawn from the next whole device pixel instead.
  if (event->type() != QEvent::Paint) return QTreeWidget::event(event);
  const qreal ratio = devicePixelRatioF();
  const QPointF corner = QPointF(mapTo(window(), QPoint(0, 0))) * ratio;
  const QPointF shift((std::ceil(corner.x()) - corner.x()) / ratio,
                      (std::ceil(corner.y()) - corner.y()) / ratio);
  if (shift.isNull()) return QTreeWidget::event(event);
  QPainter painter(this);
  painter.translate(shift);
  drawFrame(&painter);
  return true;
}

}  // namespace kivora::ui
